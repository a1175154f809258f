#include "platform/DecimalText.h"

#include <limits>

namespace {

bool IsCSpace(QChar c) {
  return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n') ||
         c == QLatin1Char('\v') || c == QLatin1Char('\f') || c == QLatin1Char('\r');
}

}  // namespace

std::int32_t DecimalToInt(const QString& text) {
  constexpr std::int64_t max = std::numeric_limits<std::int32_t>::max();
  constexpr std::int64_t min = std::numeric_limits<std::int32_t>::min();
  int i = 0;
  const int length = text.size();
  while (i < length && IsCSpace(text[i])) ++i;
  bool negative = false;
  if (i < length && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
    negative = text[i] == QLatin1Char('-');
    ++i;
  }
  std::int64_t value = 0;
  for (; i < length && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9'); ++i) {
    value = value * 10 + (text[i].unicode() - u'0');
    if (value > max + 1) value = max + 1;  // past either limit; stop growing
  }
  if (negative) return static_cast<std::int32_t>(-value < min ? min : -value);
  return static_cast<std::int32_t>(value > max ? max : value);
}

bool ParseByteCount(const QString& text, std::int64_t& value) {
  constexpr std::int64_t max = std::numeric_limits<std::int64_t>::max();
  if (text.isEmpty()) return false;
  std::int64_t parsed = 0;
  for (const QChar c : text) {
    if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
    const int digit = c.unicode() - u'0';
    if (parsed > (max - digit) / 10) return false;
    parsed = parsed * 10 + digit;
  }
  value = parsed;
  return true;
}
