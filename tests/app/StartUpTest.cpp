#include "app/Parcel2Program.h"
#include "log/Log.h"
#include "platform/MessageBox.h"
#include "platform/SystemInfo.h"
#include "platform/UiLanguage.h"
#include "support/LogLines.h"
#include "support/QtPrint.h"
#include "support/TempFolder.h"

#include <QElapsedTimer>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

// Runs the start-up up to the point where the wizard would be shown.
class StartUp : public ::testing::Test {
protected:
  void TearDown() override { SetUiLanguage(0); }

  std::unique_ptr<CParcel2App> Start(const QString& commandLine) {
    auto app = std::make_unique<CParcel2App>(commandLine, Logs.Path());
    EXPECT_TRUE(app->PrepareInstance());
    return app;
  }
  QStringList Lines() const { return ReadLogLines(Logs.Path()); }

  CTempFolder Logs;
  CMessageBoxResponder Responder;
};

TEST_F(StartUp, SwitchesFromTheCommandLine) {
  struct CCase {
    const char* CommandLine;
    int LogEnabled;
    int TestMode;
    int FieldCount;
  };
  const CCase cases[] = {
      {"C:\\my-Logs\\x", 1, 0, 1},  // "-L" is found inside the path
      {"-L -T 3", 1, 3, 3},
      {"-L -T 1", 1, 1, 3},
      {"-L -Tx 2", 1, 2, 3},  // anything after the T is ignored
      {"-L -T", 1, 0, 2},     // no value token
      {"-L -T abc", 1, 0, 3},
      {"-L -T  2", 1, 0, 4},  // the value is the empty token between the separators
      {"-L\t-T\n-1", 1, -1, 3},
      {"-L -T 99999999999", 1, 2147483647, 3},
      {"-L ", 1, 0, 1},  // a last separator adds no field
  };
  for (const CCase& c : cases) {
    SCOPED_TRACE(c.CommandLine);
    CTempFolder logs;
    CParcel2App app(QString::fromUtf8(c.CommandLine), logs.Path());
    ASSERT_TRUE(app.PrepareInstance());
    EXPECT_EQ(app.LogEnabled.load(), c.LogEnabled);
    EXPECT_EQ(app.TestMode.load(), c.TestMode);
    EXPECT_TRUE(ReadLogLines(logs.Path()).contains(QStringLiteral("TRACE  Args token cnt=%1").arg(c.FieldCount)));
  }
}

TEST_F(StartUp, WithoutDashCapitalLNothingIsWritten) {
  for (const char* commandLine : {"", "c:\\my-logs\\x -T 3", "-l -e"}) {
    SCOPED_TRACE(commandLine);
    CTempFolder logs;
    CParcel2App app(QString::fromUtf8(commandLine), logs.Path());
    ASSERT_TRUE(app.PrepareInstance());
    app.ExitInstance();
    EXPECT_EQ(app.LogEnabled.load(), 0);
    EXPECT_FALSE(QFileInfo::exists(logs.Path() + "/QUILLMAR_DownloaderLog")) << "nothing may be created";
    EXPECT_TRUE(ReadLogLines(logs.Path()).isEmpty());
  }
}

TEST_F(StartUp, LogsTheStartAndTheTokensInOrder) {
  SetUiLanguage(LANG_JAPANESE);  // the system's choice
  auto app = Start("-L -E -T 2");
  EXPECT_EQ(app->UiLanguage.load(), LANG_ENGLISH_US);
  EXPECT_EQ(GetUiLanguage(), LANG_ENGLISH_US) << "-E holds for every later text";
  const QStringList expected = {
      "INFOM  * Start downloader ******************************",
      "INFOM  Language code [1041]",
      "INFOM  Forced to English mode [Cmdline]",
      "INFOM  Downloader version=020001",
      "INFOM  " + GetSystemDescription(),
      "TRACE  CUrlDownload::init(INTERNET_OPEN_TYPE_PRECONFIG)",
      "INFOM  CmdLine=-L -E -T 2",
      "TRACE  Args token cnt=4",
      "TRACE  Args token[0]=-L",
      "TRACE  Args token[1]=-E",
      "TRACE  Args token[2]=-T",
      "INFOM  In TEST-MODE=2",
  };
  EXPECT_EQ(Lines(), expected);
}

TEST_F(StartUp, EmptyCommandLineCountsNoFields) {
  CParcel2App app(QString(), Logs.Path());
  app.Logger.Start();
  app.Logger.SetLevel(6, true);
  app.ParseCommandLine();
  EXPECT_EQ(Lines(), (QStringList{"INFOM  CmdLine=", "TRACE  Args token cnt=0"}));
}

TEST_F(StartUp, PurchaseAndHostNeverLogTheKey) {
  auto app = Start("-L -P 42 -K s3cret%20 -H http://127.0.0.1:8081");
  EXPECT_EQ(app->PurchaseNo, 42);
  EXPECT_EQ(app->PurchaseKey, "s3cret%20");
  EXPECT_EQ(app->HostUrl, "http://127.0.0.1:8081");
  EXPECT_TRUE(app->GetListFilePath(app->PurchaseNo).endsWith("/_DownloadUtf8List0042.lst"));
  const QStringList lines = Lines();
  EXPECT_TRUE(lines.contains("INFOM  Purchase No=42"));
  EXPECT_TRUE(lines.contains("INFOM  Host=http://127.0.0.1:8081"));
  EXPECT_TRUE(lines.contains("INFOM  CmdLine=-L -P 42 -K ******** -H http://127.0.0.1:8081"));
  for (const QString& line : lines) EXPECT_FALSE(line.contains("s3cret")) << line.toStdString();
}

// The key reaches no log line, whatever order the switches come in (a
// switch missing its value takes -K for it, and what follows -K is masked
// all the same; glued to -K it is no switch, but masked too), and in
// whatever spelling the host gives it back, masked before the host's text
// is escaped.
TEST_F(StartUp, NoSpellingOfTheKeyReachesTheLog) {
  const struct {
    const char* CommandLine;
    const char* MaskedLine;
  } orders[] = {
      {"-L -P 42 -K s3cret -H http://127.0.0.1:1", "INFOM  CmdLine=-L -P 42 -K ******** -H http://127.0.0.1:1"},
      {"-L -P -K s3cret -H http://127.0.0.1:1", "TRACE  Args token[2]=********"},
      {"-L -H -K s3cret", "TRACE  Args token[2]=********"},
      {"-L -T -K s3cret -P 1", "TRACE  Args token[2]=********"},
      {"-L -K=s3cret -Ks3cret -K s3cret", "INFOM  CmdLine=-L -K=******** -K******** -K ********"},
      {"-L -K=s3cret", "TRACE  Args token[1]=-K=********"},
      {"-L -Ks3cret", "TRACE  Args token[1]=-K********"},
  };
  for (const auto& c : orders) {
    SCOPED_TRACE(c.CommandLine);
    SetMaskedPurchaseKey(QString());
    CTempFolder logs;
    CParcel2App app(QString::fromUtf8(c.CommandLine), logs.Path());
    ASSERT_TRUE(app.PrepareInstance());
    const QStringList lines = ReadLogLines(logs.Path());
    EXPECT_TRUE(lines.contains(c.MaskedLine)) << lines.join('\n').toStdString();
    for (const QString& line : lines) EXPECT_FALSE(line.contains("s3cret")) << line.toStdString();
  }

  auto app = Start("-L");
  SetMaskedPurchaseKey(QString::fromUtf8("a&b\\c d!\u00e9"));
  const struct {
    const char* Echo;
    const char* Logged;
  } spellings[] = {
      {"No such key a&b\\c d!\u00e9.", "No such key ********."},                        // as given
      {"/x/a%26b%5Cc%20d%21%C3%A9/y", "/x/********/y"},                                 // percent-encoded
      {"/x/a%26b%5cc%20d%21%c3%a9/y", "/x/********/y"},                                 // in lower case
      {"key: a%26b%5Cc+d%21%C3%A9;", "key: ********;"},                                 // form-encoded
      {"{\"key\":\"a&b\\\\c d!\u00e9\"}", "{\"key\":\"********\"}"},                    // backslash-escaped
      {"a%26b%5Cc%20d!%C3%A9 again", "******** again"},                                 // as scripts encode URI parts
      {"x\r\na&b\\c d!\u00e9\tFATAL forged", "x\\r\\n********\\tFATAL forged"},       // masked, then escaped
      {"NO=1&KEY=other&x", "NO=1&KEY=********&x"},                                      // any key parameter
  };
  for (const auto& c : spellings) {
    LogError(app->Logger, "Error msg=%s", EscapeControlCharacters(QString::fromUtf8(c.Echo)));
    EXPECT_EQ(Lines().last(), QStringLiteral("ERROR  Error msg=") + QString::fromUtf8(c.Logged)) << c.Echo;
  }
  SetMaskedPurchaseKey(QString());
}

TEST_F(StartUp, HostWithoutAValueKeepsTheDefault) {
  auto app = Start("-L -H");
  EXPECT_EQ(app->HostUrl, PARCEL2_DEFAULT_HOST);
  EXPECT_TRUE(Lines().contains(QStringLiteral("INFOM  Host=") + PARCEL2_DEFAULT_HOST));
}

TEST_F(StartUp, DefaultsWithoutPurchaseSwitches) {
  auto app = Start(QString());
  EXPECT_EQ(app->PurchaseNo, 0);
  EXPECT_EQ(app->HostUrl, PARCEL2_DEFAULT_HOST);
  EXPECT_EQ(app->Config.ActionTable.size(), 56u);
  EXPECT_TRUE(app->UrlDownload.HasSession());
  EXPECT_EQ(app->UrlDownload.GetAccessMode(), CUrlDownload::ACCESS_PRECONFIG);
}

TEST_F(StartUp, NetworkFailureTellsTheUserAndShowsNoWizard) {
  CParcel2Program app("-L", Logs.Path());
  app.SetNetworkInit([] { return false; });
  // With a working network the wizard would run modally and this would hang.
  EXPECT_FALSE(app.InitInstance());
  const auto asked = Responder.Asked();
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].Text, "Failed to initialize the network library.");
  EXPECT_EQ(asked[0].Type, unsigned(MB_OK | MB_ICONEXCLAMATION));
  app.ExitInstance();
}

TEST_F(StartUp, ExitLogsTheDisconnectAndTheEnd) {
  auto app = Start("-L");
  app->ExitInstance();
  EXPECT_FALSE(app->UrlDownload.HasSession());
  EXPECT_EQ(app->UrlDownload.GetConnectState(), 0);
  const QStringList lines = Lines();
  ASSERT_GE(lines.size(), 3);
  EXPECT_EQ(lines.mid(lines.size() - 3),
            (QStringList{"TRACE  Disconnecting...", "TRACE  disconnected!",
                         "INFOM  * Exit downloader ******************************"}));
}

// A fresh home has no cache folder yet: it is made (0700) before the log
// needs it; one that cannot be made leaves the log off without waiting out
// the log's retries.
TEST_F(StartUp, TheTemporaryFolderIsMadeBeforeTheLogNeedsIt) {
  CTempFolder home;
  home.Write("a-file", "x");
  const QByteArray savedTmp = qgetenv("TMPDIR"), savedCache = qgetenv("XDG_CACHE_HOME");
  qunsetenv("TMPDIR");
  struct CCase {
    QString Cache;
    bool Made;
  };
  for (const CCase& c : {CCase{home.File("fresh/.cache"), true}, CCase{home.File("a-file/.cache"), false}}) {
    SCOPED_TRACE(qPrintable(c.Cache));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(c.Cache));
    QElapsedTimer timer;
    timer.start();
    {
      CParcel2App app(QStringLiteral("-L"));
      ASSERT_TRUE(app.PrepareInstance());
      EXPECT_EQ(app.LogEnabled.load(), c.Made ? 1 : 0);
      app.ExitInstance();
    }
    EXPECT_LT(timer.elapsed(), 5000) << "no log line waited out its retries";
    EXPECT_EQ(QFileInfo(c.Cache).isDir(), c.Made);
    if (c.Made) {
      EXPECT_EQ(QFileInfo(home.File("fresh")).permissions() & 0x0077, 0) << "made for the user alone";
      EXPECT_FALSE(ReadLogLines(c.Cache + "/QUILLMAR_DownloaderLog").isEmpty());
    }
  }
  qputenv("TMPDIR", savedTmp);
  qputenv("XDG_CACHE_HOME", savedCache);
  if (savedTmp.isNull()) qunsetenv("TMPDIR");
  if (savedCache.isNull()) qunsetenv("XDG_CACHE_HOME");
}

}  // namespace
