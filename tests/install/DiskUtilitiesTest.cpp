#include "install/DiskEnvironment.h"
#include "install/DiskUtilities.h"
#include "install/FolderOperations.h"

#include "support/FakeDiskEnvironment.h"
#include "support/MemoryLog.h"
#include "support/QtPrint.h"
#include "support/TempFolder.h"

#include <QDir>

#include <gtest/gtest.h>

namespace {

TEST(DiskUtilities, FreeSpaceOfTheVolumeThatHoldsThePath) {
  CDiskEnvironmentScope machine(std::make_shared<CFakeDiskEnvironment>());
  machine->MountTable = "/dev/sda2 / ext4 rw 0 0\n/dev/sdd1 /data xfs rw 0 0\n"
                        "/dev/sdb1 /media/user/STICK vfat rw 0 0\n/dev/sde1 /broken ext4 rw 0 0\n";
  machine->Space["/data"] = {(5ull << 30) + 12345, 8ull << 40, (6ull << 30) + 999};
  machine->Space["/media/user/STICK"] = machine->Space["/data"];
  machine->Space["/"] = {1ull << 40, 2ull << 40, 1ull << 40};  // the system disk, not a pulled-out stick's
  const struct {
    QString Path;
    std::uint64_t Expected;
    bool Logged;
  } cases[] = {
      {"/data/not/yet/there", (5ull << 30) + 12345, true},
      {"/data", (5ull << 30) + 12345, true},
      {"/broken/usr", 0, false},  // the query fails
      {"", 0, false},
      {"data/relative", 0, false},
      {"/media/user/STICK/Parcel2", (5ull << 30) + 12345, true},
      {"/media/user/OLD/Parcel2", 0, false},  // that medium is not mounted: its mount point is on /
      {"/run/media/user/OLD/Parcel2", 0, false},
  };
  for (const auto& c : cases) {
    CMemoryLog log;
    EXPECT_EQ(GetDriveFreeSpace(log, c.Path), c.Expected) << c.Path.toStdString();
    const QStringList expectedLines = c.Logged ? QStringList{
        "INFOM Available space to caller = 5120 MB\nTotal space = 8388608 MB\nFree space on drive = 6144 MB\n"}
                                               : QStringList{};
    EXPECT_EQ(log.GetLines(), expectedLines) << c.Path.toStdString();
  }
}

TEST(DiskUtilities, TheSystemMeasuresAMissingPathAtItsNearestParent) {
  CTempFolder temp;
  CSystemDiskEnvironment system;
  CSpaceInfo parent;
  CSpaceInfo missing;
  ASSERT_TRUE(system.QuerySpace(temp.Path(), parent));
  ASSERT_TRUE(system.QuerySpace(temp.File("a/b/c"), missing));
  EXPECT_GT(parent.Total, 0u);
  EXPECT_EQ(missing.Total, parent.Total);
  EXPECT_LE(missing.Available, missing.Free);
  EXPECT_FALSE(system.QuerySpace("", missing));
  EXPECT_FALSE(system.IsRemovableDevice("/dev/no-such-device"));
  EXPECT_TRUE(system.IsWritableFolder(temp.Path()));
  EXPECT_FALSE(system.IsWritableFolder(temp.File("missing")));
  EXPECT_FALSE(CVolumeTable(system.ReadMountTable()).VolumeOf(temp.Path()).isEmpty());
}

TEST(DiskUtilities, DocumentsFallBackToTheDesktopThenToNothing) {
  const struct {
    const char* Name;
    QString Documents;
    QString Desktop;
    QString ExpectedDocuments;
    QString ExpectedDesktop;
  } cases[] = {
      {"both there", "/home/ann/Documents", "/home/ann/Desktop", "/home/ann/Documents", "/home/ann/Desktop"},
      {"no documents", "", "/home/ann/Desktop", "/home/ann/Desktop", "/home/ann/Desktop"},
      {"documents missing", "/home/ann/Gone", "/home/ann/Desktop", "/home/ann/Desktop", "/home/ann/Desktop"},
      {"neither", "", "", "", ""},
      {"desktop missing", "/home/ann/Gone", "/home/ann/AlsoGone", "", ""},
  };
  for (const auto& c : cases) {
    CDiskEnvironmentScope machine(std::make_shared<CFakeDiskEnvironment>());
    machine->Folders = {"/home/ann/Documents", "/home/ann/Desktop"};
    machine->Documents = c.Documents;
    machine->Desktop = c.Desktop;
    EXPECT_EQ(GetDocumentsFolderPath(), c.ExpectedDocuments) << c.Name;
    EXPECT_EQ(GetDesktopFolderPath(), c.ExpectedDesktop) << c.Name;
  }
}

TEST(FolderOperations, StatusGivesTheFolderBitAndTheFullName) {
  CTempFolder temp;
  temp.Write("file.bin", "x");
  QDir().mkdir(temp.File("dir"));
  const QString base = temp.Path();
  const struct {
    QString Path;
    bool Exists;
    unsigned Directory;
    QString FullName;
  } cases[] = {
      {base + "/dir", true, FILE_ATTRIBUTE_DIRECTORY, base + "/dir"},
      {base + "/dir/", true, FILE_ATTRIBUTE_DIRECTORY, base + "/dir"},
      {base + "/file.bin", true, 0, base + "/file.bin"},
      {base + "/./dir/../file.bin", true, 0, base + "/file.bin"},
      {base + "/missing/../dir//x", false, 0, base + "/dir/x"},
      {"/..", true, FILE_ATTRIBUTE_DIRECTORY, "/"},
      {"", false, 0, ""},
      {"/" + QString(258, 'a'), false, 0, "/" + QString(258, 'a')},  // 259 units: still qualified
      {"/" + QString(259, 'a'), false, 0, ""},                        // 260 units: refused
      {"/" + QString(250, 'a') + "/../" + QString(20, 'b'), false, 0, ""},
  };
  for (const auto& c : cases) {
    CFileStatus status;
    status.FullName = "stale";
    EXPECT_EQ(GetFileStatus(c.Path, status), c.Exists) << c.Path.toStdString();
    EXPECT_EQ(status.Attributes & FILE_ATTRIBUTE_DIRECTORY, c.Directory) << c.Path.toStdString();
    EXPECT_EQ(status.FullName, c.FullName) << c.Path.toStdString();
  }
  // A relative path is qualified from the current folder.
  CFileStatus status;
  GetFileStatus("x/../y", status);
  EXPECT_EQ(status.FullName, FullyQualifiedPath(QDir::currentPath() + "/y"));
}

TEST(FolderOperations, CreateMakesOneLevelAndRemoveOnlyEmptyFolders) {
  CTempFolder temp;
  EXPECT_FALSE(CreateFolder(temp.File("a/b")));
  EXPECT_FALSE(QFileInfo::exists(temp.File("a")));
  EXPECT_TRUE(CreateFolder(temp.File("a")));
  EXPECT_TRUE(CreateFolder(temp.File("a/b")));
  temp.Write("a/b/keep.TMP", "part");
  EXPECT_FALSE(RemoveFolder(temp.File("a/b")));
  EXPECT_TRUE(QFileInfo::exists(temp.File("a/b/keep.TMP")));
  EXPECT_FALSE(RemoveFolder(temp.File("a")));
  QFile::remove(temp.File("a/b/keep.TMP"));
  EXPECT_TRUE(RemoveFolder(temp.File("a/b")));
  EXPECT_FALSE(CreateFolder(""));
  EXPECT_FALSE(RemoveFolder(""));
}

}  // namespace
