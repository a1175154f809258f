#include "platform/SystemInfo.h"
#include "support/QtPrint.h"

#include <gtest/gtest.h>

namespace {

TEST(SystemInfo, VersionLineKeepsItsFormat) {
  EXPECT_EQ(GetProgramVersionText(), "020001");
  EXPECT_EQ(FormatProgramVersion(2, 1, 10, 12), "0211012");
  EXPECT_TRUE(GetSystemDescription().startsWith("Linux "));
}

}  // namespace
