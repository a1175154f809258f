#include "app/ProgramArguments.h"

#include "support/QtPrint.h"

#include <gtest/gtest.h>

namespace {

// --limit-rate reads as curl's switch does, in both modes, and never
// reaches the wizard's own command line; a rate that cannot be read is
// wrong usage.
TEST(ProgramArguments, ALimitRateReadsAsCurlsSwitchInBothModes) {
  const struct {
    const char* Text;
    qint64 Rate;
  } rates[] = {
      {"500K", 500 * 1024}, {"500k", 500 * 1024}, {"2M", 2 * 1024 * 1024}, {"1G", qint64{1} << 30},
      {"1000", 1000},       {"0", 0},             {"", 0},               {"K", 0},
      {"-5", 0},            {"1.5M", 0},          {"5X", 0},             {"99999999999999999999", 0},
      {"9999999999G", 0},
  };
  for (const auto& c : rates) EXPECT_EQ(ParseRate(QString::fromLatin1(c.Text)), c.Rate) << c.Text;

  for (const bool unattended : {false, true}) {
    QStringList arguments = {"-P", "7", "-K", "k", "--limit-rate", "500K", "-L"};
    if (unattended) arguments.prepend("--unattended");
    const CProgramArguments parsed = ParseProgramArguments(arguments);
    EXPECT_TRUE(parsed.Error.isEmpty()) << parsed.Error.toStdString();
    EXPECT_EQ(parsed.LimitRate, 500 * 1024);
    EXPECT_EQ(parsed.WizardCommandLine, "-P 7 -K k -L");
  }
  const QString wrong = "--limit-rate needs a rate in bytes per second above 0, as 500K, 2M or 1G";
  EXPECT_EQ(ParseProgramArguments({"--limit-rate", "fast", "-P", "7"}).Error, wrong);
  EXPECT_EQ(ParseProgramArguments({"-P", "7", "--limit-rate"}).Error, wrong);
  EXPECT_EQ(ParseProgramArguments({"-P", "7"}).LimitRate, 0);
}

// --connections takes 1 to 8 in both modes, 4 without it, and stays off
// the wizard's command line; anything else is wrong usage.
TEST(ProgramArguments, ConnectionsAreOneToEightInBothModes) {
  for (const bool unattended : {false, true}) {
    QStringList arguments = {"-P", "7", "-K", "k", "--connections", "8", "-L"};
    if (unattended) arguments.prepend("--unattended");
    const CProgramArguments parsed = ParseProgramArguments(arguments);
    EXPECT_TRUE(parsed.Error.isEmpty()) << parsed.Error.toStdString();
    EXPECT_EQ(parsed.Connections, 8);
    EXPECT_EQ(parsed.WizardCommandLine, "-P 7 -K k -L");
  }
  EXPECT_EQ(ParseProgramArguments({"-P", "7", "--connections", "1"}).Connections, 1);
  EXPECT_EQ(ParseProgramArguments({"-P", "7"}).Connections, 4);
  const QString wrong = "--connections needs a number of parts to fetch at once, from 1 to 8";
  for (const char* value : {"0", "9", "", "-1", "4x", "04", "x"})
    EXPECT_EQ(ParseProgramArguments({"-P", "7", "--connections", value}).Error, wrong) << value;
  EXPECT_EQ(ParseProgramArguments({"-P", "7", "--connections"}).Error, wrong);
}

}  // namespace
