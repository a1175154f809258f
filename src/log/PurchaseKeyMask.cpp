#include "log/PurchaseKeyMask.h"

#include <QRegularExpression>

#include <mutex>

namespace {

const QString KEY_PARAMETER = QStringLiteral("KEY=");

std::mutex KeyLock;
QRegularExpression MaskedKey;  // under KeyLock; invalid for no key

bool EndsValue(QChar c) { return c == QLatin1Char('&') || c == QLatin1Char('\'') || c == QLatin1Char('"') || c.isSpace(); }

QString MaskKeyParameters(const QString& text) {
  qsizetype found = text.indexOf(KEY_PARAMETER, 0, Qt::CaseInsensitive);
  if (found < 0) return text;
  QString masked;
  qsizetype copied = 0;
  while (found >= 0) {
    const qsizetype valueStart = found + KEY_PARAMETER.size();
    qsizetype valueEnd = valueStart;
    while (valueEnd < text.size() && !EndsValue(text[valueEnd])) ++valueEnd;
    masked += QStringView(text).mid(copied, valueStart - copied);
    if (valueEnd > valueStart) masked += MASKED_PURCHASE_KEY;
    copied = valueEnd;
    found = text.indexOf(KEY_PARAMETER, valueEnd, Qt::CaseInsensitive);
  }
  masked += QStringView(text).mid(copied);
  return masked;
}

// "%" and the two hex digits of a byte, in either case.
QString PercentPattern(unsigned char byte) {
  QString pattern = QStringLiteral("%");
  for (const int digit : {byte >> 4, byte & 15}) {
    const QChar upper = QLatin1Char("0123456789ABCDEF"[digit]);
    pattern += digit < 10 ? QString(upper) : QLatin1Char('[') + upper + upper.toLower() + QLatin1Char(']');
  }
  return pattern;
}

// Every spelling of the key the program or a host's script writes, each
// character on its own: as it is, percent-encoded in either case, a space
// as a form writes it ("+"), or after a backslash (a backslash doubled, a
// quote escaped).
QRegularExpression SpellingsOf(const QString& key) {
  QString pattern;
  for (const char32_t point : key.toUcs4()) {
    const QString character = QString::fromUcs4(&point, 1);
    const QString literal = QRegularExpression::escape(character);
    QString encoded;
    for (const char byte : character.toUtf8()) encoded += PercentPattern(static_cast<unsigned char>(byte));
    pattern += QStringLiteral("(?:%1|\\\\%1|%2%3)")
                   .arg(literal, encoded, point == U' ' ? QStringLiteral("|\\+") : QString());
  }
  return QRegularExpression(pattern);
}

}  // namespace

void SetMaskedPurchaseKey(const QString& key) {
  QRegularExpression spellings = key.isEmpty() ? QRegularExpression() : SpellingsOf(key);
  std::lock_guard<std::mutex> lock(KeyLock);
  MaskedKey = std::move(spellings);
}

QString MaskPurchaseKey(const QString& text) {
  QRegularExpression key;
  {
    std::lock_guard<std::mutex> lock(KeyLock);
    key = MaskedKey;
  }
  QString masked = text;
  // The host may give the key back anywhere (an error answer, a redirect's
  // address), in any of its spellings. The key goes first: one that holds
  // "&KEY=" itself (a link can carry any key) would otherwise be cut by the
  // parameter's mask and its first half be written.
  if (!key.pattern().isEmpty()) masked.replace(key, MASKED_PURCHASE_KEY);
  return MaskKeyParameters(masked);
}

QString EscapeControlCharacters(const QString& text) {
  // Masked first: escaping changes the key's spelling ("AB\CD" would be
  // written "AB\\CD").
  const QString masked = MaskPurchaseKey(text);
  QString escaped;
  escaped.reserve(masked.size());
  for (const QChar c : masked) {
    if (c == QLatin1Char('\\')) escaped += QStringLiteral("\\\\");
    else if (c == QLatin1Char('\r')) escaped += QStringLiteral("\\r");
    else if (c == QLatin1Char('\n')) escaped += QStringLiteral("\\n");
    else if (c == QLatin1Char('\t')) escaped += QStringLiteral("\\t");
    else if (c.category() == QChar::Other_Control) escaped += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
    else escaped += c;
  }
  return escaped;
}
