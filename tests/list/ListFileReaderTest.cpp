#include "list/DownloadList.h"
#include "list/ListFileReader.h"
#include "support/MemoryLog.h"
#include "support/QtPrint.h"
#include "support/TempFolder.h"

#include <QBuffer>

#include <gtest/gtest.h>

namespace {

QStringList ReadPieces(const QByteArray& bytes, qint64 chunkBytes = CListFileReader::READ_CHUNK_BYTES) {
  QBuffer buffer;
  buffer.setData(bytes);
  buffer.open(QIODevice::ReadOnly);
  CListFileReader reader(buffer, chunkBytes);
  QStringList pieces;
  QString piece;
  while (reader.ReadLine(piece)) pieces << piece;
  return pieces;
}

QString Repeat(const QString& text, int times) { return text.repeated(times); }

constexpr int CHUNK = static_cast<int>(CListFileReader::READ_CHUNK_BYTES);
constexpr int PIECE = static_cast<int>(CListFileReader::MAX_PIECE_CHARS);

TEST(ListFileReaderTest, SplitsTheTextIntoLinesAndPieces) {
  const QString longJapanese = Repeat(QStringLiteral("あ"), 5000);
  const QString smiles = Repeat(QStringLiteral("😀"), 3000);  // two UTF-16 units each
  const struct {
    const char* Name;
    QByteArray Bytes;
    QStringList Pieces;
  } cases[] = {
      {"LF lines", "a,b\nc\n", {"a,b\n", "c\n"}},
      {"CR LF lines", "a,b\r\nc\r\n", {"a,b\n", "c\n"}},
      {"a lone CR stays", "a\rb\n", {"a\rb\n"}},
      {"CR CR LF", "a\r\r\n", {"a\r\n"}},
      {"a CR at the very end", "a\r", {"a\r"}},
      {"no final line break", "a\nb", {"a\n", "b"}},
      {"empty file", "", {}},
      {"byte-order mark dropped", "\xEF\xBB\xBFVN,1\n", {"VN,1\n"}},
      {"only a byte-order mark", "\xEF\xBB\xBF", {}},
      {"a later byte-order mark is text", "a\n\xEF\xBB\xBF" "b\n", {"a\n", QStringLiteral("\uFEFFb\n")}},
      {"Japanese", "MS,1,日本語\n", {"MS,1,日本語\n"}},
      {"invalid bytes become U+FFFD", "a\xFF" "b\n", {QStringLiteral("a\uFFFDb\n")}},
      {"a truncated sequence before the line end", "a\xE3\x81\nb\n", {QStringLiteral("a\uFFFD\uFFFD\n"), "b\n"}},
      {"a truncated sequence at the end", "a\xE3\x81", {QStringLiteral("a\uFFFD\uFFFD")}},
      {"NUL is kept for the caller", QByteArray("a\0b\n", 4), {QString("a") + QChar(0) + "b\n"}},
      {"4094 characters and CR LF fit one piece", QByteArray(PIECE - 1, 'a') + "\r\nb\n",
       {QString(PIECE - 1, 'a') + "\n", "b\n"}},
      {"4095 characters leave the LF for the next piece", QByteArray(PIECE, 'a') + "\n",
       {QString(PIECE, 'a'), "\n"}},
      {"5000 Japanese characters are two pieces", longJapanese.toUtf8() + "\n",
       {longJapanese.left(PIECE), longJapanese.mid(PIECE) + "\n"}},
      {"pieces count UTF-16 units", smiles.toUtf8(), {smiles.left(PIECE), smiles.mid(PIECE)}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(ReadPieces(c.Bytes), c.Pieces);
    // Chunks that end inside a mark, a character or a CR LF pair.
    for (int chunk = 1; chunk <= 4; ++chunk) EXPECT_EQ(ReadPieces(c.Bytes, chunk), c.Pieces) << chunk << "-byte chunks";
  }
}

// What crosses a 100 KiB read must come out as if read in one go.
TEST(ListFileReaderTest, ChunkBoundariesChangeNothing) {
  const struct {
    const char* Name;
    QByteArray Tail;
    QString Text;
  } cases[] = {
      {"CR LF split", "\r\nb\n", "\nb\n"},
      {"three-byte character split", "日本\n", "日本\n"},
      {"four-byte character split", "😀\n", "😀\n"},
      {"invalid byte at the boundary", "\xFF\n", QStringLiteral("\uFFFD\n")},
  };
  for (const auto& c : cases) {
    for (int before = 1; before <= 3; ++before) {
      SCOPED_TRACE(testing::Message() << c.Name << " after " << CHUNK - before << " bytes");
      const QByteArray bytes = QByteArray(CHUNK - before, 'a') + c.Tail;
      const QStringList pieces = ReadPieces(bytes);
      EXPECT_EQ(pieces.join(QString()), QString(CHUNK - before, 'a') + c.Text);
      for (const QString& piece : pieces) EXPECT_LE(piece.size(), PIECE);
    }
  }
}

class ListFileLoadTest : public ::testing::Test {
protected:
  CTempFolder Temp;
  CMemoryLog Logger;
  CDownloadList List{Logger};
};

TEST_F(ListFileLoadTest, ParsesEachPieceOfALongLineAsALine) {
  const QString text = QStringLiteral("MS,1,") + Repeat(QStringLiteral("あ"), PIECE - 5) + QStringLiteral("VN,42") +
                       QString(5000 - PIECE - 5, 'y') + QStringLiteral("\nSN,0,日本語,7,Japanese\n");
  List.LoadListFile(Temp.Write("long.lst", text.toUtf8()));
  EXPECT_EQ(List.GetMessageText(1), Repeat(QStringLiteral("あ"), PIECE - 5));
  EXPECT_EQ(List.FileVersion, 42);
  EXPECT_EQ(List.SoftwareName, "日本語");
  EXPECT_EQ(List.SoftwareEnName, "Japanese");
}

TEST_F(ListFileLoadTest, ReadsTheSameListInEveryLayout) {
  const struct {
    const char* Name;
    QByteArray Bytes;
  } cases[] = {
      {"LF", "VN,3\nDL,0,製品.bin,d0,9\nMS,1,こんにちは\n"},
      {"CR LF", "VN,3\r\nDL,0,製品.bin,d0,9\r\nMS,1,こんにちは\r\n"},
      {"byte-order mark", "\xEF\xBB\xBFVN,3\nDL,0,製品.bin,d0,9\nMS,1,こんにちは\n"},
      {"no final line break", "VN,3\nDL,0,製品.bin,d0,9\nMS,1,こんにちは"},
      {"blank lines", "\n\nVN,3\n\r\nDL,0,製品.bin,d0,9\n\nMS,1,こんにちは\n\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    CDownloadList list(Logger);
    list.LoadListFile(Temp.Write("layout.lst", c.Bytes));
    EXPECT_EQ(list.FileVersion, 3);
    ASSERT_NE(list.GetDownloadEntry(0), nullptr);
    EXPECT_EQ(list.GetDownloadEntry(0)->FileName, "製品.bin");
    EXPECT_EQ(list.GetDownloadEntry(0)->Size, 9);
    EXPECT_EQ(list.GetMessageText(1), "こんにちは");
  }
}

TEST_F(ListFileLoadTest, AFileThatCannotBeOpenedAddsNothing) {
  List.LoadListFile(Temp.Write("a.lst", "VN,5\n"));
  for (const QString& path : {Temp.File("missing.lst"), Temp.Path()}) {
    SCOPED_TRACE(path.toStdString());
    Logger.TakeLines();
    List.LoadListFile(path);
    EXPECT_EQ(List.FileVersion, 5);
    EXPECT_EQ(List.GetDownloadEntryCount(), 0);
    EXPECT_EQ(List.ListFilePath, path);
    EXPECT_EQ(Logger.TakeLines(), QStringList{"ERROR List file open error:" + path});
  }
}

}  // namespace
