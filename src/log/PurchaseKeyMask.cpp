#include "log/PurchaseKeyMask.h"

namespace {

const QString KEY_PARAMETER = QStringLiteral("KEY=");

bool EndsValue(QChar c) { return c == QLatin1Char('&') || c == QLatin1Char('\'') || c == QLatin1Char('"') || c.isSpace(); }

}  // namespace

QString MaskPurchaseKey(const QString& text) {
  qsizetype found = text.indexOf(KEY_PARAMETER);
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
    found = text.indexOf(KEY_PARAMETER, valueEnd);
  }
  masked += QStringView(text).mid(copied);
  return masked;
}
