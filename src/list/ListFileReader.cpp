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
  QByteArray bytes = CarriedBytes + Device.read(READ_CHUNK_BYTES);
  CarriedBytes.clear();
  const bool lastChunk = bytes.size() == 0 || Device.atEnd();
  if (AtStart) {
    AtStart = false;
    if (bytes.startsWith("\xEF\xBB\xBF")) bytes.remove(0, 3);
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
