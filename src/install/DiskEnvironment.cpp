#include "install/DiskEnvironment.h"

#include "install/FolderOperations.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <mutex>

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

std::mutex EnvironmentLock;
std::shared_ptr<const CDiskEnvironment> CurrentEnvironment;  // under EnvironmentLock

QByteArray ReadSmallFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return QByteArray();
  // Files under /proc and /sys report a size of 0: read until the end.
  QByteArray bytes;
  char chunk[4096];
  for (;;) {
    const qint64 got = file.read(chunk, sizeof chunk);
    if (got <= 0) break;
    bytes.append(chunk, got);
  }
  return bytes;
}

}  // namespace

QString CSystemDiskEnvironment::ReadMountTable() const {
  return QString::fromUtf8(ReadSmallFile(QStringLiteral("/proc/self/mounts")));
}

bool CSystemDiskEnvironment::IsRemovableDevice(const QString& device) const {
  // /dev/disk/by-uuid/... and /dev/mapper/... are links to the kernel's name.
  const QString canonical = QFileInfo(device).canonicalFilePath();
  const QString name = QFileInfo(canonical.isEmpty() ? device : canonical).fileName();
  if (name.isEmpty()) return false;
  QString block = QStringLiteral("/sys/class/block/") + name;
  // A partition carries no flag of its own; its disk is the parent folder.
  if (QFileInfo::exists(block + QStringLiteral("/partition")))
    block = QFileInfo(QFileInfo(block).canonicalFilePath()).path();
  return ReadSmallFile(block + QStringLiteral("/removable")).trimmed() == "1";
}

std::uint64_t CSystemDiskEnvironment::DeviceNumberOf(const QString& mountPoint) const {
  struct stat status {};
  if (::stat(QFile::encodeName(mountPoint).constData(), &status) != 0) return 0;
  return static_cast<std::uint64_t>(status.st_dev);
}

QString CSystemDiskEnvironment::HomeFolder() const { return QDir::homePath(); }

bool CSystemDiskEnvironment::IsWritableFolder(const QString& folder) const {
  return QFileInfo(folder).isDir() && ::access(QFile::encodeName(folder).constData(), W_OK | X_OK) == 0;
}

bool CSystemDiskEnvironment::IsFolder(const QString& path) const { return QFileInfo(path).isDir(); }

bool CSystemDiskEnvironment::QuerySpace(const QString& path, CSpaceInfo& space) const {
  QString existing = FullyQualifiedPath(path);
  if (existing.isEmpty() || !QDir::isAbsolutePath(existing)) return false;
  while (!QFileInfo::exists(existing) && existing != QStringLiteral("/")) existing = QFileInfo(existing).path();
  struct statvfs info {};
  if (::statvfs(QFile::encodeName(existing).constData(), &info) != 0) return false;
  const std::uint64_t unit = info.f_frsize ? info.f_frsize : info.f_bsize;
  space.Available = static_cast<std::uint64_t>(info.f_bavail) * unit;
  space.Total = static_cast<std::uint64_t>(info.f_blocks) * unit;
  space.Free = static_cast<std::uint64_t>(info.f_bfree) * unit;
  return true;
}

QString CSystemDiskEnvironment::DocumentsLocation() const {
  return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

QString CSystemDiskEnvironment::DesktopLocation() const {
  return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
}

std::shared_ptr<const CDiskEnvironment> GetDiskEnvironment() {
  std::lock_guard<std::mutex> lock(EnvironmentLock);
  if (!CurrentEnvironment) CurrentEnvironment = std::make_shared<CSystemDiskEnvironment>();
  return CurrentEnvironment;
}

std::shared_ptr<const CDiskEnvironment> SetDiskEnvironment(std::shared_ptr<const CDiskEnvironment> environment) {
  std::lock_guard<std::mutex> lock(EnvironmentLock);
  auto previous = std::move(CurrentEnvironment);
  CurrentEnvironment = std::move(environment);
  return previous;
}
