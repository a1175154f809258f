#include "support/DownloadPagesFixture.h"

#include "platform/FolderLock.h"
#include "res/ResourceIds.h"

#include <QDateTime>
#include <QDirIterator>

namespace {

// What the working folder holds, to the nanosecond of each file's times.
QStringList Listing(const QString& folder) {
  QStringList files;
  QDirIterator it(folder, QDir::Files | QDir::Hidden);
  while (it.hasNext()) {
    const QFileInfo file(it.next());
    struct stat status {};
    ::stat(QFile::encodeName(file.filePath()).constData(), &status);
    files << QStringLiteral("%1 %2 %3.%4 %5.%6")
                 .arg(file.fileName())
                 .arg(file.size())
                 .arg(status.st_mtim.tv_sec)
                 .arg(status.st_mtim.tv_nsec)
                 .arg(status.st_ctim.tv_sec)
                 .arg(status.st_ctim.tv_nsec);
  }
  files.sort();
  return files;
}

// Another run holds the working folder: neither the verification (with
// every part there and right, which would join them and remove them) nor
// the download touches a file in it, nor does giving up the folder for
// another one. The page says so and leads to the folder page.
TEST_F(DownloadPages, AFolderAnotherRunHoldsIsLeftAlone) {
  LoadPublishedList();
  WriteAllParts();
  const QString folder = App->DownloadList.DownloadTempDir;
  CFolderLock otherRun;
  ASSERT_EQ(otherRun.Lock(folder), CFolderLock::LOCK_TAKEN);
  const QStringList before = Listing(folder);
  ASSERT_EQ(before.size(), 3);

  OpenFrame();
  int refused = 0;
  for (const int state : {ST_CHECK_EXISTING, ST_VERIFY, ST_DOWNLOADING}) {
    SCOPED_TRACE(state);
    ASSERT_TRUE(Frame->EnterState(state));
    ASSERT_TRUE(WaitForState(ST_FOLDER_BUSY));
    EXPECT_TRUE(Frame->Page00.GetDlgItemText(IDC_MESSAGE).contains("\n" + folder + "\n"));
    EXPECT_EQ(CountLines("ERROR  already downloading into " + folder), ++refused);
  }
  EXPECT_EQ(Listing(folder), before);
  EXPECT_FALSE(QFileInfo::exists(ProductPath()));
  EXPECT_EQ(BodyRequests(1) + BodyRequests(2) + BodyRequests(3), 0);
  ASSERT_TRUE(Frame->GetCurrentPage()->ClickDlgItem(IDOK));
  ASSERT_TRUE(WaitForState(ST_SELECT_FOLDER)) << "another folder is chosen on the folder page";

  // The previous folder's data is given up (Yes), but its parts are the
  // other run's: they stay, and the download goes into the new folder.
  const QString other = Save.File(QStringLiteral("other"));
  Frame->Page05.SetDlgItemText(IDC_FOLDER, other);
  Responder.SetAnswer(IDYES);
  ASSERT_TRUE(Frame->GetCurrentPage()->ClickDlgItem(IDOK));
  ASSERT_TRUE(WaitForState(ST_DOWNLOAD_COMPLETE));
  EXPECT_EQ(App->DownloadList.TargetSaveDir, other);
  EXPECT_TRUE(CTempFolder::Read(other + QStringLiteral("/demo.bin")) == Product);
  EXPECT_EQ(Listing(folder), before);
  EXPECT_EQ(BodyRequests(1) + BodyRequests(2) + BodyRequests(3), 3);
  ASSERT_TRUE(CleanUpEnded());
}

}  // namespace
