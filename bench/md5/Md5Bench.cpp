// Our MD5 against the system's md5sum on the same 1 GiB file, side by side
// in one run. The file is read once first so both hash from the page cache;
// the ratio at the end is our throughput over md5sum's.

#include "support/BenchSupport.h"
#include "transfer/MD5Digest.h"

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>

namespace {

constexpr qint64 FILE_SIZE = qint64{1} << 30;
QString BenchFile;
QString OurDigest;
QString SystemDigest;

// CPU seconds of this process or of its finished children. The machine may
// be busy with other work; CPU time shows the cost of hashing itself.
double CpuSeconds(int who) {
  rusage usage{};
  getrusage(who, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void SetCpuRate(benchmark::State& state, double cpuSeconds) {
  if (cpuSeconds > 0) state.counters["cpu_bytes_per_second"] = static_cast<double>(state.iterations() * FILE_SIZE) / cpuSeconds;
}

void BM_CMD5Digest(benchmark::State& state) {
  CMD5Digest md5;
  const double cpuBefore = CpuSeconds(RUSAGE_SELF);
  for (auto _ : state) {
    CMD5Digest::Digest digest;
    if (!md5.HashFile(BenchFile, digest)) state.SkipWithError("cannot read the file");
    OurDigest = CMD5Digest::ToHexText(digest);
  }
  SetCpuRate(state, CpuSeconds(RUSAGE_SELF) - cpuBefore);
  state.SetBytesProcessed(state.iterations() * FILE_SIZE);
}

void BM_md5sum(benchmark::State& state) {
  const double cpuBefore = CpuSeconds(RUSAGE_CHILDREN);
  for (auto _ : state) {
    QProcess process;
    process.start("md5sum", {BenchFile});
    if (!process.waitForFinished(-1) || process.exitCode() != 0) state.SkipWithError("md5sum failed");
    SystemDigest = QString::fromLatin1(process.readAllStandardOutput().left(32));
  }
  SetCpuRate(state, CpuSeconds(RUSAGE_CHILDREN) - cpuBefore);
  state.SetBytesProcessed(state.iterations() * FILE_SIZE);
}

BENCHMARK(BM_CMD5Digest)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_md5sum)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  QTemporaryDir folder;
  if (!folder.isValid()) {
    std::fprintf(stderr, "cannot make a temporary folder\n");
    return 1;
  }
  BenchFile = folder.filePath("md5-bench.bin");
  if (!WriteRandomFile(BenchFile, FILE_SIZE)) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(BenchFile));
    return 1;
  }
  WarmPageCache(BenchFile);

  CRatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  QFile::remove(BenchFile);

  if (OurDigest != SystemDigest) {
    std::printf("DIGESTS DIFFER: ours %s, md5sum %s\n", qPrintable(OurDigest), qPrintable(SystemDigest));
    return 1;
  }
  for (const char* counter : {"bytes_per_second", "cpu_bytes_per_second"}) {
    const double ours = reporter.Mean("BM_CMD5Digest", counter);
    const double system = reporter.Mean("BM_md5sum", counter);
    if (ours > 0 && system > 0)
      std::printf("%-22s CMD5Digest %5.0f MiB/s, md5sum %5.0f MiB/s, ratio %.3f (ours / md5sum)\n",
                  counter[0] == 'c' ? "per CPU second:" : "per wall-clock second:", ours / (1 << 20),
                  system / (1 << 20), ours / system);
  }
  return 0;
}
