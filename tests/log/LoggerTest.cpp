#include "log/DownloaderLogger.h"
#include "log/Log.h"
#include "support/TestBytes.h"
#include "support/QtPrint.h"
#include "support/TempFolder.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

const QDateTime JAN_31_0905{QDate(2024, 1, 31), QTime(9, 5, 7, 42)};

class DownloaderLoggerTest : public ::testing::Test {
protected:
  QString LogFolder() const { return Temp.File("QUILLMAR_DownloaderLog"); }
  QString DailyFile(const QString& digits) const { return LogFolder() + "/Downloader" + digits + ".log"; }

  CTempFolder Temp;
};

TEST_F(DownloaderLoggerTest, WritesNothingUntilALevelIsSet) {
  CDownloaderLogger logger(LogFolder());
  logger.Start();
  LogInfo(logger, "* Start downloader ******************************");
  EXPECT_FALSE(QFileInfo::exists(LogFolder()));
  EXPECT_EQ(logger.GetLinesWritten(), 0);
}

TEST_F(DownloaderLoggerTest, WritesTheLineByteForByte) {
  CDownloaderLogger logger(LogFolder());
  logger.SetClock([] { return JAN_31_0905; });
  logger.SetLevel(6, true);
  LogInfo(logger, "* Start downloader ******************************");
  LogError(logger, "a\nb %d", 7);
  LogTrace(logger, "日本語");

  const QString expected = "[2024.01.31 09:05:07.042] INFOM  * Start downloader ******************************\r\n"
                           "[2024.01.31 09:05:07.042] ERROR  a/b 7\r\n"
                           "[2024.01.31 09:05:07.042] TRACE  日本語\r\n";
  EXPECT_EQ(CTempFolder::Read(DailyFile("20240131")), Utf16Le(expected));
  EXPECT_EQ(logger.GetFilePath(), DailyFile("20240131"));
}

TEST_F(DownloaderLoggerTest, LevelsFilterAndToggle) {
  CDownloaderLogger logger(LogFolder());
  logger.SetClock([] { return JAN_31_0905; });
  logger.SetLevel(3, true);
  LogInfo(logger, "hidden");
  LogWarning(logger, "shown");
  logger.SetLevel(0, true);
  LogFatal(logger, "hidden too");
  EXPECT_EQ(CTempFolder::Read(DailyFile("20240131")),
            Utf16Le("[2024.01.31 09:05:07.042] WARNG  shown\r\n"));
  EXPECT_EQ(logger.GetLevelName(9), "");
  EXPECT_EQ(logger.GetLevelName(6), "DEBUG");
  logger.SetLevel(4, false);
  EXPECT_EQ(logger.GetLevel(), 3);
  logger.SetLevel(0, false);
  EXPECT_EQ(logger.GetLevel(), 0);
}

TEST_F(DownloaderLoggerTest, ContinuesInTheNextDaysFileAfterMidnight) {
  CDownloaderLogger logger(LogFolder());
  QDateTime now(QDate(2024, 1, 31), QTime(23, 59, 59, 999));
  logger.SetClock([&] { return now; });
  logger.SetLevel(6, true);
  LogInfo(logger, "before");
  now = QDateTime(QDate(2024, 2, 1), QTime(0, 0, 0, 0));
  LogInfo(logger, "after");
  EXPECT_EQ(CTempFolder::Read(DailyFile("20240131")), Utf16Le("[2024.01.31 23:59:59.999] INFOM  before\r\n"));
  EXPECT_EQ(CTempFolder::Read(DailyFile("20240201")), Utf16Le("[2024.02.01 00:00:00.000] INFOM  after\r\n"));
}

TEST_F(DownloaderLoggerTest, KeepsTheThreeNewestFilesAndLeavesDirectoriesAlone) {
  QDir().mkpath(LogFolder());
  for (int day = 1; day <= 5; ++day) Temp.Write(QString("QUILLMAR_DownloaderLog/Downloader2024010%1.log").arg(day), "x");
  QDir().mkpath(LogFolder() + "/DownloaderX.log");
  Temp.Write("QUILLMAR_DownloaderLog/other.txt", "keep");

  CDownloaderLogger logger(LogFolder());

  const QStringList left = QDir(LogFolder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name);
  EXPECT_EQ(left, QStringList({"Downloader20240103.log", "Downloader20240104.log", "Downloader20240105.log",
                               "DownloaderX.log", "other.txt"}));
}

TEST_F(DownloaderLoggerTest, GivesUpOnAFileLockedByAnotherOpenerAfterTwentyAttempts) {
  CDownloaderLogger logger(LogFolder());
  logger.SetClock([] { return JAN_31_0905; });
  int sleeps = 0;
  logger.SetSleeper([&](int ms) {
    EXPECT_EQ(ms, 500);
    ++sleeps;
  });
  logger.SetLevel(6, true);
  QDir().mkpath(LogFolder());
  const int holder = ::open(QFile::encodeName(DailyFile("20240131")).constData(), O_WRONLY | O_CREAT, 0644);
  ASSERT_GE(holder, 0);
  // flock locks belong to the open file description, so a second open in
  // this process is refused just as another program's would be.
  ASSERT_EQ(::flock(holder, LOCK_EX), 0);

  LogInfo(logger, "lost");
  EXPECT_EQ(sleeps, 20);
  EXPECT_EQ(logger.GetLinesWritten(), 1);
  ::close(holder);

  LogInfo(logger, "kept");
  EXPECT_EQ(sleeps, 20);
  EXPECT_EQ(CTempFolder::Read(DailyFile("20240131")), Utf16Le("[2024.01.31 09:05:07.042] INFOM  kept\r\n"));
}

TEST(LogWriter, BaseLineCarriesTheCodeField) {
  CLogWriter writer;
  writer.SetClock([] { return JAN_31_0905; });
  EXPECT_EQ(writer.GetLevel(), 4);
  EXPECT_EQ(writer.FormatLine("p", 2, 0, "a\nb"), "[2024.01.31 09:05:07.042] ERROR p (0) a\nb\r\n");
}

}  // namespace
