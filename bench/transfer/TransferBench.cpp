// DownloadToFile against the curl command line, side by side in one run:
// both fetch the same 1 GiB part from the loopback host with the same POST
// body into a file, logging off. The ratio at the end is our throughput
// over curl's. The part is read once first so both are served from the
// page cache; each fetched file is deleted before the next fetch.

#include "host/LoopbackHost.h"
#include "support/BenchSupport.h"
#include "log/DownloaderLogger.h"
#include "platform/TextFormat.h"
#include "res/RequestAddresses.h"
#include "transfer/UrlDownload.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>

namespace {

constexpr qint64 BODY_SIZE = qint64{1} << 30;

QString PartUrl;
QString OutputFile;

void BM_DownloadToFile(benchmark::State& state) {
  CDownloaderLogger logger(QFileInfo(OutputFile).absolutePath() + "/log");
  logger.SetLevel(0, true);
  CUrlDownload transfer(logger);
  transfer.SetAccess(CUrlDownload::ACCESS_DIRECT, QString());
  transfer.init();
  for (auto _ : state) {
    if (transfer.DownloadToFile(PartUrl, OutputFile) != BODY_SIZE) state.SkipWithError("DownloadToFile failed");
    state.PauseTiming();
    QFile::remove(OutputFile);
    state.ResumeTiming();
  }
  state.SetBytesProcessed(state.iterations() * BODY_SIZE);
}

void BM_curl(benchmark::State& state) {
  const QString url = PartUrl.section('?', 0, 0);
  const QString body = PartUrl.section('?', 1);
  for (auto _ : state) {
    QProcess process;
    process.start("curl", {"-s", "-S", "--noproxy", "*", "-o", OutputFile, "--data-binary", body, url});
    if (!process.waitForFinished(-1) || process.exitCode() != 0 || QFileInfo(OutputFile).size() != BODY_SIZE)
      state.SkipWithError("curl failed");
    state.PauseTiming();
    QFile::remove(OutputFile);
    state.ResumeTiming();
  }
  state.SetBytesProcessed(state.iterations() * BODY_SIZE);
}

// Alternated, so neither always runs on a machine that the other has warmed up.
BENCHMARK(BM_curl)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_DownloadToFile)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_curl)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_DownloadToFile)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  QTemporaryDir folder;
  if (!folder.isValid()) {
    std::fprintf(stderr, "cannot make a temporary folder\n");
    return 1;
  }
  const QString product = folder.filePath("bench-product.bin");
  if (!WriteRandomFile(product, BODY_SIZE)) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(product));
    return 1;
  }
  CLoopbackHost host;
  CHostPublishOptions options;
  options.SoftwareName = QStringLiteral("Bench");
  options.ProductNo = 1;
  options.FileName = QStringLiteral("bench.bin");
  options.PartCount = 1;
  options.Purchases = {{"1", "bench"}};
  const CHostPublished published = host.PublishFile(product, options);
  QFile::remove(product);  // the catalog holds its own copy as the part
  if (published.ProductId.isEmpty() || published.Files.size() != 2) {
    std::fprintf(stderr, "cannot publish: %s\n", qPrintable(host.GetLastError()));
    return 1;
  }
  WarmPageCache(host.GetCatalogFolder() + "/" + published.ProductId + "/" + published.Files[1].FileName);
  PartUrl = FormatText(RequestAddress(IDS_BODY_URL, host.GetBaseUrl(), 1, QStringLiteral("bench")),
                       published.Files[1].FileName);
  OutputFile = folder.filePath("fetched.bin");

  CRatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  QFile::remove(OutputFile);

  const double ours = reporter.Mean("BM_DownloadToFile");
  const double curl = reporter.Mean("BM_curl");
  if (ours > 0 && curl > 0)
    std::printf("DownloadToFile %5.0f MiB/s, curl %5.0f MiB/s, ratio %.3f (ours / curl)\n", ours / (1 << 20),
                curl / (1 << 20), ours / curl);
  return 0;
}
