#include "install/DiskUtilities.h"

#include "install/DiskEnvironment.h"
#include "install/FolderOperations.h"
#include "log/Log.h"

#include <QDir>

std::uint64_t GetDriveFreeSpace(CLogWriter& logger, const QString& path) {
  if (path.isEmpty() || !QDir::isAbsolutePath(path)) return 0;
  const auto environment = GetDiskEnvironment();
  const QString full = FullyQualifiedPath(path);
  // A path is measured only within its own volume. A folder on a medium
  // that is not mounted any more (a USB stick pulled out) would otherwise
  // be measured at its nearest existing parent: the system disk.
  if (CVolumeTable::IsMediaPath(full) &&
      !CVolumeTable::IsMediaPath(CVolumeTable(environment->ReadMountTable()).VolumeOf(full)))
    return 0;
  CSpaceInfo space;
  if (!environment->QuerySpace(full, space)) return 0;
  LogInfo(logger, "Available space to caller = %llu MB\nTotal space = %llu MB\nFree space on drive = %llu MB\n",
          space.Available >> 20, space.Total >> 20, space.Free >> 20);
  return space.Available;
}

std::vector<CVolume> GetFixedVolumes() {
  const auto environment = GetDiskEnvironment();
  return CVolumeTable(environment->ReadMountTable()).GetFixedVolumes(*environment);
}

QString VolumeOf(const QString& path) {
  return CVolumeTable(GetDiskEnvironment()->ReadMountTable()).VolumeOf(path);
}

QString GetDocumentsFolderPath() {
  const auto environment = GetDiskEnvironment();
  const QString documents = environment->DocumentsLocation();
  if (!documents.isEmpty() && environment->IsFolder(documents)) return documents;
  return GetDesktopFolderPath();
}

QString GetDesktopFolderPath() {
  const auto environment = GetDiskEnvironment();
  const QString desktop = environment->DesktopLocation();
  return !desktop.isEmpty() && environment->IsFolder(desktop) ? desktop : QString();
}
