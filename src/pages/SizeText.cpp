#include "pages/SizeText.h"

#include "platform/TextFormat.h"
#include "res/Strings.h"

namespace {

constexpr std::uint64_t KB_1024 = 1048576;       // 1 MB, still shown in KB
constexpr std::uint64_t MB_10 = 10485760;
constexpr std::uint64_t MB_100 = 104857600;
constexpr std::uint64_t GB_1 = 1073741824;
constexpr std::uint64_t GB_10 = 10737418240;

// The whole quotient becomes a double: no size overflows on its way.
double Hundredths(std::uint64_t bytes, std::uint64_t divisor) {
  return static_cast<double>(bytes / divisor) / 100.0;
}
double Tenths(std::uint64_t bytes, std::uint64_t divisor) {
  return static_cast<double>(bytes / divisor) / 10.0;
}

std::uint64_t CeilDiv(std::uint64_t value, std::uint64_t divisor) { return (value + divisor - 1) / divisor; }

}  // namespace

QString FormatSizeText(std::uint64_t bytes) {
  if (bytes <= KB_1024) return FormatText("%4d KB", bytes >> 10);
  if (bytes <= MB_10) return FormatText("%4.2f MB", Hundredths(bytes, 10485));
  if (bytes <= MB_100) return FormatText("%4.1f MB", Tenths(bytes, 104857));
  if (bytes <= GB_1) return FormatText("%4d MB", bytes >> 20);
  if (bytes <= GB_10) return FormatText("%4.2f GB", Hundredths(bytes, 10737418));
  return FormatText("%4.1f GB", Tenths(bytes, 107374182));
}

QString FormatSizeTextCoarse(std::uint64_t bytes) {
  if (bytes <= KB_1024) return FormatText("%d KB", bytes >> 10);
  return FormatText("%d MB", bytes >> 20);
}

QString FormatRemainingTime(std::uint32_t seconds, std::uint64_t* shownSeconds) {
  const std::uint64_t s = seconds;
  std::uint64_t shown = s;
  QString text;
  if (s <= 60) {
    shown = CeilDiv(s, 5) * 5;
    text = FormatString(IDS_ABOUT_SECONDS, shown);
  } else if (s <= 599) {
    text = FormatString(IDS_ABOUT_MINUTES, CeilDiv(s, 60));
  } else if (s <= 3600) {
    shown = CeilDiv(s, 300) * 300;
    text = FormatString(IDS_ABOUT_MINUTES, CeilDiv(s, 300) * 5);
  } else {
    shown = CeilDiv(s, 600) * 600;
    text = FormatString(IDS_ABOUT_HOURS_MINUTES, shown / 3600, (shown % 3600) / 60);
  }
  if (shownSeconds) *shownSeconds = shown;
  return text;
}
