// Feeds arbitrary bytes to the list as a list file, then checks what must
// hold for any list: derived paths stay inside the save folder, part files
// are named only from real digests, and an appended save folder is what
// the next load of the file restores.
#include "list/DownloadList.h"
#include "list/ListFileReader.h"
#include "log/LogWriter.h"

#include <QBuffer>
#include <QDir>
#include <QFile>

#include <cstdint>
#include <cstdlib>
#include <unistd.h>

namespace {

// Formats every line at every level but keeps none of them.
class CNullLogger : public CLogWriter {
public:
  CNullLogger() { SetLevel(6, true); }
  bool Write(const QString&) override { return true; }
  QString FormatLine(const QString&, int, int, const QString& message) const override { return message; }
};

void Require(bool condition) {
  if (!condition) std::abort();
}

QStringList ReadPieces(const QByteArray& bytes, qint64 chunkBytes) {
  QBuffer buffer;
  buffer.setData(bytes);
  buffer.open(QIODevice::ReadOnly);
  CListFileReader reader(buffer, chunkBytes);
  QStringList pieces;
  QString piece;
  while (reader.ReadLine(piece)) {
    Require(!piece.isEmpty() && piece.size() <= CListFileReader::MAX_PIECE_CHARS);
    pieces << piece;
  }
  return pieces;
}

QString ScratchPath() {
  static const QString path = QDir::tempPath() + QStringLiteral("/parcel2_list_fuzz_%1.lst").arg(getpid());
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Where the read chunks end must not change the text.
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const QStringList pieces = ReadPieces(bytes, CListFileReader::READ_CHUNK_BYTES);
  // Byte-sized chunks only for short inputs: they cost a read per byte.
  const qint64 chunkBytes = size <= 1024 ? 1 + size % 7 : 1021 + size % 7;
  Require(ReadPieces(bytes, chunkBytes) == pieces);

  const QString path = ScratchPath();
  {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
    file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
  }

  CNullLogger logger;
  CDownloadList list(logger);
  list.LoadListFile(path);
  list.WriteToLog();

  const QString saveDir = QStringLiteral("/fuzz/save");
  list.SetTargetSaveDir(saveDir);
  const QString output = list.GetOutputFilePath();
  Require(output.isEmpty() || (output.startsWith(saveDir + QLatin1Char('/')) &&
                               output.lastIndexOf(QLatin1Char('/')) == saveDir.size() &&
                               output.size() > saveDir.size() + 1 && !output.contains(QLatin1Char('\\'))));
  for (int i = 0; i < list.GetDownloadEntryCount(); ++i) {
    const QString name = CDownloadList::MakeTempFileName(list.GetDownloadEntry(i));
    Require(name.isEmpty() || (name.size() == 49 && !name.contains(QLatin1Char('/'))));
  }
  list.GetRequiredSpace();
  for (int i = 0; i < list.GetInstallEntryCount() + 1; ++i) list.GetInstallEntry(i);

  Require(list.AppendTargetSaveDir());
  CDownloadList reloaded(logger);
  reloaded.LoadListFile(path);
  Require(reloaded.TargetSaveDir == saveDir);
  return 0;
}
