#include "support/DownloadPagesFixture.h"

#include "res/ResourceIds.h"
#include "transfer/BodySink.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/mount.h>
#include <sys/stat.h>

namespace {

// The download and verification pages on a full or small disk, and with
// odd files where the product goes.
class TightDisks : public DownloadPages {};

// The save folder on a small disk of its own, for as long as the test runs.
struct CSmallDisk {
  explicit CSmallDisk(const QString& folder, const char* size) : Path(QFile::encodeName(folder)) {
    QDir().mkpath(folder);
    Mounted = ::mount("tmpfs", Path.constData(), "tmpfs", 0, size) == 0;
  }
  ~CSmallDisk() {
    if (Mounted) ::umount2(Path.constData(), MNT_DETACH);
  }
  QByteArray Path;
  bool Mounted = false;
};

// A folder on a 700 KiB disk: part 1 and its copy in the assembly fit, part 2
// does not. The box gives the system's reason once, the pass ends without
// asking again, and the error page says the disk is full.
TEST_F(TightDisks, AFullDiskEndsThePassAtOnce) {
  CSmallDisk disk(Save.File(QStringLiteral("folder")), "size=700k");
  if (!disk.Mounted) GTEST_SKIP() << "cannot mount a tmpfs";
  SetUiLanguage(LANG_ENGLISH_US);
  LoadPublishedList();
  OpenFrame();
  ASSERT_TRUE(Frame->EnterState(ST_DOWNLOADING));
  ASSERT_TRUE(WaitForState(ST_DOWNLOAD_ERROR));
  ASSERT_EQ(Answered(), 1);
  EXPECT_TRUE(Responder.Asked()[0].Text.endsWith("More Information:No space left on device")) << Responder.Asked()[0].Text.toStdString();
  EXPECT_EQ(Marks(), std::vector<int>({1, 0, 0}));
  EXPECT_EQ(BodyRequests(2), 1) << "no retry on a full disk";
  EXPECT_EQ(BodyRequests(3), 0);
  EXPECT_TRUE(Frame->PageErr.GetDlgItemText(IDC_MESSAGE).contains("is full")) << "the page says why";
}

// A chunk that fills the disk part-way: the sink writes what fits and gives
// the system's reason, not the empty one a short write leaves.
TEST_F(TightDisks, AChunkThatFillsTheDiskGivesTheSystemsReason) {
  CSmallDisk disk(Save.File(QStringLiteral("small")), "size=8k");
  if (!disk.Mounted) GTEST_SKIP() << "cannot mount a tmpfs";
  CFileSink sink(Save.File(QStringLiteral("small/part")), true);
  QString error;
  ASSERT_TRUE(sink.Begin(0, error)) << error.toStdString();
  const QByteArray chunk(4096, 'x');
  ASSERT_TRUE(sink.Write(std::span<const char>(chunk.constData(), 4096), error));
  const QByteArray more(CFileSink::BUFFER_SIZE, 'y');
  EXPECT_FALSE(sink.Write(std::span<const char>(more.constData(), more.size()), error));
  EXPECT_EQ(error, "No space left on device");
  EXPECT_TRUE(sink.IsDiskFull());
  sink.End(error);
  EXPECT_EQ(sink.GetFileSize(), 8192);
}

// Room for the product twice (1500 KiB for 700000 bytes), parts on disk and
// an assembly an earlier run left: the copying join removes it first, so it
// fits, and a leftover never blocks a run.
TEST_F(TightDisks, ALeftoverAssemblyGivesWayToTheJoin) {
  CSmallDisk disk(Save.File(QStringLiteral("folder")), "size=1500k");
  if (!disk.Mounted) GTEST_SKIP() << "cannot mount a tmpfs";
  LoadPublishedList();
  WriteAllParts();
  const QString assembly = App->DownloadList.GetAssemblyFilePath();
  {
    QFile file(assembly);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(Product.left(650000)), 650000);
  }
  EXPECT_EQ(App->DownloadList.GetRequiredSpace(), 2 * 700000u - 650000u);
  OpenFrame();
  ASSERT_TRUE(Frame->EnterState(ST_VERIFY));
  ASSERT_TRUE(WaitForState(ST_DOWNLOAD_COMPLETE));
  EXPECT_EQ(CTempFolder::Read(ProductPath()), Product);
  EXPECT_FALSE(QFileInfo::exists(assembly));
  EXPECT_EQ(Answered(), 0) << Responder.Asked()[0].Text.toStdString();
}

// A pipe named like the product: nothing opens it long enough to block, and
// it is neither read, replaced nor removed; the join reports it.
TEST_F(TightDisks, APipeNamedLikeTheProductIsLeftAlone) {
  LoadPublishedList();
  WriteAllParts();
  ASSERT_EQ(::mkfifo(QFile::encodeName(ProductPath()).constData(), 0644), 0);
  OpenFrame();
  ASSERT_TRUE(Frame->EnterState(ST_VERIFY));
  ASSERT_TRUE(WaitForState(ST_DOWNLOAD_ERROR)) << "the check must not wait for a writer";
  struct stat status {};
  ASSERT_EQ(::lstat(QFile::encodeName(ProductPath()).constData(), &status), 0);
  EXPECT_TRUE(S_ISFIFO(status.st_mode));
  EXPECT_EQ(Answered(), 1) << "the join could not write the product";
}

}  // namespace
