#include "list/ListSignature.h"

#include <QList>

#include <limits>

namespace {

// One line of the list's bytes: where it starts, its text without the line
// end, and where the next one starts.
struct CLine {
  qsizetype Start = 0;
  QByteArrayView Text;
  qsizetype Next = 0;
  bool HasCrLf = false;
};

CLine LineAt(const QByteArray& bytes, qsizetype start) {
  CLine line;
  line.Start = start;
  qsizetype end = bytes.indexOf('\n', start);
  line.Next = end < 0 ? bytes.size() : end + 1;
  if (end < 0) end = bytes.size();
  line.HasCrLf = end < bytes.size() && end > start && bytes[end - 1] == '\r';
  if (end > start && bytes[end - 1] == '\r') --end;
  line.Text = QByteArrayView(bytes).sliced(start, end - start);
  return line;
}

bool IsLowerHex(QByteArrayView text) {
  for (const char c : text)
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  return true;
}

// Only what AppendTargetSaveDir writes: "TD,," and a folder without a
// comma, ended by CR LF.
bool IsOwnFolderLine(const CLine& line) {
  return line.HasCrLf && line.Text.startsWith("TD,,") && !line.Text.sliced(4).contains(',');
}

bool ReadSerial(QByteArrayView text, std::int64_t& serial) {
  if (text.isEmpty() || text.size() > 19) return false;
  std::int64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    const int digit = c - '0';
    if (value > (std::numeric_limits<std::int64_t>::max() - digit) / 10) return false;
    value = value * 10 + digit;
  }
  serial = value;
  return value >= 1;
}

bool ReadExpiry(QByteArrayView text, QDateTime& expires) {
  // Exactly YYYY-MM-DDTHH:MM:SSZ: Qt's ISO reader would take more forms.
  static const char SHAPE[] = "dddd-dd-ddTdd:dd:ddZ";
  if (text.size() != qsizetype(sizeof SHAPE - 1)) return false;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const bool digit = text[i] >= '0' && text[i] <= '9';
    if (SHAPE[i] == 'd' ? !digit : text[i] != SHAPE[i]) return false;
  }
  expires = QDateTime::fromString(QString::fromLatin1(text), Qt::ISODate);
  return expires.isValid() && expires.timeSpec() == Qt::UTC;
}

// The one SV line among the signed lines; false when there is none, more
// than one, or one that cannot be read.
bool ReadVersionLine(const QByteArray& bytes, qsizetype signedSize, CListVerdict& verdict) {
  int found = 0;
  for (qsizetype start = 0; start < signedSize;) {
    const CLine line = LineAt(bytes, start);
    start = line.Next;
    if (!line.Text.startsWith("SV,")) continue;
    const QList<QByteArray> fields = line.Text.toByteArray().split(',');
    if (++found > 1 || fields.size() != 3 || !ReadSerial(fields[1], verdict.Serial) ||
        !ReadExpiry(fields[2], verdict.Expires))
      return false;
  }
  return found == 1;
}

CListVerdict Problem(EListProblem problem, CListVerdict verdict = {}) {
  verdict.Problem = problem;
  return verdict;
}

}  // namespace

CListVerdict CheckListSignature(const QByteArray& bytes, const CMakerKeys& keys, const QDateTime& now,
                                std::int64_t highestSerial) {
  CLine signature;
  bool signedList = false;
  for (qsizetype start = 0; start < bytes.size() && !signedList;) {
    signature = LineAt(bytes, start);
    start = signature.Next;
    signedList = signature.Text.startsWith("SG,");
  }
  if (!signedList) return Problem(LIST_NOT_SIGNED);
  for (qsizetype start = signature.Next; start < bytes.size();) {
    const CLine line = LineAt(bytes, start);
    start = line.Next;
    if (!IsOwnFolderLine(line)) return Problem(LIST_NO_MATCH);
  }

  const QList<QByteArray> fields = signature.Text.toByteArray().split(',');
  if (fields.size() != 3 || fields[1].size() != 16 || !IsLowerHex(fields[1])) return Problem(LIST_NO_MATCH);
  CListVerdict verdict;
  verdict.KeyId = fields[1];
  const CMakerKey* key = keys.Find(verdict.KeyId);
  if (!key) return Problem(LIST_UNKNOWN_KEY, verdict);
  // Standard base64 with its padding, nothing else.
  const auto decoded = QByteArray::fromBase64Encoding(fields[2], QByteArray::AbortOnBase64DecodingErrors);
  if (!decoded || fields[2].size() % 4 != 0 ||
      !VerifyEd25519(key->Raw, bytes.left(signature.Start), decoded.decoded))
    return Problem(LIST_NO_MATCH, verdict);

  if (!ReadVersionLine(bytes, signature.Start, verdict)) return Problem(LIST_NOT_SIGNED, verdict);
  if (now >= verdict.Expires) return Problem(LIST_EXPIRED, verdict);
  if (verdict.Serial < highestSerial) return Problem(LIST_OLDER, verdict);
  return verdict;
}

QString ListProblemLogText(const CListVerdict& verdict) {
  switch (verdict.Problem) {
    case LIST_TRUSTED: return QStringLiteral("trusted");
    case LIST_NOT_SIGNED: return QStringLiteral("not signed");
    case LIST_NO_MATCH: return QStringLiteral("does not match");
    case LIST_UNKNOWN_KEY: return QStringLiteral("unknown key");
    case LIST_EXPIRED: return QStringLiteral("expired on ") + FormatListExpiry(verdict.Expires);
    case LIST_OLDER: return QStringLiteral("older than the list seen before");
    case LIST_OTHER_ORIGIN: return QStringLiteral("fetched from another host or with another purchase key");
  }
  return QString();
}

QString FormatListExpiry(const QDateTime& expires) {
  return expires.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss 'UTC'"));
}
