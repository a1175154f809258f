#pragma once

#include <QString>

#include <cstdint>
#include <type_traits>
#include <variant>
#include <vector>

// printf-style formatting for the program's texts and log lines. The texts
// keep their C formats ("Args token[%d]=%s", "%.1f GB", "%I64u"); the
// arguments are typed, so a %s always takes a QString and never reads
// through a stray pointer. An argument of the wrong kind prints as if
// converted; a missing argument prints nothing.
class CFormatArg {
public:
  using Value = std::variant<std::int64_t, std::uint64_t, double, QString>;

  template <typename T>
    requires std::is_integral_v<T> && (!std::is_same_v<T, bool>)
  CFormatArg(T value) {
    if constexpr (std::is_signed_v<T>)
      ValueHeld = static_cast<std::int64_t>(value);
    else
      ValueHeld = static_cast<std::uint64_t>(value);
  }
  CFormatArg(bool value) : ValueHeld(static_cast<std::int64_t>(value)) {}
  CFormatArg(double value) : ValueHeld(value) {}
  CFormatArg(float value) : ValueHeld(static_cast<double>(value)) {}
  CFormatArg(const QString& value) : ValueHeld(value) {}
  CFormatArg(const char* utf8) : ValueHeld(QString::fromUtf8(utf8)) {}
  CFormatArg(QChar value) : ValueHeld(static_cast<std::int64_t>(value.unicode())) {}

  const Value& Get() const { return ValueHeld; }

private:
  Value ValueHeld;
};

QString FormatTextWith(const QString& format, const std::vector<CFormatArg>& args);

template <typename... Args>
QString FormatText(const QString& format, const Args&... args) {
  return FormatTextWith(format, std::vector<CFormatArg>{CFormatArg(args)...});
}
