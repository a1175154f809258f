#include "pages/DownloadProgress.h"

#include "list/DownloadList.h"
#include "res/ResourceIds.h"
#include "res/Strings.h"

#include <algorithm>

namespace {

constexpr std::int64_t KIB = 1024;
constexpr std::int64_t MIB = 1024 * KIB;
constexpr std::int64_t GIB = 1024 * MIB;

// Cut, not rounded, to the digits shown: the done side never shows the
// total before the last byte is in.
QString Amount(std::int64_t bytes) {
  bytes = std::max<std::int64_t>(bytes, 0);
  if (bytes < MIB) return QStringLiteral("%1 KB").arg(bytes / KIB);
  if (bytes < GIB) {
    const std::int64_t tenths = bytes * 10 / MIB;
    return QStringLiteral("%1.%2 MB").arg(tenths / 10).arg(tenths % 10);
  }
  const std::int64_t hundredths = bytes / GIB * 100 + bytes % GIB * 100 / GIB;
  return QStringLiteral("%1.%2 GB").arg(hundredths / 100).arg(hundredths % 100, 2, 10, QLatin1Char('0'));
}

}  // namespace

CByteProgress MeasureDownload(const CDownloadList& list, const std::vector<CPartBytes>& running) {
  CByteProgress progress;
  const int count = list.GetDownloadEntryCount();
  for (int i = 1; i < count; ++i) {
    const CDownloadEntry* entry = list.GetDownloadEntry(i);
    if (!entry) continue;
    const std::int64_t size = std::max<std::int64_t>(entry->Size, 0);
    ++progress.Parts;
    progress.Total += size;
    if (entry->IsDownloaded.load() != 0) {
      ++progress.PartsDone;
      progress.Done += size;
    } else {
      std::int64_t bytes = 0;
      for (const CPartBytes& part : running)
        if (part.Part == i) bytes = std::max(bytes, std::clamp<std::int64_t>(part.Bytes, 0, size));
      progress.Done += bytes;
    }
  }
  return progress;
}

int ProgressSteps(const CByteProgress& progress, int steps) {
  if (progress.Total <= 0) return 0;
  // Split so that neither side overflows on sizes past 2^53.
  const double share = static_cast<double>(progress.Done) / static_cast<double>(progress.Total);
  return std::clamp(static_cast<int>(share * steps), 0, steps);
}

void CSpeedMeter::Add(std::int64_t milliseconds, std::int64_t receivedBytes) {
  Readings.emplace_back(milliseconds, receivedBytes);
  // The oldest reading kept is the last one at least a window old, so the
  // span never falls short of the window once it has been reached.
  while (Readings.size() > 2 && milliseconds - Readings[1].first >= WINDOW_MS) Readings.pop_front();
}

std::int64_t CSpeedMeter::BytesPerSecond() const {
  if (Readings.size() < 2) return -1;
  const auto& [firstMs, firstBytes] = Readings.front();
  const auto& [lastMs, lastBytes] = Readings.back();
  const std::int64_t span = lastMs - firstMs;
  if (span < MIN_SPAN_MS) return -1;
  return std::max<std::int64_t>(lastBytes - firstBytes, 0) * 1000 / span;
}

QString FormatByteProgress(const CByteProgress& progress, std::int64_t bytesPerSecond) {
  if (bytesPerSecond < 0) return FormatString(IDS_BYTES_OF, Amount(progress.Done), Amount(progress.Total));
  return FormatString(IDS_BYTES_OF_AT, Amount(progress.Done), Amount(progress.Total), Amount(bytesPerSecond));
}
