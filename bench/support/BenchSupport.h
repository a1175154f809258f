#pragma once

// What the side-by-side benchmarks share: a large file of random bytes
// written in 100 KiB chunks, a read that puts it in the page cache, and a
// reporter that keeps each benchmark's mean throughput for the ratio.

#include <QByteArray>
#include <QFile>
#include <QString>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>

inline bool WriteRandomFile(const QString& path, qint64 size) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return false;
  QByteArray chunk(102400, Qt::Uninitialized);
  std::uint64_t state = 0x9e3779b97f4a7c15ull;
  for (qint64 written = 0; written < size; written += chunk.size()) {
    auto* words = reinterpret_cast<std::uint64_t*>(chunk.data());
    for (qsizetype i = 0; i < chunk.size() / 8; ++i) {
      state ^= state << 13;
      state ^= state >> 7;
      state ^= state << 17;
      words[i] = state;
    }
    const qint64 part = std::min<qint64>(chunk.size(), size - written);
    if (file.write(chunk.constData(), part) != part) return false;
  }
  return true;
}

inline void WarmPageCache(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) return;
  const auto chunk = std::make_unique<char[]>(1 << 20);
  while (file.read(chunk.get(), 1 << 20) > 0) {
  }
}

// Means a counter ("bytes_per_second", ...) over every run of a benchmark
// function, so benchmarks registered more than once are averaged.
class CRatioReporter : public benchmark::ConsoleReporter {
public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      for (const auto& [name, counter] : run.counters) {
        auto& sum = Sums[{run.run_name.function_name, name}];
        sum.first += counter.value;
        ++sum.second;
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }

  double Mean(const std::string& function, const std::string& counter = "bytes_per_second") const {
    const auto found = Sums.find({function, counter});
    return found == Sums.end() || found->second.second == 0 ? 0.0 : found->second.first / found->second.second;
  }

private:
  std::map<std::pair<std::string, std::string>, std::pair<double, int>> Sums;
};
