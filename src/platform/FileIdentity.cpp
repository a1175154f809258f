#include "platform/FileIdentity.h"

#include <QFile>

#include <sys/stat.h>

namespace {

bool FromStat(const struct stat& info, CFileIdentity& identity) {
  identity.Device = static_cast<std::uint64_t>(info.st_dev);
  identity.Inode = static_cast<std::uint64_t>(info.st_ino);
  identity.Size = static_cast<std::int64_t>(info.st_size);
  identity.ModifiedNs = static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
  identity.ChangedNs = static_cast<std::int64_t>(info.st_ctim.tv_sec) * 1000000000 + info.st_ctim.tv_nsec;
  return true;
}

}  // namespace

bool ReadFileIdentity(int fd, CFileIdentity& identity) {
  identity = CFileIdentity();
  struct stat info{};
  return fd >= 0 && ::fstat(fd, &info) == 0 && FromStat(info, identity);
}

bool ReadFileIdentity(const QString& path, CFileIdentity& identity) {
  identity = CFileIdentity();
  struct stat info{};
  return !path.isEmpty() && ::lstat(QFile::encodeName(path).constData(), &info) == 0 && FromStat(info, identity);
}

CFileIdentity CloseKeepingIdentity(QFile& file, const QString& path) {
  CFileIdentity open;
  const bool known = file.flush() && ReadFileIdentity(file.handle(), open);
  file.close();
  CFileIdentity closed;
  if (!known || file.error() != QFileDevice::NoError || !ReadFileIdentity(path, closed) || !(closed == open))
    return CFileIdentity();
  return closed;
}
