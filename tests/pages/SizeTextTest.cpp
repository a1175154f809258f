#include "pages/SizeText.h"

#include "platform/UiLanguage.h"
#include "support/QtPrint.h"

#include <gtest/gtest.h>

namespace {

TEST(SizeText, SixFormatsAroundEveryThreshold) {
  const struct {
    std::uint64_t Bytes;
    QString Fine;
    QString Coarse;
  } cases[] = {
      {0, "   0 KB", "0 KB"},
      {5000, "   4 KB", "4 KB"},
      {1048576, "1024 KB", "1024 KB"},
      {1048577, "1.00 MB", "1 MB"},
      {1572864, "1.50 MB", "1 MB"},
      {10485760, "10.00 MB", "10 MB"},
      {10485761, "10.0 MB", "10 MB"},
      {104857600, "100.0 MB", "100 MB"},
      {104857601, " 100 MB", "100 MB"},
      {1073741824, "1024 MB", "1024 MB"},
      {1073741825, "1.00 GB", "1024 MB"},
      {5368709120, "5.00 GB", "5120 MB"},  // above 4 GiB: the quotient is still exact
      {10737418240, "10.00 GB", "10240 MB"},
      {10737418241, "10.0 GB", "10240 MB"},
      {1099511627776, "1024.0 GB", "1048576 MB"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatSizeText(c.Bytes), c.Fine) << c.Bytes;
    EXPECT_EQ(FormatSizeTextCoarse(c.Bytes), c.Coarse) << c.Bytes;
  }
}

TEST(SizeText, RemainingTimeStepsInBothLanguages) {
  const struct {
    std::uint32_t Seconds;
    QString English;
    QString Japanese;
    std::uint64_t Shown;
  } cases[] = {
      {0, "About 0 seconds", "約 0 秒", 0},
      {5, "About 5 seconds", "約 5 秒", 5},
      {6, "About 10 seconds", "約 10 秒", 10},
      {60, "About 60 seconds", "約 60 秒", 60},
      {61, "About 2 minutes", "約 2 分", 61},
      {599, "About 10 minutes", "約 10 分", 599},
      {600, "About 10 minutes", "約 10 分", 600},
      {601, "About 15 minutes", "約 15 分", 900},
      {3600, "About 60 minutes", "約 60 分", 3600},
      {3601, "About 1 hours 10 minutes", "約 1 時間 10 分", 4200},
      {4201, "About 1 hours 20 minutes", "約 1 時間 20 分", 4800},
      {4294967295u, "About 1193046 hours 30 minutes", "約 1193046 時間 30 分", 4294967400},
  };
  const int language = GetUiLanguage();
  for (const auto& c : cases) {
    std::uint64_t shown = 1;
    SetUiLanguage(LANG_ENGLISH_US);
    EXPECT_EQ(FormatRemainingTime(c.Seconds, &shown), c.English) << c.Seconds;
    EXPECT_EQ(shown, c.Shown) << c.Seconds;
    SetUiLanguage(LANG_JAPANESE);
    EXPECT_EQ(FormatRemainingTime(c.Seconds), c.Japanese) << c.Seconds;
  }
  SetUiLanguage(language);
}

}  // namespace
