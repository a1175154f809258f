// The download page must not slow the transfer. A 1 GiB product in 10
// parts comes from the loopback host three ways, in alternating rounds,
// logging off:
//   - DownloadToFile alone, part after part (the transfer's own time);
//   - the executer alone (adds the digest check of every part);
//   - through the download page in a stand-in frame (adds the page's
//     worker, its 300 ms display timer and its stall timer, and what the
//     verification is spared: the product's digest and the product put
//     together as the parts arrive);
// and md5sum reads the parts the page wrote. Medians are reported, with
// the page over DownloadToFile, over the executer and over the larger of
// DownloadToFile and md5sum (goal: at most 1.1), and the display timer's
// ticks during the page rounds: the UI thread must keep its 300 ms rhythm
// while the worker fetches.

#include "host/LoopbackHost.h"
#include "pages/Parcel2Dlg03.h"
#include "platform/WorkerThreads.h"
#include "res/DialogTemplates.h"
#include "transfer/DownloadExecuter.h"
#include "wizard/Parcel2App.h"
#include "wizard/WizardEvents.h"
#include "support/BenchSupport.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr qint64 PRODUCT_SIZE = qint64{1} << 30;
constexpr int PART_COUNT = 10;

// Stands in for the frame: the page's final event ends the round.
class CStandInFrame : public CDialogWindow {
public:
  QEventLoop Loop;
  int Event = 0;
  void OnWindowMessage(unsigned message, CMessageWParam wParam, CMessageLParam) override {
    if (message != WM_WIZARD_EVENT) return;
    Event = static_cast<int>(static_cast<CMessageLParam>(wParam));
    Loop.quit();
  }
};

// The page with a clock on its display ticks.
class CTimedPage : public CParcel2Dlg03 {
public:
  QElapsedTimer Clock;
  std::vector<qint64> Ticks;
  void OnTimer(int timerId) override {
    if (timerId == DISPLAY_TIMER) Ticks.push_back(Clock.elapsed());
    CParcel2Dlg03::OnTimer(timerId);
  }
};

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n == 0 ? 0 : (n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2);
}

void ResetParts(CDownloadList& list) {
  for (int i = 1; i < list.GetDownloadEntryCount(); ++i) {
    CDownloadEntry* entry = list.GetDownloadEntry(i);
    entry->IsDownloaded = 0;
    QFile::remove(list.GetTempFilePath(entry));
  }
  QFile::remove(list.GetAssemblyFilePath());
  list.IsAllDownloaded = 0;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  QTemporaryDir folder;
  const QString product = folder.filePath("bench-product.bin");
  if (!folder.isValid() || !WriteRandomFile(product, PRODUCT_SIZE)) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(product));
    return 1;
  }
  CLoopbackHost host;
  CHostPublishOptions options;
  options.SoftwareName = QStringLiteral("Bench");
  options.ProductNo = 1;
  options.FileName = QStringLiteral("bench.bin");
  options.PartCount = PART_COUNT;
  options.Purchases = {{"1", "bench"}};
  const CHostPublished published = host.PublishFile(product, options);
  QFile::remove(product);
  if (published.ProductId.isEmpty() || published.Files.size() != PART_COUNT + 1) {
    std::fprintf(stderr, "cannot publish: %s\n", qPrintable(host.GetLastError()));
    return 1;
  }
  for (int i = 1; i <= PART_COUNT; ++i)
    WarmPageCache(host.GetCatalogFolder() + "/" + published.ProductId + "/" + published.Files[i].FileName);

  // The application as the wizard has it after the save folder is settled;
  // its log is never started, so nothing is written.
  CParcel2App app(QString(), folder.filePath("log"));
  app.HostUrl = host.GetBaseUrl();
  app.PurchaseNo = 1;
  app.PurchaseKey = QStringLiteral("bench");
  app.UrlDownload.SetAccess(CUrlDownload::ACCESS_DIRECT, QString());
  app.UrlDownload.init();
  QFile listFile(folder.filePath("list.lst"));
  if (!listFile.open(QIODevice::WriteOnly) || listFile.write(published.ListBytes) != published.ListBytes.size()) return 1;
  listFile.close();
  CDownloadList& list = app.DownloadList;
  list.LoadListFile(listFile.fileName());
  list.SetTargetSaveDir(folder.filePath("save"));
  QDir().mkpath(list.DownloadTempDir);

  CDownloadExecuter executer(app.Logger);
  executer.SetPurchase(app.HostUrl, app.PurchaseNo, app.PurchaseKey, 0);
  executer.List = &list;
  executer.Checker.List = &list;
  executer.Transfer = &app.UrlDownload;

  std::vector<double> alone, executed, paged, summed, tickMedians, tickMaxima;
  for (int round = 0; round < rounds; ++round) {
    ResetParts(list);
    QElapsedTimer timer;
    timer.start();
    bool ok = true;
    for (int i = 1; i <= PART_COUNT; ++i) {
      const CDownloadEntry* entry = list.GetDownloadEntry(i);
      ok = app.UrlDownload.DownloadToFile(executer.MakeBodyUrl(*entry), list.GetTempFilePath(entry)) == entry->Size && ok;
    }
    alone.push_back(timer.elapsed() / 1000.0);

    ResetParts(list);
    timer.restart();
    ok = executer.Execute() == 1 && ok;
    executed.push_back(timer.elapsed() / 1000.0);

    ResetParts(list);
    CStandInFrame frame;
    CTimedPage page;
    frame.CreateModeless(FindDialogTemplate(IDD_PARCEL2_DIALOG));
    page.Clock.start();
    timer.restart();
    page.Create(FindDialogTemplate(IDD_DOWNLOADING), frame);
    page.GetWidget()->show();
    frame.Loop.exec();
    paged.push_back(timer.elapsed() / 1000.0);
    ok = frame.Event == EV_NEXT && ok;
    page.DestroyWindow();

    QStringList partFiles;
    for (int i = 1; i <= PART_COUNT; ++i) partFiles << list.GetTempFilePath(list.GetDownloadEntry(i));
    QProcess md5sum;
    md5sum.setStandardOutputFile(QProcess::nullDevice());
    timer.restart();
    md5sum.start(QStringLiteral("md5sum"), partFiles);
    ok = md5sum.waitForFinished(-1) && md5sum.exitCode() == 0 && ok;
    summed.push_back(timer.elapsed() / 1000.0);
    app.CheckedParts.Clear();
    app.ProductAssembly.Clear();

    std::vector<double> gaps;
    for (size_t t = 1; t < page.Ticks.size(); ++t) gaps.push_back(static_cast<double>(page.Ticks[t] - page.Ticks[t - 1]));
    tickMedians.push_back(Median(gaps));
    tickMaxima.push_back(gaps.empty() ? 0 : *std::max_element(gaps.begin(), gaps.end()));
    std::printf("round %d: DownloadToFile %.2f s, executer %.2f s, page %.2f s, md5sum %.2f s; %zu ticks, median gap "
                "%.0f ms, longest %.0f ms%s\n",
                round + 1, alone.back(), executed.back(), paged.back(), summed.back(), page.Ticks.size(),
                tickMedians.back(), tickMaxima.back(), ok ? "" : "  (A FETCH OR md5sum FAILED)");
  }
  ResetParts(list);
  list.RemoveTempFiles();
  JoinWorkerThreads();

  const double a = Median(alone), e = Median(executed), p = Median(paged), m = Median(summed);
  std::printf("median of %d rounds: DownloadToFile %.2f s (%.0f MiB/s), executer %.2f s, page %.2f s, md5sum %.2f s\n",
              rounds, a, 1024 / a, e, p, m);
  std::printf("page / larger of DownloadToFile and md5sum %.3f (goal: at most 1.1: %s)\n", p / std::max(a, m),
              p / std::max(a, m) <= 1.1 ? "met" : "missed");
  std::printf("page / DownloadToFile %.3f, page / executer %.3f; display ticks: median gap %.0f ms, longest %.0f ms\n",
              p / a, p / e, Median(tickMedians), *std::max_element(tickMaxima.begin(), tickMaxima.end()));
  return 0;
}
