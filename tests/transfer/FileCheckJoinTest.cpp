#include "transfer/FileChecker.h"
#include "transfer/FileJoint.h"
#include "transfer/PartReaders.h"

#include "list/DownloadList.h"
#include "platform/MessageBox.h"
#include "platform/StringTokenizer.h"
#include "platform/UiLanguage.h"
#include "support/MemoryLog.h"
#include "support/QtPrint.h"
#include "support/FileSizeLimit.h"
#include "support/TempFolder.h"

#include <QCryptographicHash>
#include <QDir>

#include <gtest/gtest.h>

namespace {

const QString EMPTY_MD5 = "d41d8cd98f00b204e9800998ecf8427e";

QString Md5Hex(const QByteArray& bytes) {
  return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex());
}

// A list whose save folder is a scratch folder, with part files written
// into its working folder under the names the list gives them.
class FileCheckJoinTest : public ::testing::Test {
protected:
  FileCheckJoinTest() : List(Log) {
    List.SetTargetSaveDir(Temp.Path());
    QDir().mkpath(List.DownloadTempDir);
  }

  CDownloadEntry* AddEntry(int seq, const QString& digest, int size = 0, const QString& name = "part") {
    CStringTokenizer line(QString("DL,%1,%2,%3,%4\n").arg(seq).arg(name, digest).arg(size),
                          CDownloadList::FIELD_DELIMITERS);
    EXPECT_TRUE(List.ParseLine(line));
    return List.GetDownloadEntry(seq);
  }
  // A part whose digest matches its bytes, with the file in place.
  CDownloadEntry* AddPart(int seq, const QByteArray& bytes, int size = -1) {
    CDownloadEntry* entry = AddEntry(seq, Md5Hex(bytes), size < 0 ? static_cast<int>(bytes.size()) : size);
    Temp.Write(QDir(Temp.Path()).relativeFilePath(List.GetTempFilePath(entry)), bytes);
    return entry;
  }
  QString ProductPath() { return List.GetOutputFilePath(); }

  CTempFolder Temp;
  CMemoryLog Log;
  CDownloadList List;
};

TEST_F(FileCheckJoinTest, CheckMarksTheEntryWithTheOutcome) {
  CFileChecker checker(Log, &List);
  const QByteArray bytes = QByteArray(CMD5Digest::CHUNK_SIZE + 7, 'q');
  const struct {
    const char* Name;
    QString Digest;
    bool WriteFile;
    int InitialMark;
    int Expected;
    int Mark;
  } cases[] = {
      {"empty part, lower case", EMPTY_MD5, true, 0, 1, 1},
      {"empty part, upper case", EMPTY_MD5.toUpper(), true, 0, 1, 1},
      {"missing file clears the mark", EMPTY_MD5, false, 1, 0, 0},
      {"30 characters", EMPTY_MD5.left(30), false, 1, 0, 1},
      {"34 characters", EMPTY_MD5 + "00", false, 0, 0, 0},
      {"reads as 16 bytes but names no file", " " + EMPTY_MD5.mid(1), false, 1, 0, 0},
      {"31 characters read as 16 bytes but name no file", EMPTY_MD5.left(31), false, 1, 0, 0},
  };
  for (const auto& c : cases) {
    QDir(List.DownloadTempDir).removeRecursively();
    QDir().mkpath(List.DownloadTempDir);
    CDownloadEntry* entry = AddEntry(1, c.Digest);
    entry->IsDownloaded = c.InitialMark;
    if (c.WriteFile) Temp.Write("DownloadTemp/DownloadFile_" + c.Digest + ".TMP", "");
    const QStringList before = QDir(List.DownloadTempDir).entryList(QDir::Files);
    EXPECT_EQ(checker.Check(entry), c.Expected) << c.Name;
    EXPECT_EQ(entry->IsDownloaded, c.Mark) << c.Name;
    EXPECT_EQ(QDir(List.DownloadTempDir).entryList(QDir::Files), before) << c.Name;
  }
  EXPECT_TRUE(Log.Has("FATAL Invalid digest-length:" + EMPTY_MD5.left(30)));
  EXPECT_TRUE(Log.Has("FATAL Invalid digest-length:" + EMPTY_MD5 + "00"));
  EXPECT_TRUE(Log.Has("WARNG Cannot open input file " + List.DownloadTempDir + "/DownloadFile_" + EMPTY_MD5 + ".TMP"));
  EXPECT_TRUE(Log.Has("ERROR No part file for digest:" + EMPTY_MD5.left(31)));
  EXPECT_EQ(checker.Check(nullptr), 0);

  // A part larger than a chunk, and one byte of it changed.
  CDownloadEntry* big = AddPart(2, bytes);
  EXPECT_EQ(checker.Check(big), 1);
  EXPECT_EQ(checker.GetHashedBytes(), bytes.size());
  QByteArray changed = bytes;
  changed[CMD5Digest::CHUNK_SIZE + 3] = 'r';
  Temp.Write("DownloadTemp/DownloadFile_" + big->Digest + ".TMP", changed);
  EXPECT_EQ(checker.Check(big), 0);
  EXPECT_EQ(big->IsDownloaded, 0);
}

TEST_F(FileCheckJoinTest, CheckProductComparesTheJoinedFileWithEntryZero) {
  CFileChecker checker(Log, &List);
  EXPECT_EQ(checker.CheckProduct(), 0);
  EXPECT_TRUE(Log.Has("FATAL Could not get DL-Entry0"));

  const QByteArray product(CMD5Digest::CHUNK_SIZE, 'p');  // exactly one chunk
  CDownloadEntry* entry0 = AddEntry(0, Md5Hex(product).toUpper(), product.size(), "product.bin");
  EXPECT_EQ(checker.CheckProduct(), 0);  // not there yet
  Temp.Write("product.bin", product);
  EXPECT_EQ(checker.CheckProduct(), 1);
  EXPECT_TRUE(Log.Has("TRACE Identical digest:" + ProductPath()));
  EXPECT_EQ(entry0->IsDownloaded, 0);  // the product check marks nothing
  Temp.Write("product.bin", product + "x");
  EXPECT_EQ(checker.CheckProduct(), 0);
  AddEntry(0, EMPTY_MD5.left(30), 0, "product.bin");
  EXPECT_EQ(checker.CheckProduct(), 0);
  EXPECT_TRUE(Log.Has("FATAL Invalid digest-length:" + EMPTY_MD5.left(30)));
}

TEST_F(FileCheckJoinTest, JoinAppendsThePartsInEntryOrder) {
  AddEntry(0, EMPTY_MD5, 8, "product.bin");
  AddPart(2, "");
  AddPart(3, "defgh", 4);  // longer than its Size: copied whole
  AddPart(1, "abc");
  Temp.Write("product.bin", "older and longer content");
  CFileJoint joint(Log);
  EXPECT_EQ(joint.Join(List), 8u);
  EXPECT_EQ(joint.GetJoinedBytes(), 8u);
  EXPECT_EQ(CTempFolder::Read(ProductPath()), "abcdefgh");
  const QStringList expected = {
      "TRACE Start file-joint",
      "TRACE Jointed file=" + List.GetTempFilePath(List.GetDownloadEntry(1)),
      "TRACE Jointed file=" + List.GetTempFilePath(List.GetDownloadEntry(2)),
      "TRACE Jointed file=" + List.GetTempFilePath(List.GetDownloadEntry(3)),
      "TRACE Finished file-joint:Out-File=" + ProductPath() + ":Leng=8",
  };
  EXPECT_EQ(Log.GetLines(), expected);
  EXPECT_TRUE(QFileInfo::exists(List.GetTempFilePath(List.GetDownloadEntry(1))));  // parts stay
}

TEST_F(FileCheckJoinTest, JoinCopiesLargePartsInChunks) {
  AddEntry(0, EMPTY_MD5, 0, "product.bin");
  QByteArray first(CMD5Digest::CHUNK_SIZE, Qt::Uninitialized);
  QByteArray second(2 * CMD5Digest::CHUNK_SIZE + 1, Qt::Uninitialized);
  for (qsizetype i = 0; i < first.size(); ++i) first[i] = static_cast<char>(i * 7);
  for (qsizetype i = 0; i < second.size(); ++i) second[i] = static_cast<char>(i * 13);
  AddPart(1, first);
  AddPart(2, second);
  CFileJoint joint(Log);
  EXPECT_EQ(joint.Join(List), static_cast<std::uint64_t>(first.size() + second.size()));
  EXPECT_EQ(Md5Hex(CTempFolder::Read(ProductPath())), Md5Hex(first + second));
}

// A stop reaches readers in the middle of large files: each finishes the
// chunk it is in and reads no further, and every file it did not finish
// comes back as stopped.
TEST_F(FileCheckJoinTest, PartReadersStopWithinAChunk) {
  constexpr int FILES = 3;
  std::vector<QString> paths;
  for (int i = 0; i < FILES; ++i)
    paths.push_back(Temp.Write(QString("big%1").arg(i), QByteArray(40 * CMD5Digest::CHUNK_SIZE, 'a' + i)));
  std::atomic<int> stop{0};
  std::atomic<int> stepsAfterStop{0};
  {
    CPartReaders readers(paths, &stop, [&] {
      if (stop.exchange(1) != 0) ++stepsAfterStop;
    });
    int stopped = 0;
    for (int i = 0; i < FILES; ++i) {
      CFileIdentity identity;
      stopped += readers.Take(i, identity).Result == CMD5Digest::HASH_STOPPED ? 1 : 0;
    }
    EXPECT_EQ(stopped, FILES);
  }
  EXPECT_LE(stepsAfterStop.load(), CPartReaders::ReaderCount(FILES) - 1) << "a reader read on past the stop";
}

TEST_F(FileCheckJoinTest, JoinFailures) {
  CFileJoint joint(Log);
  EXPECT_EQ(joint.Join(List), 0u);  // no entry 0
  EXPECT_FALSE(Log.Has("TRACE Jointed file="));

  // Entry 0 alone: an empty product, which counts as a failure.
  AddEntry(0, EMPTY_MD5, 0, "product.bin");
  EXPECT_EQ(joint.Join(List), 0u);
  EXPECT_TRUE(QFileInfo(ProductPath()).exists());
  EXPECT_EQ(QFileInfo(ProductPath()).size(), 0);

  // A missing part: its mark is cleared and the product keeps what was written.
  AddPart(1, "abc");
  CDownloadEntry* missing = AddEntry(2, Md5Hex("gone"));
  CDownloadEntry* unnamed = AddEntry(3, " " + EMPTY_MD5.mid(1));
  missing->IsDownloaded = 1;
  unnamed->IsDownloaded = 1;
  Log.Clear();
  EXPECT_EQ(joint.Join(List), 0u);
  EXPECT_EQ(missing->IsDownloaded, 0);
  EXPECT_EQ(CTempFolder::Read(ProductPath()), "abc");
  EXPECT_TRUE(Log.Has("ERROR Downloaded file open error:" + List.GetTempFilePath(missing)));

  // A part that names no file fails without opening anything.
  Temp.Write("DownloadTemp/DownloadFile_" + Md5Hex("gone") + ".TMP", "gone");
  EXPECT_EQ(joint.Join(List), 0u);
  EXPECT_EQ(unnamed->IsDownloaded, 0);
  EXPECT_EQ(CTempFolder::Read(ProductPath()), "abcgone");

  // The product cannot be created.
  List.SetTargetSaveDir(Temp.File("no/such/folder"));
  Log.Clear();
  EXPECT_EQ(joint.Join(List), 0u);
  EXPECT_TRUE(Log.Has("ERROR Downloaded file open error:" + Temp.File("no/such/folder/product.bin")));
}

TEST_F(FileCheckJoinTest, AWriteErrorIsReportedAndFails) {
  CMessageBoxResponder responder;
  AddEntry(0, EMPTY_MD5, 0, "full.bin");
  AddPart(1, "abcdefghij");
  CFileJoint joint(Log);
  QStringList reasons;
  joint.SetWriteFailureReport([&reasons](const QString& reason) { reasons << reason; });
  {
    CFileSizeLimit full(5);
    EXPECT_EQ(joint.Join(List), 0u);
  }
  ASSERT_EQ(reasons.size(), 1);
  EXPECT_FALSE(reasons[0].isEmpty());
  EXPECT_TRUE(responder.Asked().empty()) << "the owner shows the box";
  EXPECT_TRUE(Log.Has("ERROR Downloaded file I/O error()" + reasons[0] + ":" + List.GetOutputFilePath()));
}

}  // namespace
