#include "log/PurchaseKeyMask.h"

#include <QUrl>

#include <mutex>

namespace {

const QString KEY_PARAMETER = QStringLiteral("KEY=");

std::mutex KeyLock;
QString MaskedKey;  // under KeyLock

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

}  // namespace

void SetMaskedPurchaseKey(const QString& key) {
  std::lock_guard<std::mutex> lock(KeyLock);
  MaskedKey = key;
}

QString MaskPurchaseKey(const QString& text) {
  QString key;
  {
    std::lock_guard<std::mutex> lock(KeyLock);
    key = MaskedKey;
  }
  QString masked = text;
  // The host may give the key back anywhere (an error answer, a redirect's
  // address), as it was sent or percent-encoded. The key goes first: one
  // that holds "&KEY=" itself (a link can carry any key) would otherwise be
  // cut by the parameter's mask and its first half be written.
  if (!key.isEmpty()) {
    masked.replace(key, MASKED_PURCHASE_KEY);
    const QString encoded = QString::fromLatin1(QUrl::toPercentEncoding(key));
    if (encoded != key) masked.replace(encoded, MASKED_PURCHASE_KEY, Qt::CaseInsensitive);
  }
  return MaskKeyParameters(masked);
}

QString EscapeControlCharacters(const QString& text) {
  QString escaped;
  escaped.reserve(text.size());
  for (const QChar c : text) {
    if (c == QLatin1Char('\\')) escaped += QStringLiteral("\\\\");
    else if (c == QLatin1Char('\r')) escaped += QStringLiteral("\\r");
    else if (c == QLatin1Char('\n')) escaped += QStringLiteral("\\n");
    else if (c == QLatin1Char('\t')) escaped += QStringLiteral("\\t");
    else if (c.category() == QChar::Other_Control) escaped += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
    else escaped += c;
  }
  return escaped;
}
