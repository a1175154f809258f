#pragma once

#include "host/HostFault.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

class CHostWaiter;

// One answer's body on its way out, with the body faults of its request
// applied: a stall or a dropped connection after so many bytes, a flipped
// byte, a byte less or more, a throughput limit. A part file is mapped, and
// its bytes go to the socket in chunks of LARGE_CHUNK_SIZE straight from
// the mapping; a chunk that a fault changes is copied first and is at most
// CHUNK_SIZE long.
// Runs on the server's worker thread that answers the request.
class CHostBodyStream {
public:
  static constexpr std::int64_t CHUNK_SIZE = 102400;
  static constexpr std::int64_t LARGE_CHUNK_SIZE = 1 << 20;
  using CWrite = std::function<bool(const char* data, std::size_t size)>;

  // A body from memory (a list, an error answer) or from a part file.
  CHostBodyStream(const QByteArray& bytes, const std::vector<CHostFault>& faults, CHostWaiter& waiter);
  CHostBodyStream(const QString& path, std::int64_t size, const std::vector<CHostFault>& faults,
                  CHostWaiter& waiter);

  bool Open();  // false when the part file cannot be read
  // The answer starts at this byte of the source (a range); the faults
  // that count the bytes sent count from there, a corrupt byte stays where
  // it is in the source.
  void SetStart(std::int64_t start);
  std::int64_t GetContentLength() const { return ContentLength; }
  std::int64_t GetBytesSent() const { return BytesSent.load(); }

  // Sends the next chunk from offset. False ends the answer and closes the
  // connection: a drop, a write the client did not take, or the host stopping.
  bool Provide(std::int64_t offset, std::int64_t length, const CWrite& write);

private:
  void ApplyFaults(const std::vector<CHostFault>& faults);
  bool ReadSource(std::int64_t offset, char* data, std::int64_t size);

  CHostWaiter& Waiter;
  QByteArray Bytes;
  QFile File;
  bool FromFile = false;
  std::int64_t SourceSize = 0;
  std::int64_t Start = 0;
  std::int64_t ContentLength = 0;
  std::int64_t StallAt = -1;
  int StallMilliseconds = -1;
  bool Stalled = false;
  std::int64_t DropAt = -1;
  std::int64_t CorruptAt = -1;
  std::int64_t BytesPerSecond = 0;
  std::chrono::steady_clock::time_point Started;
  const char* Whole = nullptr;  // the source in memory: the bytes or the mapped file
  std::vector<char> Buffer;
  std::atomic<std::int64_t> BytesSent{0};
};
