#include "platform/DecimalText.h"
#include "platform/StringTokenizer.h"
#include "platform/TextFormat.h"
#include "support/QtPrint.h"

#include <gtest/gtest.h>

namespace {

QStringList Tokens(const QString& text, const QString& delimiters) {
  CStringTokenizer tokenizer(text, delimiters);
  QStringList tokens;
  while (tokenizer.HasMoreTokens()) tokens << tokenizer.NextToken();
  return tokens;
}

TEST(StringTokenizer, SplitsLikeTheListAndCommandLineExpect) {
  const struct {
    QString Text;
    QStringList Expected;
  } cases[] = {
      {"a,,b", {"a", "", "b"}},
      {"a,", {"a"}},
      {",a", {"", "a"}},
      {"", {}},
      {",", {""}},
      {"a,b,,", {"a", "b", ""}},
      {"abc", {"abc"}},
  };
  for (const auto& c : cases) EXPECT_EQ(Tokens(c.Text, ","), c.Expected) << c.Text.toStdString();
  EXPECT_EQ(Tokens("-L  -T\t2", " \t"), QStringList({"-L", "", "-T", "2"}));
}

TEST(StringTokenizer, NextTokenPastTheEndIsEmpty) {
  CStringTokenizer tokenizer("a", ",");
  EXPECT_EQ(tokenizer.NextToken(), "a");
  EXPECT_FALSE(tokenizer.HasMoreTokens());
  EXPECT_EQ(tokenizer.NextToken(), "");
}

TEST(DecimalText, ConvertsAsTheCRuntime) {
  const struct {
    QString Text;
    std::int32_t Expected;
  } cases[] = {
      {"42", 42},          {"  \t-17x", -17}, {"+8", 8},       {"abc", 0},
      {"", 0},             {" 1", 1},         {"2147483647", 2147483647},
      {"2147483648", 2147483647},             {"-2147483648", -2147483647 - 1},
      {"-99999999999999999999", -2147483647 - 1},
      {"99999999999999999999", 2147483647},   {"- 5", 0},      {"0x10", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(DecimalToInt(c.Text), c.Expected) << c.Text.toStdString();
}

TEST(TextFormat, FormatsTheProgramsCFormats) {
  EXPECT_EQ(FormatText("Args token[%d]=%s", 3, QString("-T")), "Args token[3]=-T");
  EXPECT_EQ(FormatText("%02d%d%d%02d", 2, 0, 0, 1), "020001");
  EXPECT_EQ(FormatText("%.1f GB", 1.25), "1.2 GB");
  EXPECT_EQ(FormatText("%I64u MB", quint64(5000000000ULL)), "5000000000 MB");
  EXPECT_EQ(FormatText("%04d", 7), "0007");
  EXPECT_EQ(FormatText("100%%"), "100%");
  EXPECT_EQ(FormatText("%s/%s", QString("日本"), "x"), "日本/x");
  EXPECT_EQ(FormatText("%5s|%-3s|", QString("ab"), QString("c")), "   ab|c  |");
  EXPECT_EQ(FormatText("%02x", 0xab), "ab");
  EXPECT_EQ(FormatText("%C", QChar('D')), "D");
  EXPECT_EQ(FormatText("missing %d and %s"), "missing  and ");
  EXPECT_EQ(FormatText("%d%", 1), "1%");
}

}  // namespace
