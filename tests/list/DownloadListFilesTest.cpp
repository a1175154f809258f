#include "list/DownloadList.h"
#include "platform/StringTokenizer.h"
#include "support/MemoryLog.h"
#include "support/QtPrint.h"
#include "support/TempFolder.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

const QString D0 = QStringLiteral("00112233445566778899aabbccddeeff");
const QString D1 = QStringLiteral("0123456789ABCDEF0123456789abcdef");
const QString D2 = QStringLiteral("fedcba9876543210fedcba9876543210");

class DownloadListFilesTest : public ::testing::Test {
protected:
  void Parse(const QString& line) {
    CStringTokenizer tokenizer(line + QLatin1Char('\n'), CDownloadList::FIELD_DELIMITERS);
    List.ParseLine(tokenizer);
  }
  void ParseProductAndParts() {
    Parse("DL,0,prod.bin," + D0 + ",300");
    Parse("DL,1,p1," + D1 + ",150");
    Parse("DL,2,p2," + D2 + ",150");
  }
  static void Touch(const QString& path) { QFile(path).open(QIODevice::WriteOnly); }

  CTempFolder Temp;
  CMemoryLog Logger;
  CDownloadList List{Logger};
};

TEST_F(DownloadListFilesTest, SaveFolderGivesTheWorkingFolder) {
  const struct {
    const char* Folder;
    const char* TempDir;
  } cases[] = {{"", ""}, {"/home/u/Save", "/home/u/Save/DownloadTemp"}, {"/home/u/Save/", "/home/u/Save//DownloadTemp"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Folder);
    List.SetTargetSaveDir(c.Folder);
    EXPECT_EQ(List.TargetSaveDir, c.Folder);
    EXPECT_EQ(List.DownloadTempDir, c.TempDir);
  }
}

// The product's name comes from the network and must not leave the folder.
TEST_F(DownloadListFilesTest, OutputPathStaysInTheSaveFolder) {
  const struct {
    const char* Folder;
    const char* FileName;
    const char* Path;
    const char* Logged;
  } cases[] = {
      {"/save", "prod.bin", "/save/prod.bin", nullptr},
      {"/save/", "prod.bin", "/save/prod.bin", nullptr},
      {"", "prod.bin", "", nullptr},  // no folder settled yet: not the working directory's file
      {"/save", "製品 v2.bin", "/save/製品 v2.bin", nullptr},
      {"/save", "...", "", "ERROR Invalid file name:..."},
      {"/save", ".bashrc", "", "ERROR Invalid file name:.bashrc"},  // never a hidden file
      {"/save", "", "", "ERROR Invalid file name:"},
      {"/save", ".", "", "ERROR Invalid file name:."},
      {"/save", "..", "", "ERROR Invalid file name:.."},
      {"/save", "../../home/u/.bashrc", "", "ERROR Invalid file name:../../home/u/.bashrc"},
      {"/save", "/etc/passwd", "", "ERROR Invalid file name:/etc/passwd"},
      {"/save", "sub/prod.bin", "", "ERROR Invalid file name:sub/prod.bin"},
      {"/save", "..\\prod.bin", "", "ERROR Invalid file name:..\\prod.bin"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.FileName);
    CDownloadList list(Logger);
    CStringTokenizer tokenizer(QStringLiteral("DL,0,") + QString::fromUtf8(c.FileName) + ",d0,1\n",
                               CDownloadList::FIELD_DELIMITERS);
    ASSERT_TRUE(list.ParseLine(tokenizer));
    list.SetTargetSaveDir(c.Folder);
    Logger.TakeLines();
    EXPECT_EQ(list.GetOutputFilePath(), QString::fromUtf8(c.Path));
    EXPECT_EQ(Logger.TakeLines(), c.Logged ? QStringList{QString::fromUtf8(c.Logged)} : QStringList{});
  }
}

// The digest names the part's file, so only a real digest makes a name.
TEST_F(DownloadListFilesTest, TempFileNameNeedsA32DigitDigest) {
  const struct {
    QString Digest;
    bool Named;
  } cases[] = {
      {D0, true},
      {D1, true},
      {D0.toUpper(), true},
      {"", false},
      {D0.left(31), false},
      {D0 + "0", false},
      {D0.left(31) + "g", false},
      {D0.left(31) + " ", false},
      {"../../../../../../home/u/.profile", false},
      {"0123456789abcdef/../../../victim", false},
      {"d1", false},
  };
  List.SetTargetSaveDir("/save");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Digest.toStdString());
    CDownloadEntry entry;
    entry.Digest = c.Digest;
    const QString expected = c.Named ? "DownloadFile_" + c.Digest + ".TMP" : QString();
    EXPECT_EQ(CDownloadList::MakeTempFileName(&entry), expected);
    EXPECT_EQ(List.MakeTempFileName(entry), expected);
    EXPECT_EQ(List.GetTempFilePath(&entry), c.Named ? "/save/DownloadTemp/" + expected : QString());
  }
  EXPECT_EQ(CDownloadList::MakeTempFileName(nullptr), "");
  CDownloadEntry entry;
  entry.Digest = D0;
  List.SetTargetSaveDir("");
  EXPECT_EQ(List.GetTempFilePath(&entry), "");
}

TEST_F(DownloadListFilesTest, RequiredSpaceCountsTheProductTwiceLessWhatIsDone) {
  ParseProductAndParts();
  EXPECT_EQ(List.GetRequiredSpace(), 600u);
  List.GetDownloadEntry(1)->IsDownloaded = 1;
  EXPECT_EQ(List.GetRequiredSpace(), 450u);
  List.GetDownloadEntry(2)->IsDownloaded = 1;
  EXPECT_EQ(List.GetRequiredSpace(), 300u);
  EXPECT_EQ(Logger.TakeLines(), QStringList{});
  // An assembly on disk is counted as there: it becomes the product, or goes.
  List.SetTargetSaveDir(Temp.Path());
  ASSERT_TRUE(QDir().mkpath(List.DownloadTempDir));
  ASSERT_EQ(Temp.Write(List.GetAssemblyFilePath().mid(Temp.Path().size() + 1), QByteArray(100, 'a')),
            List.GetAssemblyFilePath());
  EXPECT_EQ(List.GetRequiredSpace(), 200u);
  List.SetTargetSaveDir("/save");

  // Sizes are 64-bit: a 5 GiB product in parts of 2.5 GiB, one verified.
  Parse("DL,0,big.bin,d0,5368709120");
  Parse("DL,1,p1," + D1 + ",2684354560");
  Parse("DL,2,p2," + D2 + ",2684354560");
  List.GetDownloadEntry(1)->IsDownloaded = 1;
  List.GetDownloadEntry(2)->IsDownloaded = 0;
  EXPECT_EQ(List.GetRequiredSpace(), 8053063680u);
}

TEST_F(DownloadListFilesTest, RequiredSpaceWithoutTheProductEntry) {
  Parse("DL,1,p1," + D1 + ",150");
  EXPECT_EQ(List.GetRequiredSpace(), 0u);
  EXPECT_EQ(List.GetOutputFilePath(), "");
  EXPECT_EQ(Logger.TakeLines(), (QStringList{"FATAL Could not get DL-Entry0", "FATAL Could not get DL-Entry0"}));
}

TEST_F(DownloadListFilesTest, RemoveTempFilesDeletesOnlyThePartFiles) {
  ParseProductAndParts();
  List.SetTargetSaveDir(Temp.Path());
  QDir().mkpath(List.DownloadTempDir);
  const QString tempDir = List.DownloadTempDir + "/";
  Touch(tempDir + "DownloadFile_" + D0 + ".TMP");  // entry 0 has no part file
  Touch(tempDir + "DownloadFile_" + D1 + ".TMP");
  Touch(tempDir + "DownloadFile_" + D2 + ".TMP");
  Touch(tempDir + "other.txt");
  Touch(Temp.File("prod.bin"));

  List.RemoveTempFiles();
  EXPECT_FALSE(QFileInfo::exists(tempDir + "DownloadFile_" + D1 + ".TMP"));
  EXPECT_FALSE(QFileInfo::exists(tempDir + "DownloadFile_" + D2 + ".TMP"));
  EXPECT_TRUE(QFileInfo::exists(tempDir + "DownloadFile_" + D0 + ".TMP"));
  EXPECT_TRUE(QFileInfo::exists(tempDir + "other.txt"));
  EXPECT_TRUE(QFileInfo::exists(Temp.File("prod.bin")));

  QFile::remove(tempDir + "DownloadFile_" + D0 + ".TMP");
  QFile::remove(tempDir + "other.txt");
  List.RemoveTempFiles();  // missing part files are passed over
  EXPECT_FALSE(QFileInfo::exists(List.DownloadTempDir));
  EXPECT_TRUE(QFileInfo::exists(Temp.Path()));
}

// A newer list: the parts only the earlier one named go; anything else in
// the folder (other names, a pipe, a link, the assembly) stays.
TEST_F(DownloadListFilesTest, PartsOnlyAnEarlierListNamedAreRemoved) {
  ParseProductAndParts();
  List.SetTargetSaveDir(Temp.Path());
  QDir().mkpath(List.DownloadTempDir);
  const QString part = List.DownloadTempDir + "/DownloadFile_%1.TMP";
  const QString old = part.arg(QString(32, 'e'));
  const QStringList kept = {part.arg(D1), part.arg("notadigest"), List.DownloadTempDir + "/downloadfile_" + QString(32, 'e') + ".tmp",
                            List.DownloadTempDir + "/other.txt", List.GetAssemblyFilePath()};
  for (const QString& path : kept + QStringList{old, Temp.File("outside")}) Touch(path);
  ASSERT_EQ(::mkfifo(QFile::encodeName(part.arg(QString(32, 'd'))).constData(), 0644), 0);
  ASSERT_TRUE(QFile::link(Temp.File("outside"), part.arg(QString(32, 'c'))));
  List.RemoveUnlistedParts();
  EXPECT_FALSE(QFileInfo::exists(old));
  for (const QString& path : kept + QStringList{part.arg(QString(32, 'd')), part.arg(QString(32, 'c')), Temp.File("outside")})
    EXPECT_TRUE(QFileInfo::exists(path)) << path.toStdString();
}

// A digest that climbs out of the working folder must not delete anything.
TEST_F(DownloadListFilesTest, RemoveTempFilesIgnoresADigestThatIsAPath) {
  List.SetTargetSaveDir(Temp.File("save"));
  QDir().mkpath(List.DownloadTempDir + "/DownloadFile_x");
  Touch(Temp.File("save/victim.TMP"));
  Parse("DL,0,prod.bin," + D0 + ",1");
  Parse("DL,1,p1,x/../../victim,1");
  ASSERT_TRUE(QFileInfo::exists(List.DownloadTempDir + "/DownloadFile_x/../../victim.TMP"));
  List.RemoveTempFiles();
  EXPECT_TRUE(QFileInfo::exists(Temp.File("save/victim.TMP")));
}

TEST_F(DownloadListFilesTest, AppendedSaveFolderIsRestoredOnTheNextLoad) {
  const QString path = Temp.Write("list.lst", "VN,1\r\nDL,0,prod.bin," + D0.toUtf8() + ",300\r\n");
  List.LoadListFile(path);
  for (const QString& folder : {QStringLiteral("/home/u/First"), QStringLiteral("/home/u/ダウンロード")}) {
    List.SetTargetSaveDir(folder);
    EXPECT_TRUE(List.AppendTargetSaveDir());
  }
  EXPECT_EQ(CTempFolder::Read(path), "VN,1\r\nDL,0,prod.bin," + D0.toUtf8() +
                                         ",300\r\nTD,,/home/u/First\r\nTD,,/home/u/ダウンロード\r\n");
  CDownloadList next(Logger);
  next.LoadListFile(path);
  EXPECT_EQ(next.TargetSaveDir, "/home/u/ダウンロード");
  EXPECT_EQ(next.DownloadTempDir, "/home/u/ダウンロード/DownloadTemp");
  EXPECT_EQ(next.FileVersion, 1);
}

// A list from the host may lack its final line break; the record must
// still start on a line of its own.
TEST_F(DownloadListFilesTest, AppendAfterALastLineWithoutLineBreak) {
  const QString path = Temp.Write("list.lst", "VN,1\nMS,1,Hello");
  List.LoadListFile(path);
  List.SetTargetSaveDir("/save");
  ASSERT_TRUE(List.AppendTargetSaveDir());
  EXPECT_EQ(CTempFolder::Read(path), "VN,1\nMS,1,Hello\r\nTD,,/save\r\n");
  CDownloadList next(Logger);
  next.LoadListFile(path);
  EXPECT_EQ(next.GetMessageText(1), "Hello");
  EXPECT_EQ(next.TargetSaveDir, "/save");
}

TEST_F(DownloadListFilesTest, AppendFailsWithoutChangingAnything) {
  const QString path = Temp.Write("list.lst", "VN,1\n");
  const struct {
    const char* Name;
    QString ListPath;
    QString Folder;
    const char* Logged;
  } cases[] = {
      {"no list file yet", QString(), "/save", nullptr},
      {"folder of the list file missing", Temp.File("missing/list.lst"), "/save", nullptr},
      {"list path is a folder", Temp.Path(), "/save", nullptr},
      {"comma in the folder", path, "/home/u/a,b", "ERROR Invalid save folder:/home/u/a,b"},
      {"line break in the folder", path, "/home/u/a\nDL,0,x,y,1", "ERROR Invalid save folder:/home/u/a\nDL,0,x,y,1"},
      {"carriage return in the folder", path, "/a\r", "ERROR Invalid save folder:/a\r"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    CDownloadList list(Logger);
    list.ListFilePath = c.ListPath;
    list.SetTargetSaveDir(c.Folder);
    Logger.TakeLines();
    EXPECT_FALSE(list.AppendTargetSaveDir());
    EXPECT_EQ(list.TargetSaveDir, c.Folder);
    EXPECT_EQ(Logger.TakeLines(), c.Logged ? QStringList{QString::fromUtf8(c.Logged)} : QStringList{});
  }
  EXPECT_EQ(CTempFolder::Read(path), "VN,1\n");
  EXPECT_FALSE(QFileInfo::exists(Temp.File("missing")));
}

TEST_F(DownloadListFilesTest, WritesTheListToTheLog) {
  List.LoadListFile(Temp.Write("list.lst", "VN,100\nSN,0,Name,5,EName\nDL,0,prod.bin,d0,300\nDL,1,p1,d1,150\n"
                                           "DL,x,skipped,dx,1\nIS,0,setup.exe,,1,1\nMS,1,Hello\nTD,,/save\n"));
  Logger.TakeLines();
  List.WriteToLog();
  EXPECT_EQ(Logger.TakeLines(), (QStringList{
                                    "TRACE Download list file version=100",
                                    "TRACE Software Name=Name",
                                    "TRACE Software EnName=EName",
                                    "TRACE Product No=5",
                                    "TRACE DownloadEntry:Seq=0:FileName=prod.bin:Digest=d0:Size=300",
                                    "TRACE DownloadEntry:Seq=1:FileName=p1:Digest=d1:Size=150",
                                    "TRACE MS[1]=Hello",
                                    "TRACE InstallEntry:Seq=0:CmdName=setup.exe:Params=:WinType=1:IsWait=1",
                                    "TRACE TargetSaveDir=/save",
                                }));
}

}  // namespace
