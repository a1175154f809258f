#include "platform/FileIdentity.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <mutex>

namespace {

constexpr std::int64_t NS_PER_SECOND = 1000000000;
constexpr std::int64_t NS_PER_MS = 1000000;

std::int64_t Nanoseconds(const timespec& time) {
  return static_cast<std::int64_t>(time.tv_sec) * NS_PER_SECOND + time.tv_nsec;
}

// The finest step a stamp can have been taken at, judged by the stamp
// itself: a stamp in whole seconds came from a file system that keeps no
// more. One stamp in a million of a fine file system is taken for coarse,
// which costs a read and nothing else.
std::int64_t Granularity(const timespec& time) {
  for (const std::int64_t step : {NS_PER_SECOND, NS_PER_MS, std::int64_t{1000}})
    if (time.tv_nsec % step == 0) return step;
  return 1;
}

// Floor division: stamps before 1970 are negative.
std::int64_t Tick(std::int64_t ns, std::int64_t step) { return ns / step - (ns % step < 0 ? 1 : 0); }

bool IsOlderThan(const timespec& stamp, std::int64_t takenNs) {
  const std::int64_t step = Granularity(stamp);
  return Tick(Nanoseconds(stamp), step) < Tick(takenNs, step);
}

std::mutex CloseFaultLock;
std::function<bool(const QString&)> CloseFault;

bool IsCloseFaulted(const QString& path) {
  std::function<bool(const QString&)> fault;
  {
    std::lock_guard<std::mutex> guard(CloseFaultLock);
    fault = CloseFault;
  }
  return fault && fault(path);
}

std::int64_t SystemClockNs() {
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  return Nanoseconds(now);
}

}  // namespace

CFileIdentity IdentityOfStatus(const struct stat& info, std::int64_t takenNs) {
  const bool coarse = Granularity(info.st_ctim) >= NS_PER_MS;
  if (coarse || !IsOlderThan(info.st_ctim, takenNs) || !IsOlderThan(info.st_mtim, takenNs)) return CFileIdentity();
  CFileIdentity identity;
  identity.Device = static_cast<std::uint64_t>(info.st_dev);
  identity.Inode = static_cast<std::uint64_t>(info.st_ino);
  identity.Size = static_cast<std::int64_t>(info.st_size);
  identity.ModifiedNs = Nanoseconds(info.st_mtim);
  identity.ChangedNs = Nanoseconds(info.st_ctim);
  return identity;
}

// The clock is read before the status, so that a write in between shows
// as a stamp not older than the moment.
bool ReadFileIdentity(int fd, CFileIdentity& identity) {
  identity = CFileIdentity();
  struct stat info{};
  const std::int64_t taken = SystemClockNs();
  if (fd < 0 || ::fstat(fd, &info) != 0) return false;
  identity = IdentityOfStatus(info, taken);
  return !identity.IsEmpty();
}

bool ReadFileIdentity(const QString& path, CFileIdentity& identity) {
  identity = CFileIdentity();
  struct stat info{};
  const std::int64_t taken = SystemClockNs();
  if (path.isEmpty() || ::lstat(QFile::encodeName(path).constData(), &info) != 0) return false;
  identity = IdentityOfStatus(info, taken);
  return !identity.IsEmpty();
}

CFileIdentity CloseKeepingIdentity(QFile& file, const QString& path, QString* closeError) {
  CFileIdentity open;
  const bool known = file.flush() && ReadFileIdentity(file.handle(), open);
  const bool faulted = IsCloseFaulted(path);
  file.close();
  const bool failed = faulted || file.error() != QFileDevice::NoError;
  if (closeError)
    *closeError = !failed ? QString() : faulted ? QString::fromLocal8Bit(std::strerror(EIO)) : file.errorString();
  CFileIdentity closed;
  if (!known || failed || !ReadFileIdentity(path, closed) || !(closed == open)) return CFileIdentity();
  return closed;
}

void SetCloseFault(std::function<bool(const QString& path)> fault) {
  std::lock_guard<std::mutex> guard(CloseFaultLock);
  CloseFault = std::move(fault);
}
