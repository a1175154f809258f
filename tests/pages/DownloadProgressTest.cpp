#include "support/ListLines.h"
#include "support/MemoryLog.h"
#include "support/QtPrint.h"

#include "pages/DownloadProgress.h"
#include "platform/UiLanguage.h"

#include <gtest/gtest.h>

namespace {

const QString DIGEST = QString(32, QLatin1Char('a'));

// Three parts of 2000000000 bytes: the total passes what 32 bits hold.
TEST(DownloadProgress, CountsThePartsMarkedAndTheRunningPartOnce) {
  CMemoryLog log;
  CDownloadList list(log);
  LoadListLines(list, {"DL,0,big.bin," + DIGEST + ",2100000000", "DL,1,p1," + DIGEST + ",2000000000",
                       "DL,2,p2," + DIGEST + ",2000000000", "DL,3,p3," + DIGEST + ",2000000000"});
  ASSERT_EQ(list.GetDownloadEntryCount(), 4);
  list.GetDownloadEntry(1)->IsDownloaded = 1;
  const struct {
    int RunningPart;
    std::int64_t RunningBytes;
    std::int64_t Done;
  } cases[] = {
      {0, 123, 2000000000},             // no part running: its bytes are not looked at
      {2, 500000000, 2500000000},       // the running part's bytes so far
      {1, 500000000, 2000000000},       // already marked: counted once
      {3, 2100000000, 4000000000},      // never more than the part holds
      {2, -1, 2000000000},              // a transfer that reports nothing
  };
  for (const auto& c : cases) {
    const CByteProgress progress = MeasureDownload(list, c.RunningPart, c.RunningBytes);
    EXPECT_EQ(progress.Done, c.Done) << c.RunningPart;
    EXPECT_EQ(progress.Total, 6000000000);
    EXPECT_EQ(progress.PartsDone, 1);
    EXPECT_EQ(progress.Parts, 3);
  }
  EXPECT_EQ(ProgressSteps(MeasureDownload(list, 2, 1000000000), 1000), 500);
  EXPECT_EQ(ProgressSteps(CByteProgress{}, 1000), 0) << "an empty list";
}

// The speed is the counter's growth over the last five seconds, unknown
// until a second has passed; the bytes are cut to the digits shown.
TEST(DownloadProgress, SpeedOverTheWindowAndTheTexts) {
  CSpeedMeter speed;
  EXPECT_EQ(speed.BytesPerSecond(), -1);
  speed.Add(0, 1000);
  speed.Add(900, 901000);
  EXPECT_EQ(speed.BytesPerSecond(), -1) << "less than a second";
  speed.Add(2000, 2001000);
  EXPECT_EQ(speed.BytesPerSecond(), 1000000);
  // A stop keeps lowering the speed until the window holds no more of the
  // bytes that came before it.
  speed.Add(6000, 2001000);
  EXPECT_EQ(speed.BytesPerSecond(), 1100000 * 1000 / 5100);
  speed.Add(8000, 2001000);
  EXPECT_EQ(speed.BytesPerSecond(), 0);
  speed.Clear();
  EXPECT_EQ(speed.BytesPerSecond(), -1);

  const std::int64_t MB = 1048576;
  const struct {
    int Language;
    std::int64_t Done, Total, Speed;
    const char16_t* Text;
  } texts[] = {
      {LANG_ENGLISH_US, 12900000, 40 * MB, 4300000, u"12.3 MB of 40.0 MB, 4.1 MB/s"},
      {LANG_ENGLISH_US, 40 * MB - 1, 40 * MB, -1, u"39.9 MB of 40.0 MB"},
      {LANG_ENGLISH_US, 1023, MB, 0, u"0 KB of 1.0 MB, 0 KB/s"},
      {LANG_ENGLISH_US, 3 * 1024 * MB, 5 * 1024 * MB + 60 * MB, 500 * 1024, u"3.00 GB of 5.05 GB, 500 KB/s"},
      {LANG_JAPANESE, 12900000, 40 * MB, 4300000, u"12.3 MB / 40.0 MB（4.1 MB/秒）"},
      {LANG_JAPANESE, 0, 40 * MB, -1, u"0 KB / 40.0 MB"},
  };
  for (const auto& t : texts) {
    SetUiLanguage(t.Language);
    EXPECT_EQ(FormatByteProgress({t.Done, t.Total, 0, 1}, t.Speed), QString::fromUtf16(t.Text));
  }
  SetUiLanguage(LANG_ENGLISH_US);
}

}  // namespace
