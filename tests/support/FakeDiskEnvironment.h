#pragma once

#include "install/DiskEnvironment.h"
#include "install/VolumeTable.h"

#include <QFileInfo>
#include <QHash>
#include <QStringList>

#include <map>
#include <memory>

// A machine for the disk utilities, set up by the test: its mount table,
// which devices are removable, which folders the user may not write to and
// the space on each mount point. Space queries are answered by the volume
// that holds the path, so the paths need not exist.
class CFakeDiskEnvironment : public CDiskEnvironment {
public:
  QString MountTable;
  QStringList RemovableDevices;
  // By mount point; a mount point not given is a file system of its own.
  std::map<QString, std::uint64_t> DeviceNumbers;
  QString Home = QStringLiteral("/home/user");
  QStringList UnwritableFolders;  // every other folder counts as writable
  std::map<QString, CSpaceInfo> Space;  // by mount point; others fail
  QString Documents;
  QString Desktop;
  QStringList Folders;  // folders that exist besides the real ones

  QString ReadMountTable() const override { return MountTable; }
  bool IsRemovableDevice(const QString& device) const override { return RemovableDevices.contains(device); }
  std::uint64_t DeviceNumberOf(const QString& mountPoint) const override {
    const auto found = DeviceNumbers.find(mountPoint);
    return found != DeviceNumbers.end() ? found->second : qHash(mountPoint) | (std::uint64_t{1} << 63);
  }
  QString HomeFolder() const override { return Home; }
  bool IsWritableFolder(const QString& folder) const override { return !UnwritableFolders.contains(folder); }
  bool IsFolder(const QString& path) const override { return Folders.contains(path) || QFileInfo(path).isDir(); }
  bool QuerySpace(const QString& path, CSpaceInfo& space) const override {
    const auto found = Space.find(CVolumeTable(MountTable).VolumeOf(path));
    if (found == Space.end()) return false;
    space = found->second;
    return true;
  }
  QString DocumentsLocation() const override { return Documents; }
  QString DesktopLocation() const override { return Desktop; }
};

// Installs a fake machine for the life of the scope.
class CDiskEnvironmentScope {
public:
  explicit CDiskEnvironmentScope(std::shared_ptr<CFakeDiskEnvironment> environment)
      : Environment(std::move(environment)), Previous(SetDiskEnvironment(Environment)) {}
  ~CDiskEnvironmentScope() { SetDiskEnvironment(Previous); }
  CDiskEnvironmentScope(const CDiskEnvironmentScope&) = delete;
  CDiskEnvironmentScope& operator=(const CDiskEnvironmentScope&) = delete;

  CFakeDiskEnvironment& operator*() const { return *Environment; }
  CFakeDiskEnvironment* operator->() const { return Environment.get(); }

private:
  std::shared_ptr<CFakeDiskEnvironment> Environment;
  std::shared_ptr<const CDiskEnvironment> Previous;
};
