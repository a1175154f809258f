#include "support/DownloadPagesFixture.h"

#include "platform/FileIdentity.h"

#include <QFile>

#include <cstdio>

namespace {

// The same bytes with one of them flipped.
QByteArray Spoilt(QByteArray bytes, qsizetype at) {
  bytes[at] = static_cast<char>(bytes[at] ^ 1);
  return bytes;
}

// The assembly that held part 1 is found ready for part 2 and then put in
// its place by another file before the part's answer comes: the file
// opened for part 2 is not the one checked, so nothing is added to it and
// the product is joined by copying the parts, right.
TEST_F(DownloadPages, AnAssemblySwappedBeforeTheNextPartIsNotWrittenOn) {
  LoadPublishedList();
  const QString assembly = App->DownloadList.GetAssemblyFilePath();
  const QString planted = Save.File(QStringLiteral("planted"));
  CDownloadExecuter executer(App->Logger);
  PrepareExecuter(executer);
  executer.SetRequestObserver([&](int part) {
    if (part != 2) return;
    ASSERT_TRUE(CTempFolder::Read(assembly) == PartBytes(1));
    Save.Write(QStringLiteral("planted"), Spoilt(PartBytes(1), 10));
    ASSERT_EQ(std::rename(QFile::encodeName(planted).constData(), QFile::encodeName(assembly).constData()), 0);
  });
  ASSERT_EQ(executer.Execute(), 1);
  EXPECT_TRUE(CTempFolder::Read(assembly) == Spoilt(PartBytes(1), 10)) << "the planted file is left as it was";

  OpenFrame();
  CountSteps();
  ASSERT_TRUE(Frame->EnterState(ST_VERIFY));
  ASSERT_TRUE(WaitForState(ST_DOWNLOAD_COMPLETE));
  EXPECT_TRUE(CTempFolder::Read(ProductPath()) == Product);
  EXPECT_GT(Steps[CParcel2Dlg10::PHASE_JOIN].load(), 0) << "joined by copying the parts";
  ASSERT_TRUE(CleanUpEnded());
}

// Part 2's closing fails after a write was lost: the digest of what was
// received matches, but the part is read back, found wrong and fetched
// again in the same download; the product comes out right.
TEST_F(DownloadPages, APartWhoseCloseFailedIsReadBack) {
  LoadPublishedList();
  int faults = 0;
  SetCloseFault([&](const QString& path) {
    if (path != PartPath(2) || faults++ > 0) return false;
    QFile file(path);
    if (file.open(QIODevice::ReadWrite) && file.seek(5000)) file.write(Spoilt(PartBytes(2), 5000).mid(5000, 1));
    return true;
  });
  DownloadAllParts();
  SetCloseFault(nullptr);
  EXPECT_EQ(faults, 2) << "the second close of part 2 is asked too";
  EXPECT_EQ(BodyRequests(2), 2);
  EXPECT_EQ(BodyRequests(3), 1);
  EXPECT_TRUE(CTempFolder::Read(PartPath(2)) == PartBytes(2));
  EXPECT_EQ(CountLines("Differrent digest:" + PartPath(2)), 1);

  OpenFrame();
  ASSERT_TRUE(Frame->EnterState(ST_VERIFY));
  ASSERT_TRUE(WaitForState(ST_DOWNLOAD_COMPLETE));
  EXPECT_TRUE(CTempFolder::Read(ProductPath()) == Product);
  ASSERT_TRUE(CleanUpEnded());
}

}  // namespace
