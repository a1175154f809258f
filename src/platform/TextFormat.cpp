#include "platform/TextFormat.h"

#include <cstdio>
#include <string>

namespace {

struct CDirective {
  QString Flags;
  int Width = -1;
  int Precision = -1;
  QChar Conversion;
};

std::int64_t AsSigned(const CFormatArg::Value& value) {
  if (auto v = std::get_if<std::int64_t>(&value)) return *v;
  if (auto v = std::get_if<std::uint64_t>(&value)) return static_cast<std::int64_t>(*v);
  if (auto v = std::get_if<double>(&value)) return static_cast<std::int64_t>(*v);
  return 0;
}

std::uint64_t AsUnsigned(const CFormatArg::Value& value) {
  if (auto v = std::get_if<std::uint64_t>(&value)) return *v;
  if (auto v = std::get_if<std::int64_t>(&value)) return static_cast<std::uint64_t>(*v);
  if (auto v = std::get_if<double>(&value)) return static_cast<std::uint64_t>(*v);
  return 0;
}

double AsDouble(const CFormatArg::Value& value) {
  if (auto v = std::get_if<double>(&value)) return *v;
  if (auto v = std::get_if<std::int64_t>(&value)) return static_cast<double>(*v);
  if (auto v = std::get_if<std::uint64_t>(&value)) return static_cast<double>(*v);
  return 0.0;
}

QString AsText(const CFormatArg::Value& value) {
  if (auto v = std::get_if<QString>(&value)) return *v;
  if (auto v = std::get_if<std::int64_t>(&value)) return QString::number(*v);
  if (auto v = std::get_if<std::uint64_t>(&value)) return QString::number(*v);
  return QString::number(std::get<double>(value));
}

// Numbers go through the C library so widths, precisions and flags behave
// exactly as the formats were written for.
QString FormatNumber(const CDirective& directive, const CFormatArg::Value& value) {
  std::string cFormat(1, '%');
  cFormat += directive.Flags.toStdString();
  if (directive.Width >= 0) cFormat += std::to_string(directive.Width);
  if (directive.Precision >= 0) {
    cFormat += '.';
    cFormat += std::to_string(directive.Precision);
  }
  const char conversion = static_cast<char>(directive.Conversion.unicode());
  char buffer[512];
  switch (conversion) {
    case 'd': case 'i':
      cFormat += "lld";
      std::snprintf(buffer, sizeof buffer, cFormat.c_str(), static_cast<long long>(AsSigned(value)));
      break;
    case 'u': case 'x': case 'X': case 'o':
      cFormat += "ll";
      cFormat += conversion;
      std::snprintf(buffer, sizeof buffer, cFormat.c_str(), static_cast<unsigned long long>(AsUnsigned(value)));
      break;
    default:
      cFormat += conversion;
      std::snprintf(buffer, sizeof buffer, cFormat.c_str(), AsDouble(value));
      break;
  }
  return QString::fromLatin1(buffer);
}

QString Pad(const CDirective& directive, QString text) {
  if (directive.Precision >= 0 && text.size() > directive.Precision) text.truncate(directive.Precision);
  if (directive.Width > text.size()) {
    const QString fill(directive.Width - text.size(), QLatin1Char(' '));
    text = directive.Flags.contains(QLatin1Char('-')) ? text + fill : fill + text;
  }
  return text;
}

bool IsLengthModifier(QChar c) {
  return c == QLatin1Char('h') || c == QLatin1Char('l') || c == QLatin1Char('L') ||
         c == QLatin1Char('z') || c == QLatin1Char('j') || c == QLatin1Char('t') ||
         c == QLatin1Char('q');
}

}  // namespace

QString FormatTextWith(const QString& format, const std::vector<CFormatArg>& args) {
  QString out;
  out.reserve(format.size() + 16 * static_cast<int>(args.size()));
  std::size_t nextArg = 0;
  const auto takeArg = [&]() -> const CFormatArg::Value* {
    return nextArg < args.size() ? &args[nextArg++].Get() : nullptr;
  };

  const int length = format.size();
  for (int i = 0; i < length; ++i) {
    const QChar c = format[i];
    if (c != QLatin1Char('%')) {
      out += c;
      continue;
    }
    if (i + 1 < length && format[i + 1] == QLatin1Char('%')) {
      out += QLatin1Char('%');
      ++i;
      continue;
    }
    CDirective directive;
    int j = i + 1;
    while (j < length && QStringLiteral("-+ #0").contains(format[j])) directive.Flags += format[j++];
    if (j < length && format[j] == QLatin1Char('*')) {
      const auto* width = takeArg();
      directive.Width = width ? static_cast<int>(AsSigned(*width)) : 0;
      ++j;
    } else {
      while (j < length && format[j].isDigit()) directive.Width = std::max(directive.Width, 0) * 10 + format[j++].digitValue();
    }
    if (j < length && format[j] == QLatin1Char('.')) {
      ++j;
      directive.Precision = 0;
      if (j < length && format[j] == QLatin1Char('*')) {
        const auto* precision = takeArg();
        directive.Precision = precision ? static_cast<int>(AsSigned(*precision)) : 0;
        ++j;
      } else {
        while (j < length && format[j].isDigit()) directive.Precision = directive.Precision * 10 + format[j++].digitValue();
      }
    }
    // Length modifiers only describe C argument sizes; our arguments carry
    // their own type. "%I64u" is the 64-bit form some formats were written with.
    if (format.mid(j, 3) == QLatin1String("I64") || format.mid(j, 3) == QLatin1String("I32")) j += 3;
    while (j < length && IsLengthModifier(format[j])) ++j;
    if (j >= length) {
      out += format.mid(i);
      break;
    }
    directive.Conversion = format[j];
    const char conversion = static_cast<char>(directive.Conversion.unicode());
    switch (conversion) {
      case 'd': case 'i': case 'u': case 'x': case 'X': case 'o':
      case 'f': case 'F': case 'e': case 'E': case 'g': case 'G': {
        if (const auto* arg = takeArg()) out += FormatNumber(directive, *arg);
        break;
      }
      case 's': case 'S': {
        if (const auto* arg = takeArg()) out += Pad(directive, AsText(*arg));
        break;
      }
      case 'c': case 'C': {
        if (const auto* arg = takeArg()) {
          const QString text = std::holds_alternative<QString>(*arg)
                                   ? std::get<QString>(*arg).left(1)
                                   : QString(QChar(static_cast<char16_t>(AsUnsigned(*arg))));
          CDirective noPrecision = directive;
          noPrecision.Precision = -1;
          out += Pad(noPrecision, text);
        }
        break;
      }
      default:
        // Not a conversion we know: keep the text as written.
        out += format.mid(i, j - i + 1);
        break;
    }
    i = j;
  }
  return out;
}
