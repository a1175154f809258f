#pragma once

#include <QString>

#include <vector>

class CDiskEnvironment;

struct CMountEntry {
  QString Device;
  QString MountPoint;
  QString FileSystem;
  bool ReadOnly = false;
};

// A fixed volume the user can save to, the counterpart of a fixed drive.
struct CVolume {
  QString MountPoint;
  QString Device;
  QString BaseFolder;  // the home folder on its volume, else the mount point
};

// The mounted file systems, read from the text of a mount table in the
// format of /proc/self/mounts. A later mount on the same mount point hides
// the earlier one, as it does on the machine.
class CVolumeTable {
public:
  explicit CVolumeTable(const QString& mountTableText);

  // The visible mounts in the order of their mount points.
  const std::vector<CMountEntry>& GetMounts() const { return Mounts; }

  // The mount point of the mount that holds an absolute path: the longest
  // mount point that is the path or one of its parents. Empty for an empty
  // or relative path.
  QString VolumeOf(const QString& path) const;

  // Local, writable, fixed volumes whose base folder the user may write to,
  // in the order of their mount points.
  std::vector<CVolume> GetFixedVolumes(const CDiskEnvironment& environment) const;

  // Backed by a local block device and neither in memory, on the network,
  // an image nor an optical disc.
  static bool IsLocalDiskFileSystem(const CMountEntry& mount);
  // In the folders where the desktop mounts removable media (/media,
  // /run/media), or one of them.
  static bool IsMediaPath(const QString& path);

private:
  std::vector<CMountEntry> Mounts;
};
