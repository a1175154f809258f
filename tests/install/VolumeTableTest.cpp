#include "install/DiskUtilities.h"
#include "install/VolumeTable.h"

#include "support/FakeDiskEnvironment.h"
#include "support/QtPrint.h"

#include <gtest/gtest.h>

namespace {

const char* const MACHINE =
    "proc /proc proc rw,nosuid,nodev,noexec,relatime 0 0\n"
    "/dev/sda2 / ext4 rw,relatime 0 0\n"
    "/dev/sda3 /home ext4 rw,relatime 0 0\n"
    "tmpfs /tmp tmpfs rw,nosuid,nodev 0 0\n"
    "server:/export /mnt/nfs nfs4 rw,relatime,vers=4.2 0 0\n"
    "/dev/sdb1 /mnt/stick vfat rw,relatime 0 0\n"
    "/dev/sdc1 /media/user/CARD exfat rw,relatime 0 0\n"
    "/dev/sdd1 /srv/archive ext4 ro,relatime 0 0\n"
    "/dev/sr0 /mnt/dvd iso9660 ro 0 0\n"
    "/dev/loop3 /snap/core/1 squashfs ro 0 0\n"
    "user@host:/ /mnt/ssh fuse.sshfs rw 0 0\n"
    "overlay /var/lib/containers overlay rw 0 0\n";

std::vector<QString> MountPoints(const std::vector<CVolume>& volumes) {
  std::vector<QString> points;
  for (const CVolume& volume : volumes) points.push_back(volume.MountPoint);
  return points;
}

TEST(VolumeTable, OnlyLocalWritableFixedVolumesInMountPointOrder) {
  CFakeDiskEnvironment machine;
  machine.RemovableDevices = {"/dev/sdb1"};
  machine.Home = "/home/ann";
  const auto volumes = CVolumeTable(MACHINE).GetFixedVolumes(machine);
  ASSERT_EQ(MountPoints(volumes), (std::vector<QString>{"/", "/home"}));
  EXPECT_EQ(volumes[0].BaseFolder, "/");
  EXPECT_EQ(volumes[0].Device, "/dev/sda2");
  EXPECT_EQ(volumes[1].BaseFolder, "/home/ann");
}

// Machines where the device-node rule alone found nowhere to save.
TEST(VolumeTable, ZfsRootsBindMountsAndAHomeOnAnOverlay) {
  CFakeDiskEnvironment machine;
  machine.Home = "/home/ann";
  machine.MountTable =
      "rpool/ROOT/debian / zfs rw,relatime,xattr,noacl 0 0\n"
      "rpool/home /home zfs rw,relatime 0 0\n"
      "/dev/sdb1 /data ext4 rw 0 0\n"
      "/dev/sdb1 /srv/data ext4 rw 0 0\n";  // a bind mount of /data/export
  machine.DeviceNumbers = {{"/", 40}, {"/home", 41}, {"/data", 42}, {"/srv/data", 42}};
  auto volumes = CVolumeTable(machine.MountTable).GetFixedVolumes(machine);
  EXPECT_EQ(MountPoints(volumes), (std::vector<QString>{"/", "/data", "/home"}));

  machine.MountTable = "overlay / overlay rw,lowerdir=/l,upperdir=/u,workdir=/w 0 0\n"
                       "tmpfs /tmp tmpfs rw 0 0\n";
  machine.Home = "/root";
  volumes = CVolumeTable(machine.MountTable).GetFixedVolumes(machine);
  ASSERT_EQ(MountPoints(volumes), (std::vector<QString>{"/"}));
  EXPECT_EQ(volumes[0].BaseFolder, "/root");
  machine.UnwritableFolders = {"/root"};
  EXPECT_TRUE(CVolumeTable(machine.MountTable).GetFixedVolumes(machine).empty()) << "only where the user can write";

  machine.UnwritableFolders = {};
  machine.MountTable = "/dev/sda2 / ext4 rw 0 0\nserver:/home /home nfs4 rw 0 0\n";
  machine.Home = "/home/ann";
  volumes = CVolumeTable(machine.MountTable).GetFixedVolumes(machine);
  ASSERT_EQ(MountPoints(volumes), (std::vector<QString>{"/", "/home"}));
  EXPECT_EQ(volumes[1].BaseFolder, "/home/ann");
}

TEST(VolumeTable, BaseFoldersAndWhatLeavesAVolumeOut) {
  const struct {
    const char* Name;
    QString Table;
    QStringList Unwritable;
    std::vector<QString> Expected;
  } cases[] = {
      {"the home folder on the root volume", "/dev/sda2 / ext4 rw 0 0\n", {"/"}, {"/"}},
      {"an unwritable base folder", "/dev/sda2 / ext4 rw 0 0\n/dev/sdd1 /data xfs rw 0 0\n", {"/data"}, {"/"}},
      {"a later mount hides the earlier one",
       "/dev/sda2 / ext4 rw 0 0\n/dev/sdd1 /data xfs rw 0 0\ntmpfs /data tmpfs rw 0 0\n", {}, {"/"}},
      {"blanks in a mount point and FUSE on a disk",
       "/dev/sda2 / ext4 rw 0 0\n/dev/sde1 /mnt/My\\040Disk fuseblk rw 0 0\n", {}, {"/", "/mnt/My Disk"}},
      {"the desktop's removable media", "/dev/sda2 / ext4 rw 0 0\n/dev/sdf1 /run/media/ann/X ext4 rw 0 0\n", {}, {"/"}},
      {"a mount point only named like /media", "/dev/sda2 / ext4 rw 0 0\n/dev/sdf1 /mediafiles ext4 rw 0 0\n",
       {}, {"/", "/mediafiles"}},
      {"no table", "", {}, {}},
      {"garbage lines", "nonsense\n\n/dev/sda2\n/dev/sda2 relative ext4 rw 0 0\n", {}, {}},
  };
  for (const auto& c : cases) {
    CFakeDiskEnvironment machine;
    machine.Home = "/home/ann";
    machine.UnwritableFolders = c.Unwritable;
    const auto volumes = CVolumeTable(c.Table).GetFixedVolumes(machine);
    EXPECT_EQ(MountPoints(volumes), c.Expected) << c.Name;
    // The home folder is the base of the volume that holds it.
    for (const CVolume& volume : volumes)
      EXPECT_EQ(volume.BaseFolder, volume.MountPoint == "/" ? "/home/ann" : volume.MountPoint) << c.Name;
  }
}

TEST(VolumeTable, VolumeOfTakesTheLongestMountPointOnWholeComponents) {
  const CVolumeTable table(
      "/dev/sda2 / ext4 rw 0 0\n/dev/sda3 /home ext4 rw 0 0\n/dev/sdd1 /home/ann/big xfs rw 0 0\n"
      "tmpfs /tmp tmpfs rw 0 0\n");
  const struct {
    QString Path;
    QString Expected;
  } cases[] = {
      {"/", "/"},
      {"/usr/share", "/"},
      {"/home", "/home"},
      {"/home/", "/home"},
      {"/homework", "/"},
      {"/home/ann/big", "/home/ann/big"},
      {"/home/ann/big/x/y", "/home/ann/big"},
      {"/home/ann/bigger", "/home"},
      {"/home/ann/big/../x", "/home"},
      {"/tmp/../home/./ann", "/home"},
      {"relative/path", ""},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(table.VolumeOf(c.Path), c.Expected) << c.Path.toStdString();
  EXPECT_EQ(CVolumeTable("").VolumeOf("/x"), "");
}

TEST(VolumeTable, UtilitiesAskTheInstalledMachine) {
  CDiskEnvironmentScope machine(std::make_shared<CFakeDiskEnvironment>());
  machine->MountTable = MACHINE;
  machine->RemovableDevices = {"/dev/sdb1"};
  EXPECT_EQ(MountPoints(GetFixedVolumes()), (std::vector<QString>{"/", "/home"}));
  EXPECT_EQ(VolumeOf("/mnt/nfs/a"), "/mnt/nfs");
}

}  // namespace
