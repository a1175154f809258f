#include "install/VolumeTable.h"

#include "install/DiskEnvironment.h"
#include "install/FolderOperations.h"

#include <QRegularExpression>
#include <QStringList>

#include <algorithm>

namespace {

// The mount table writes blanks, tabs, line feeds and backslashes in names
// as three octal digits after a backslash.
QString DecodeMountField(const QString& field) {
  QString out;
  out.reserve(field.size());
  for (qsizetype i = 0; i < field.size(); ++i) {
    if (field[i] == QLatin1Char('\\') && i + 3 < field.size()) {
      bool ok = false;
      const int code = field.mid(i + 1, 3).toInt(&ok, 8);
      if (ok && code < 256) {
        out += QChar(code);
        i += 3;
        continue;
      }
    }
    out += field[i];
  }
  return out;
}

bool IsSameOrBelow(const QString& path, const QString& folder) {
  if (folder == QLatin1String("/")) return path.startsWith(QLatin1Char('/'));
  return path == folder || path.startsWith(folder + QLatin1Char('/'));
}

// Media that the desktop mounts for the user are removable whatever the
// device says.
bool IsMediaMountPoint(const QString& mountPoint) {
  return IsSameOrBelow(mountPoint, QStringLiteral("/media")) || IsSameOrBelow(mountPoint, QStringLiteral("/run/media"));
}

}  // namespace

bool CVolumeTable::IsMediaPath(const QString& path) { return IsMediaMountPoint(path); }

CVolumeTable::CVolumeTable(const QString& mountTableText) {
  for (const QString& line : mountTableText.split(QLatin1Char('\n'))) {
    static const QRegularExpression BLANKS(QStringLiteral("[ \t]+"));
    const QStringList fields = line.split(BLANKS, Qt::SkipEmptyParts);
    if (fields.size() < 4) continue;
    CMountEntry mount;
    mount.Device = DecodeMountField(fields[0]);
    mount.MountPoint = FullyQualifiedPath(DecodeMountField(fields[1]));
    mount.FileSystem = fields[2];
    mount.ReadOnly = fields[3].split(QLatin1Char(',')).contains(QStringLiteral("ro"));
    if (!fields[1].startsWith(QLatin1Char('/'))) continue;
    auto same = std::find_if(Mounts.begin(), Mounts.end(),
                             [&](const CMountEntry& m) { return m.MountPoint == mount.MountPoint; });
    if (same != Mounts.end()) Mounts.erase(same);
    Mounts.push_back(mount);
  }
  std::stable_sort(Mounts.begin(), Mounts.end(),
                   [](const CMountEntry& a, const CMountEntry& b) { return a.MountPoint < b.MountPoint; });
}

QString CVolumeTable::VolumeOf(const QString& path) const {
  if (path.isEmpty() || !path.startsWith(QLatin1Char('/'))) return QString();
  const QString full = FullyQualifiedPath(path);
  QString best;
  for (const CMountEntry& mount : Mounts)
    if (IsSameOrBelow(full, mount.MountPoint) && mount.MountPoint.size() > best.size()) best = mount.MountPoint;
  return best;
}

bool CVolumeTable::IsLocalDiskFileSystem(const CMountEntry& mount) {
  static const QStringList NOT_ON_A_LOCAL_DISK = {
      "tmpfs", "devtmpfs", "ramfs", "proc", "sysfs", "overlay", "squashfs", "iso9660", "udf",
      "nfs", "nfs4", "cifs", "smb3", "smbfs", "9p", "afs", "ceph", "glusterfs", "davfs", "autofs"};
  // Disk file systems whose source need not be a device node: a ZFS dataset
  // is named "pool/ROOT/debian", a btrfs subvolume may show its own source.
  static const QStringList ON_A_LOCAL_DISK = {
      "ext2", "ext3", "ext4", "xfs", "btrfs", "zfs", "f2fs", "jfs", "reiserfs", "reiser4", "nilfs2",
      "bcachefs", "hfsplus", "apfs", "vfat", "exfat", "ntfs", "ntfs3", "fuseblk"};
  if (NOT_ON_A_LOCAL_DISK.contains(mount.FileSystem)) return false;
  if (ON_A_LOCAL_DISK.contains(mount.FileSystem)) return true;
  if (!mount.Device.startsWith(QStringLiteral("/dev/"))) return false;
  // FUSE file systems are remote or virtual, except those on a block device.
  if (mount.FileSystem.startsWith(QStringLiteral("fuse"))) return false;
  return true;
}

std::vector<CVolume> CVolumeTable::GetFixedVolumes(const CDiskEnvironment& environment) const {
  const QString home = FullyQualifiedPath(environment.HomeFolder());
  const QString homeVolume = VolumeOf(home);
  std::vector<CVolume> volumes;
  std::vector<std::uint64_t> listedDevices;
  // A bind mount of a folder of a listed volume is that volume again: it is
  // listed once, under the mount point that came first.
  const auto listOnce = [&](const CMountEntry& mount, const QString& baseFolder) {
    const std::uint64_t device = environment.DeviceNumberOf(mount.MountPoint);
    if (device != 0 && std::find(listedDevices.begin(), listedDevices.end(), device) != listedDevices.end()) return;
    if (device != 0) listedDevices.push_back(device);
    volumes.push_back(CVolume{mount.MountPoint, mount.Device, baseFolder});
  };
  const CMountEntry* homeMount = nullptr;
  for (const CMountEntry& mount : Mounts) {
    const bool holdsHome = !home.isEmpty() && mount.MountPoint == homeVolume;
    if (holdsHome) homeMount = &mount;
    if (!IsLocalDiskFileSystem(mount) || mount.ReadOnly || IsMediaMountPoint(mount.MountPoint)) continue;
    if (environment.IsRemovableDevice(mount.Device)) continue;
    const QString baseFolder = holdsHome ? home : mount.MountPoint;
    if (!environment.IsWritableFolder(baseFolder)) continue;
    listOnce(mount, baseFolder);
  }
  // Wherever the customer has a home to write in (an overlay root in a
  // container, a home on the network), the default folder must work there.
  const bool homeListed = std::any_of(volumes.begin(), volumes.end(),
                                      [&](const CVolume& volume) { return volume.MountPoint == homeVolume; });
  if (homeMount && !homeListed && environment.IsWritableFolder(home)) {
    listOnce(*homeMount, home);
    std::stable_sort(volumes.begin(), volumes.end(),
                     [](const CVolume& a, const CVolume& b) { return a.MountPoint < b.MountPoint; });
  }
  return volumes;
}
