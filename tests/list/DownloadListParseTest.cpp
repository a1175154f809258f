#include "list/DownloadList.h"
#include "platform/StringTokenizer.h"
#include "support/MemoryLog.h"
#include "support/QtPrint.h"
#include "support/TempFolder.h"

#include <functional>

#include <gtest/gtest.h>

namespace {

class DownloadListParseTest : public ::testing::Test {
protected:
  void Load(const QByteArray& bytes) { List.LoadListFile(Temp.Write("list.lst", bytes)); }

  CTempFolder Temp;
  CMemoryLog Logger;
  CDownloadList List{Logger};
};

const QByteArray SAMPLE_LIST = "VN,100\n"
                               "SN,0,Name,5,EName\n"
                               "DL,0,prod.bin,d0,300\n"
                               "DL,1,p1,d1,150\n"
                               "DL,2,p2,d2,150\n"
                               "IS,0,setup.exe,,1,1\n"
                               "MS,1,Line one//Line two\n";

TEST_F(DownloadListParseTest, ReadsTheSampleList) {
  Load(SAMPLE_LIST);
  EXPECT_EQ(List.FileVersion, 100);
  EXPECT_EQ(List.ProductNo, 5);
  EXPECT_EQ(List.SoftwareName, "Name");
  EXPECT_EQ(List.SoftwareEnName, "EName");
  ASSERT_EQ(List.GetDownloadEntryCount(), 3);
  const struct {
    int Index;
    const char* FileName;
    const char* Digest;
    int Size;
  } entries[] = {{0, "prod.bin", "d0", 300}, {1, "p1", "d1", 150}, {2, "p2", "d2", 150}};
  for (const auto& expected : entries) {
    SCOPED_TRACE(expected.Index);
    const CDownloadEntry* entry = List.GetDownloadEntry(expected.Index);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->Seq, QString::number(expected.Index));
    EXPECT_EQ(entry->FileName, expected.FileName);
    EXPECT_EQ(entry->Digest, expected.Digest);
    EXPECT_EQ(entry->Size, expected.Size);
    EXPECT_EQ(entry->IsDownloaded, 0);
  }
  ASSERT_EQ(List.GetInstallEntryCount(), 1);
  const CInstallEntry* install = List.GetInstallEntry(0);
  ASSERT_NE(install, nullptr);
  EXPECT_EQ(install->CmdName, "setup.exe");
  EXPECT_EQ(install->Params, "");
  EXPECT_EQ(install->WinType, 1);
  EXPECT_EQ(install->IsWait, 1);
  EXPECT_TRUE(List.HasMessage(1));
  EXPECT_EQ(List.GetMessageText(1), "Line one//Line two");
  EXPECT_FALSE(List.HasMessage(2));
  EXPECT_EQ(List.GetMessageText(2), "");
  EXPECT_EQ(List.ListFilePath, Temp.File("list.lst"));
  EXPECT_EQ(List.TargetSaveDir, "");
  EXPECT_EQ(List.DownloadTempDir, "");
}

TEST_F(DownloadListParseTest, StartsEmpty) {
  EXPECT_EQ(List.FileVersion, -1);
  EXPECT_EQ(List.ProductNo, 0);
  EXPECT_EQ(List.IsAllDownloaded, 0);
  EXPECT_EQ(List.GetDownloadEntryCount(), 0);
  EXPECT_EQ(List.GetInstallEntryCount(), 0);
  EXPECT_EQ(List.GetDownloadEntry(0), nullptr);
  EXPECT_EQ(List.GetInstallEntry(0), nullptr);
}

using ListCheck = std::function<void(const CDownloadList&)>;

struct LineCase {
  const char* Name;
  QByteArray Text;
  ListCheck Check;
};

void ExpectDownload(const CDownloadList& list, int index, const char* fileName, const char* digest, std::int64_t size) {
  const CDownloadEntry* entry = list.GetDownloadEntry(index);
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->FileName, fileName);
  EXPECT_EQ(entry->Digest, digest);
  EXPECT_EQ(entry->Size, size);
}

void ExpectNothingRead(const CDownloadList& list) {
  EXPECT_EQ(list.GetDownloadEntryCount(), 0);
  EXPECT_EQ(list.GetInstallEntryCount(), 0);
  EXPECT_EQ(list.FileVersion, -1);
  EXPECT_EQ(list.ProductNo, 0);
  EXPECT_EQ(list.SoftwareName, "");
  EXPECT_EQ(list.TargetSaveDir, "");
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(list.HasMessage(i));
}

void ExpectSoftware(const CDownloadList& list, const char* name, const char* enName, int productNo) {
  EXPECT_EQ(list.SoftwareName, name);
  EXPECT_EQ(list.SoftwareEnName, enName);
  EXPECT_EQ(list.ProductNo, productNo);
}

// A size the list cannot stand behind leaves no entry at all, so the list
// is refused as one without entries, and the log says which size it was.
TEST_F(DownloadListParseTest, ASizeThatIsNoByteCountSpoilsTheList) {
  Load("VN,100\nDL,0,prod.bin,d0,9223372036854775808\nDL,1,p1,d1,150\nIS,0,setup.exe,,1,1\n");
  EXPECT_EQ(List.GetDownloadEntryCount(), 0);
  EXPECT_EQ(List.GetInstallEntryCount(), 0);
  EXPECT_TRUE(Logger.Has("ERROR Invalid download-list-file:Size=9223372036854775808"));
  Load("VN,100\nDL,0,prod.bin,d0,5368709120\nDL,1,p1,d1,2684354560\nDL,2,p2,d2,2684354560\n");
  ASSERT_EQ(List.GetDownloadEntryCount(), 3) << "a later good list is read in full";
  EXPECT_EQ(List.GetDownloadEntry(0)->Size, 5368709120);
}

TEST_F(DownloadListParseTest, ReadsSingleLines) {
  const LineCase cases[] = {
      {"tags ignore letter case", "dl,0,a,b,1\n", [](auto& l) { ExpectDownload(l, 0, "a", "b", 1); }},
      {"mixed case tag", "Vn,7\n", [](auto& l) { EXPECT_EQ(l.FileVersion, 7); }},
      {"tag is not trimmed", " DL,0,a,b,1\n", ExpectNothingRead},
      {"unknown tag", "XX,0,a,b,1\n", ExpectNothingRead},
      {"three-letter tag", "DLX,0,a,b,1\n", ExpectNothingRead},
      {"empty line", "\n", ExpectNothingRead},
      {"only commas", ",,,\n", ExpectNothingRead},
      {"English name missing", "SN,0,Name,5\n", [](auto& l) { ExpectSoftware(l, "Name", "Name", 5); }},
      {"English name empty", "SN,0,Name,5,\n", [](auto& l) { ExpectSoftware(l, "Name", "", 5); }},
      {"empty English name on the last line", "SN,0,Name,5,",
       [](auto& l) { ExpectSoftware(l, "Name", "Name", 5); }},
      {"software record short", "SN,0,Name\n", ExpectNothingRead},
      {"download record short", "DL,0,a,b\n", ExpectNothingRead},
      {"download record short by its line end", "DL,0,a,b,\n", ExpectNothingRead},
      {"extra field ignored", "DL,0,a,b,12,extra\n", [](auto& l) { ExpectDownload(l, 0, "a", "b", 12); }},
      {"Seq with a space is counted but not reached", "DL, 1,a,b,5\n",
       [](auto& l) {
         EXPECT_EQ(l.GetDownloadEntryCount(), 1);
         EXPECT_EQ(l.GetDownloadEntry(1), nullptr);
       }},
      {"Seq with a leading zero is not reached", "DL,01,a,b,5\n", [](auto& l) { EXPECT_EQ(l.GetDownloadEntry(1), nullptr); }},
      // A size that is no byte count spoils the whole list, the lines before it too.
      {"space before a size", "DL,0,a,b,1\nDL,1,a,b, 5\n", ExpectNothingRead},
      {"unreadable size", "DL,1,a,b,abc\n", ExpectNothingRead},
      {"digits then text in a size", "DL,1,a,b,5k\n", ExpectNothingRead},
      {"negative size", "DL,1,a,b,-5\n", ExpectNothingRead},
      {"size with a sign", "DL,1,a,b,+5\n", ExpectNothingRead},
      {"size past 2^63-1", "DL,1,a,b,9223372036854775808\n", ExpectNothingRead},
      {"size far past 2^63-1", "DL,1,a,b,99999999999999999999999\n", ExpectNothingRead},
      {"size of 2^63-1", "DL,1,a,b,9223372036854775807\n",
       [](auto& l) { ExpectDownload(l, 1, "a", "b", 9223372036854775807); }},
      {"a product past 4 GiB", "DL,0,a,b,5368709120\n", [](auto& l) { ExpectDownload(l, 0, "a", "b", 5368709120); }},
      {"digits then text", "VN,12ab\n", [](auto& l) { EXPECT_EQ(l.FileVersion, 12); }},
      {"a later Seq replaces", "DL,1,a,b,5\nDL,1,c,d,6\n",
       [](auto& l) {
         EXPECT_EQ(l.GetDownloadEntryCount(), 1);
         ExpectDownload(l, 1, "c", "d", 6);
       }},
      {"a comma ends the message", "MS,2,Hello, world\n", [](auto& l) { EXPECT_EQ(l.GetMessageText(2), "Hello"); }},
      {"empty message is held", "MS,3,\n",
       [](auto& l) {
         EXPECT_TRUE(l.HasMessage(3));
         EXPECT_EQ(l.GetMessageText(3), "");
       }},
      {"message without text", "MS,3\n", [](auto& l) { EXPECT_FALSE(l.HasMessage(3)); }},
      {"a later message replaces", "MS,1,a\nMS,1,b\n", [](auto& l) { EXPECT_EQ(l.GetMessageText(1), "b"); }},
      {"install entry", "IS,0,run.sh,-q,5,0\n",
       [](auto& l) {
         const CInstallEntry* entry = l.GetInstallEntry(0);
         ASSERT_NE(entry, nullptr);
         EXPECT_EQ(entry->Seq, "0");
         EXPECT_EQ(entry->CmdName, "run.sh");
         EXPECT_EQ(entry->Params, "-q");
         EXPECT_EQ(entry->WinType, 5);
         EXPECT_EQ(entry->IsWait, 0);
       }},
      {"negative wait does not wait", "IS,0,a,,1,-3\n", [](auto& l) { EXPECT_EQ(l.GetInstallEntry(0)->IsWait, 0); }},
      {"large wait waits", "IS,0,a,,1,99999999999\n", [](auto& l) { EXPECT_EQ(l.GetInstallEntry(0)->IsWait, 1); }},
      {"install record short", "IS,0,a,,1\n", [](auto& l) { EXPECT_EQ(l.GetInstallEntryCount(), 0); }},
      {"save folder", "TD,,/home/u/Save\n",
       [](auto& l) {
         EXPECT_EQ(l.TargetSaveDir, "/home/u/Save");
         EXPECT_EQ(l.DownloadTempDir, "/home/u/Save/DownloadTemp");
       }},
      {"save folder missing", "TD,\n", ExpectNothingRead},
      {"the last save folder wins", "TD,,/a\nTD,,/b\n", [](auto& l) { EXPECT_EQ(l.TargetSaveDir, "/b"); }},
      {"empty save folder", "TD,,/a\nTD,,\n",
       [](auto& l) {
         EXPECT_EQ(l.TargetSaveDir, "");
         EXPECT_EQ(l.DownloadTempDir, "");
       }},
      {"version missing", "VN\n", ExpectNothingRead},
      {"a NUL ends the line", QByteArray("DL,0,a\0bc,d,5\nVN,3\n", 20),
       [](auto& l) {
         EXPECT_EQ(l.GetDownloadEntryCount(), 0);
         EXPECT_EQ(l.FileVersion, 3);
       }},
  };
  for (const LineCase& c : cases) {
    SCOPED_TRACE(c.Name);
    CDownloadList list(Logger);
    list.LoadListFile(Temp.Write("line.lst", c.Text));
    c.Check(list);
  }
}

TEST_F(DownloadListParseTest, ParseLineSaysWhetherARecordTookEffect) {
  const struct {
    const char* Line;
    bool Parsed;
  } cases[] = {{"VN,1\n", true}, {"VN\n", false}, {"XX,1\n", false}, {"DL,0,a,b,1", true}, {"DL,0,a,b", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Line);
    CStringTokenizer tokenizer(QString::fromUtf8(c.Line), CDownloadList::FIELD_DELIMITERS);
    EXPECT_EQ(List.ParseLine(tokenizer), c.Parsed);
  }
}

TEST_F(DownloadListParseTest, RemoveAllEntriesKeepsMessagesAndScalars) {
  Load(SAMPLE_LIST + "TD,,/save\n");
  List.RemoveAllEntries();
  EXPECT_EQ(List.GetDownloadEntryCount(), 0);
  EXPECT_EQ(List.GetInstallEntryCount(), 0);
  EXPECT_EQ(List.GetMessageText(1), "Line one//Line two");
  EXPECT_EQ(List.FileVersion, 100);
  EXPECT_EQ(List.SoftwareName, "Name");
  EXPECT_EQ(List.TargetSaveDir, "/save");
}

TEST_F(DownloadListParseTest, LoadingAddsToWhatTheListHolds) {
  Load("DL,0,a,b,1\n");
  Load("DL,1,c,d,2\n");
  EXPECT_EQ(List.GetDownloadEntryCount(), 2);
}

}  // namespace
