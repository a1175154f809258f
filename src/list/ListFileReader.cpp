#include "list/ListFileReader.h"

#include <QStringDecoder>

#include <algorithm>

namespace {

// How many bytes at the end of the chunk start a UTF-8 sequence that the
// chunk does not finish; they wait for the next chunk.
qsizetype UnfinishedTail(const QByteArray& bytes) {
  const qsizetype size = bytes.size();
  for (qsizetype back = 1; back <= 3 && back <= size; ++back) {
    const auto byte = static_cast<unsigned char>(bytes[size - back]);
    if ((byte & 0xC0) == 0x80) continue;  // a continuation byte: look further back
    qsizetype needed = 1;
    if ((byte & 0xE0) == 0xC0) needed = 2;
    else if ((byte & 0xF0) == 0xE0) needed = 3;
    else if ((byte & 0xF8) == 0xF0) needed = 4;
    return needed > back ? back : 0;
  }
  return 0;
}

QString DecodeUtf8(const QByteArray& bytes) {
  // Stateless: the carried tail is handled above; the mark is dropped by
  // hand, only at the start of the file.
  QStringDecoder decoder(QStringDecoder::Utf8,
                         QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
  return decoder.decode(bytes);
}

}  // namespace

bool CListFileReader::Fill() {
  if (AtEnd) return false;
  // A small file is read in one piece without a full-size buffer.
  qint64 wanted = ChunkBytes;
  if (!Device.isSequential()) wanted = std::clamp<qint64>(Device.size() - Device.pos(), 1, ChunkBytes);
  QByteArray bytes = CarriedBytes + Device.read(wanted);
  CarriedBytes.clear();
  const bool lastChunk = bytes.size() == 0 || Device.atEnd();
  if (AtStart) {
    const QByteArray byteOrderMark("\xEF\xBB\xBF");
    if (!lastChunk && bytes.size() < byteOrderMark.size() && byteOrderMark.startsWith(bytes)) {
      CarriedBytes = bytes;  // too short yet to tell a mark from text
      return true;
    }
    AtStart = false;
    if (bytes.startsWith(byteOrderMark)) bytes.remove(0, byteOrderMark.size());
  }
  if (!lastChunk) {
    const qsizetype tail = UnfinishedTail(bytes);
    CarriedBytes = bytes.right(tail);
    bytes.chop(tail);
  }
  AppendText(DecodeUtf8(bytes));
  if (lastChunk) {
    AtEnd = true;
    if (HeldCr) Pending += QLatin1Char('\r');
    HeldCr = false;
  }
  return true;
}

void CListFileReader::AppendText(const QString& text) {
  if (PendingPos >= Pending.size()) {
    Pending.clear();
    PendingPos = 0;
  }
  Pending.reserve(Pending.size() + text.size() + 1);
  for (const QChar c : text) {
    if (HeldCr) {
      HeldCr = false;
      if (c != QLatin1Char('\n')) Pending += QLatin1Char('\r');
    }
    if (c == QLatin1Char('\r')) HeldCr = true;
    else Pending += c;
  }
}

bool CListFileReader::ReadLine(QString& line) {
  line.clear();
  while (line.size() < MAX_PIECE_CHARS) {
    if (PendingPos >= Pending.size() && !Fill()) break;
    const qsizetype available = Pending.size() - PendingPos;
    if (available == 0) continue;
    qsizetype take = std::min(MAX_PIECE_CHARS - line.size(), available);
    const qsizetype lineFeed = Pending.indexOf(QLatin1Char('\n'), PendingPos);
    const bool endsHere = lineFeed >= 0 && lineFeed < PendingPos + take;
    if (endsHere) take = lineFeed - PendingPos + 1;
    line += QStringView(Pending).mid(PendingPos, take);
    PendingPos += take;
    if (endsHere) return true;
  }
  return !line.isEmpty();
}
