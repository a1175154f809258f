#include "host/HostBodyStream.h"

#include "host/HostWaiter.h"

#include <algorithm>
#include <cstring>

CHostBodyStream::CHostBodyStream(const QByteArray& bytes, const std::vector<CHostFault>& faults, CHostWaiter& waiter)
    : Waiter(waiter), Bytes(bytes), SourceSize(bytes.size()) {
  ApplyFaults(faults);
}

CHostBodyStream::CHostBodyStream(const QString& path, std::int64_t size, const std::vector<CHostFault>& faults,
                                 CHostWaiter& waiter)
    : Waiter(waiter), File(path), FromFile(true), SourceSize(size) {
  ApplyFaults(faults);
}

void CHostBodyStream::ApplyFaults(const std::vector<CHostFault>& faults) {
  ContentLength = SourceSize;
  for (const CHostFault& fault : faults) {
    switch (fault.Kind) {
      case EHostFaultKind::STALL:
        StallAt = std::max<std::int64_t>(0, fault.AfterBytes);
        StallMilliseconds = fault.Milliseconds;
        break;
      case EHostFaultKind::DROP: DropAt = std::max<std::int64_t>(0, fault.AfterBytes); break;
      case EHostFaultKind::CORRUPT_BYTE: CorruptAt = fault.AfterBytes < 0 ? SourceSize / 2 : fault.AfterBytes; break;
      case EHostFaultKind::SHORT_BODY: ContentLength = std::max<std::int64_t>(0, SourceSize - 1); break;
      case EHostFaultKind::LONG_BODY: ContentLength = SourceSize + 1; break;
      case EHostFaultKind::EMPTY_BODY: ContentLength = 0; break;
      case EHostFaultKind::THROTTLE: BytesPerSecond = std::max<std::int64_t>(1, fault.BytesPerSecond); break;
      default: break;
    }
  }
}

void CHostBodyStream::SetStart(std::int64_t start) {
  const std::int64_t shift = std::clamp<std::int64_t>(start, 0, SourceSize) - Start;
  Start += shift;
  ContentLength = std::max<std::int64_t>(0, ContentLength - shift);
}

bool CHostBodyStream::Open() {
  Started = std::chrono::steady_clock::now();
  Buffer.resize(static_cast<std::size_t>(CHUNK_SIZE));
  if (!FromFile) {
    Whole = Bytes.constData();
    return true;
  }
  if (!File.open(QIODevice::ReadOnly)) return false;
  // A file shorter than the catalog says is read, not mapped, so that its
  // end fails the answer rather than the host.
  if (SourceSize > 0 && File.size() >= SourceSize)
    Whole = reinterpret_cast<const char*>(File.map(0, SourceSize));
  return true;
}

bool CHostBodyStream::ReadSource(std::int64_t offset, char* data, std::int64_t size) {
  // A long body ends in one byte the product does not have.
  const std::int64_t available = std::clamp<std::int64_t>(SourceSize - offset, 0, size);
  if (available < size) std::memset(data + available, '\n', static_cast<std::size_t>(size - available));
  if (available == 0) return true;
  if (Whole) {
    std::memcpy(data, Whole + offset, static_cast<std::size_t>(available));
    return true;
  }
  if (File.pos() != offset && !File.seek(offset)) return false;
  return File.read(data, available) == available;
}

bool CHostBodyStream::Provide(std::int64_t offset, std::int64_t length, const CWrite& write) {
  if (DropAt >= 0 && offset >= DropAt) return false;
  if (StallAt >= 0 && !Stalled && offset >= StallAt) {
    Stalled = true;
    if (!Waiter.Wait(std::chrono::milliseconds(StallMilliseconds), true)) return false;
  }
  std::int64_t size = std::min(Whole ? LARGE_CHUNK_SIZE : CHUNK_SIZE, length);
  if (DropAt > offset) size = std::min(size, DropAt - offset);
  if (StallAt > offset && !Stalled) size = std::min(size, StallAt - offset);
  // Small chunks keep a throttled body smooth: about ten a second.
  if (BytesPerSecond > 0) size = std::min(size, std::max<std::int64_t>(1, BytesPerSecond / 10));
  if (size <= 0) return true;

  // Paced before each chunk, so the body is never ahead of the limit by
  // more than one chunk and nothing waits after the last byte.
  if (BytesPerSecond > 0) {
    const auto due = Started + std::chrono::milliseconds(offset * 1000 / BytesPerSecond);
    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(due - std::chrono::steady_clock::now());
    if (wait.count() > 0 && !Waiter.Wait(wait)) return false;
  }
  const std::int64_t source = Start + offset;
  const char* data = nullptr;
  const bool changed = (CorruptAt >= source && CorruptAt < source + size) || source + size > SourceSize;
  if (Whole && !changed) {
    data = Whole + source;
  } else {
    size = std::min(size, CHUNK_SIZE);
    char* copy = Buffer.data();
    if (!ReadSource(source, copy, size)) return false;
    if (CorruptAt >= source && CorruptAt < source + size) copy[CorruptAt - source] ^= 0x5A;
    data = copy;
  }
  if (!write(data, static_cast<std::size_t>(size))) return false;
  BytesSent.fetch_add(size);
  return true;
}
