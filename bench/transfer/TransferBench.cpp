// DownloadToFile against the curl command line, side by side in one run:
// both fetch the same 1 GiB part from the loopback host with the same POST
// body into a file, logging off. The ratio at the end is our throughput
// over curl's. The part is read once first so both are served from the
// page cache; each fetched file is deleted before the next fetch.

#include "host/LoopbackHost.h"
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
constexpr qint64 CHUNK = 102400;

QString PartUrl;
QString OutputFile;

bool WriteProduct(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return false;
  QByteArray chunk(CHUNK, Qt::Uninitialized);
  std::uint64_t state = 0x2545f4914f6cdd1dull;
  for (qint64 written = 0; written < BODY_SIZE; written += chunk.size()) {
    auto* words = reinterpret_cast<std::uint64_t*>(chunk.data());
    for (qsizetype i = 0; i < chunk.size() / 8; ++i) {
      state ^= state << 13;
      state ^= state >> 7;
      state ^= state << 17;
      words[i] = state;
    }
    const qint64 size = std::min<qint64>(chunk.size(), BODY_SIZE - written);
    if (file.write(chunk.constData(), size) != size) return false;
  }
  return true;
}

void WarmPageCache(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) return;
  const auto chunk = std::make_unique<char[]>(1 << 20);
  while (file.read(chunk.get(), 1 << 20) > 0) {
  }
}

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

// Adds up each benchmark's throughput over its runs for the ratio.
class CRatioReporter : public benchmark::ConsoleReporter {
public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      const auto found = run.counters.find("bytes_per_second");
      if (found == run.counters.end()) continue;
      Rates[run.run_name.function_name] += found->second.value;
      ++Counts[run.run_name.function_name];
    }
    ConsoleReporter::ReportRuns(runs);
  }
  double Mean(const std::string& name) { return Counts[name] ? Rates[name] / Counts[name] : 0.0; }

private:
  std::map<std::string, double> Rates;
  std::map<std::string, int> Counts;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  QTemporaryDir folder;
  if (!folder.isValid()) {
    std::fprintf(stderr, "cannot make a temporary folder\n");
    return 1;
  }
  const QString product = folder.filePath("bench-product.bin");
  if (!WriteProduct(product)) {
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
