#pragma once

#include <QString>

#include <cstdint>
#include <deque>
#include <utility>
#include <vector>

class CDownloadList;

// A download as the customer follows it: the bytes of the parts verified,
// plus what the running part holds so far, of all the parts' bytes.
struct CByteProgress {
  std::int64_t Done = 0;
  std::int64_t Total = 0;
  int PartsDone = 0;
  int Parts = 0;
};

// A part being fetched (0: none) and what its file holds.
struct CPartBytes {
  int Part = 0;
  std::int64_t Bytes = 0;
};

// The parts being fetched at once are added to the parts marked. A running
// part already marked counts once, as marked; a part named twice (a lane
// that gave it up and one that took it) counts once, with its larger size.
CByteProgress MeasureDownload(const CDownloadList& list, const std::vector<CPartBytes>& running);
inline CByteProgress MeasureDownload(const CDownloadList& list, int runningPart, std::int64_t runningBytes) {
  return MeasureDownload(list, std::vector<CPartBytes>{{runningPart, runningBytes}});
}

// The bar's position for the progress out of steps (0 when nothing is known).
int ProgressSteps(const CByteProgress& progress, int steps);

// Receiving speed over the last WINDOW_MS, from a counter of bytes received
// that only grows, read at times the caller gives (UI thread).
class CSpeedMeter {
public:
  static constexpr std::int64_t WINDOW_MS = 5000;
  // Less than this between the oldest and newest reading tells no speed yet.
  static constexpr std::int64_t MIN_SPAN_MS = 1000;

  void Add(std::int64_t milliseconds, std::int64_t receivedBytes);
  // Bytes per second; -1 while unknown.
  std::int64_t BytesPerSecond() const;
  void Clear() { Readings.clear(); }

private:
  std::deque<std::pair<std::int64_t, std::int64_t>> Readings;
};

// "12.3 MB of 40.0 MB, 4.1 MB/s" in the current language; without the
// speed while it is unknown (bytesPerSecond < 0).
QString FormatByteProgress(const CByteProgress& progress, std::int64_t bytesPerSecond);
