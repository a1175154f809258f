#include "transfer/UrlDownload.h"

#include "host/LoopbackHost.h"
#include "log/PurchaseKeyMask.h"
#include "platform/MessageBox.h"
#include "res/RequestAddresses.h"
#include "res/Strings.h"
#include "support/DemoProduct.h"
#include "support/TestBytes.h"
#include "support/MemoryLog.h"
#include "support/QtPrint.h"
#include "support/FileSizeLimit.h"
#include "support/TempFolder.h"
#include "transfer/MD5Digest.h"

#include <QFileInfo>

#include <gtest/gtest.h>

#include <chrono>

namespace {

using namespace std::chrono_literals;

const QString LIST_PATH = QStringLiteral("/http/cgi-bin/getlist_u8.pl");
const QString TEST_LIST_PATH = QStringLiteral("/http/cgi-bin/getlist.pl");
const std::string QUERY = "NO=1234&KEY=secret";
const QString CLOSED = QStringLiteral("The operation was canceled.");
// The watchdog's limit in the tests that make it fire.
constexpr int SHORT_TIMEOUT_MS = 300;

class UrlDownloadTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(Host.IsRunning());
    Published = PublishDemoProduct(Host, Product);
    ASSERT_FALSE(Published.ProductId.isEmpty()) << Host.GetLastError().toStdString();
    Transfer.SetAccess(CUrlDownload::ACCESS_DIRECT, QString());
    ASSERT_EQ(Transfer.init(), 1);
    Log.Clear();
  }

  QString ListUrl() const { return RequestAddress(IDS_LIST_URL, Host.GetBaseUrl(), 1234, QStringLiteral("secret")); }
  QString PartUrl(int part) const {
    return FormatText(RequestAddress(IDS_BODY_URL, Host.GetBaseUrl(), 1234, QStringLiteral("secret")),
                      Published.Files[part].FileName);
  }
  std::string PartName(int part) const { return Published.Files[part].FileName.toStdString(); }
  QByteArray PartBytes(int part) const { return Product.mid((part - 1) * 300000, 300000); }
  QString Target() const { return Temp.File(QStringLiteral("target.bin")); }
  QByteArray TargetBytes() const { return CTempFolder::Read(Target()); }
  int ListSize() const { return static_cast<int>(Published.ListBytes.size()); }
  QString ListDigest() const { return QString::fromStdString(DigestText(Published.ListBytes)); }
  static std::string DigestText(const QByteArray& bytes) { return CMD5Digest::ToHexText(CMD5Digest::Of(bytes)).toStdString(); }

  CLoopbackHost Host;
  CTempFolder Temp;
  CMemoryLog Log;
  CUrlDownload Transfer{Log};
  CMessageBoxResponder Boxes;
  QByteArray Product;
  CHostPublished Published;
};

TEST_F(UrlDownloadTest, TheQueryDecidesBetweenGetAndPost) {
  struct CCase {
    const char* Name;
    QString Url;
    const char* Method;
    std::string Body;
  };
  const CCase cases[] = {
      {"no query", Host.GetBaseUrl() + LIST_PATH, "GET", ""},
      {"empty query", Host.GetBaseUrl() + LIST_PATH + "?", "GET", ""},
      {"query", ListUrl(), "POST", QUERY},
      {"second ? cuts the query", ListUrl() + "?TESFLG=TEST", "POST", QUERY},
  };
  for (const CCase& c : cases) {
    Host.ClearRequests();
    Log.Clear();
    EXPECT_GT(Transfer.DownloadToFile(c.Url, Target()), 0) << c.Name;
    const std::vector<CHostRequest> seen = Host.GetRequests();
    ASSERT_EQ(seen.size(), 1u) << c.Name;
    EXPECT_EQ(seen[0].Method, c.Method) << c.Name;
    EXPECT_EQ(seen[0].Body, c.Body) << c.Name;
    EXPECT_EQ(seen[0].Path, LIST_PATH.toStdString()) << c.Name;
    EXPECT_TRUE(Log.Has(QStringLiteral("TRACE Request Method = '%1'").arg(c.Method))) << c.Name;
  }
}

TEST_F(UrlDownloadTest, ABodyIsWrittenWholeAndLogged) {
  const QString url = PartUrl(1);
  EXPECT_EQ(Transfer.DownloadToFile(url, Target()), 300000);
  EXPECT_TRUE(TargetBytes() == PartBytes(1));
  EXPECT_EQ(Transfer.GetReceivedSize(), 300000);
  const QStringList expected = {
      "TRACE Connecting...",
      "TRACE connected!",
      "TRACE Succeed GetHttpConnection.",
      "TRACE Request Method = 'POST'",
      QStringLiteral("TRACE OpenRequest:Server=127.0.0.1:Port=%1:Object=/http/cgi-bin/getbody_u8.pl").arg(Host.GetPort()),
      QStringLiteral("TRACE Send Request:Query='NO=1234&KEY=********&REQID=%1'").arg(Published.Files[1].FileName),
      "TRACE Received Status-Code=200",
  };
  const QStringList lines = Log.GetLines();
  ASSERT_GE(lines.size(), expected.size());
  EXPECT_EQ(lines.mid(0, expected.size()), expected);
  EXPECT_EQ(lines.last(), QStringLiteral("TRACE URL Downloaded:File=%1:Leng=300000:From=%2").arg(Target(), MaskPurchaseKey(url)));
  EXPECT_TRUE(lines.filter(DEMO_PURCHASE_KEY).isEmpty()) << "the key never reaches the log";
  EXPECT_EQ(lines.at(lines.size() - 2), "TRACE Read data:Size=300000") << "the last read returns 0";
  EXPECT_EQ(Host.CountRequests(HOST_BODY_U8), 1);
}

TEST_F(UrlDownloadTest, TheListAndThePartsAfterItShareOneConnectionUntilClose) {
  const int before = Host.CountConnections();
  EXPECT_EQ(Transfer.DownloadToFile(ListUrl(), Target()), ListSize());
  for (int fetched = 0; fetched < 8; ++fetched) {
    const int part = 1 + fetched % 3;
    EXPECT_GT(Transfer.DownloadToFile(PartUrl(part), Target()), 0);
    EXPECT_TRUE(TargetBytes() == PartBytes(part)) << part;
  }
  EXPECT_EQ(Host.CountConnections() - before, 1);
  // Closing the transfer lets the connection go; a new session makes its own.
  Transfer.Close();
  ASSERT_EQ(Transfer.init(), 1);
  EXPECT_EQ(Transfer.DownloadToFile(PartUrl(1), Target()), 300000);
  EXPECT_EQ(Host.CountConnections() - before, 2);
}

TEST_F(UrlDownloadTest, RedirectsAreFollowedWithTheSameBody) {
  struct CCase {
    const char* Name;
    CHostFault Fault;
    int Count;
    int Result;  // 0 here stands for the list's size
    int Requests;
    QString Line;
  };
  const QString self = Host.GetBaseUrl() + LIST_PATH;
  const CCase cases[] = {
      {"302 absolute", CHostFault::Redirect(302, EHostRedirect::ABSOLUTE_SAME), 1, 0, 2, "TRACE Redirected to=" + self},
      {"303 absolute", CHostFault::Redirect(303, EHostRedirect::ABSOLUTE_SAME), 1, 0, 2, "WARNG UrlDownload Retry #1"},
      {"307 absolute", CHostFault::Redirect(307, EHostRedirect::ABSOLUTE_SAME), 1, 0, 2, "TRACE Redirected to=" + self},
      {"ten in a row", CHostFault::Redirect(302, EHostRedirect::ABSOLUTE_SAME), 10, 0, 11, "TRACE Redirected to=" + self},
      {"relative", CHostFault::Redirect(302, EHostRedirect::RELATIVE_SAME), 1, -1, 1, "ERROR Invalid URL='" + MaskPurchaseKey(ListUrl()) + "'"},
      {"no location", CHostFault::Redirect(301, EHostRedirect::NO_LOCATION), 1, -1, 1, "ERROR Invalid URL='" + MaskPurchaseKey(ListUrl()) + "'"},
      {"eleven in a row", CHostFault::Redirect(302, EHostRedirect::ABSOLUTE_SAME), 11, -1, 11, "ERROR Too many redirects:" + MaskPurchaseKey(ListUrl())},
  };
  for (const CCase& c : cases) {
    Host.ClearRequests();
    Host.ClearFaults();
    Log.Clear();
    Host.AddFault(HOST_LIST_U8, "", c.Count, c.Fault);
    const int result = Transfer.DownloadToFile(ListUrl(), Target());
    EXPECT_EQ(result, c.Result == 0 ? ListSize() : c.Result) << c.Name;
    EXPECT_TRUE(Log.Has(c.Line)) << c.Name << ": " << c.Line.toStdString();
    const std::vector<CHostRequest> seen = Host.GetRequests();
    EXPECT_EQ(static_cast<int>(seen.size()), c.Requests) << c.Name;
    for (const CHostRequest& request : seen) {
      EXPECT_EQ(request.Method, "POST") << c.Name;
      EXPECT_EQ(request.Body, QUERY) << c.Name;
    }
    EXPECT_FALSE(Log.Has("WARNG UrlDownload Retry #2")) << c.Name;
    EXPECT_TRUE(Log.GetLines().filter(DEMO_PURCHASE_KEY).isEmpty()) << c.Name << ": the key reached the log";
  }
}

TEST_F(UrlDownloadTest, AnErrorStatusIsRetriedOnceAndLeavesTheFileAlone) {
  struct CCase {
    int Status;
    int Count;
    int Result;
  };
  const CCase cases[] = {{404, 2, -1}, {500, 2, -1}, {503, 2, -1}, {308, 2, -1}, {500, 1, 300000}};
  for (const CCase& c : cases) {
    Host.ClearRequests();
    Host.ClearFaults();
    Log.Clear();
    Temp.Write(QStringLiteral("target.bin"), "old content");
    Host.AddFault(HOST_BODY_U8, PartName(1), c.Count, CHostFault::Status(c.Status));
    EXPECT_EQ(Transfer.DownloadToFile(PartUrl(1), Target()), c.Result) << c.Status;
    EXPECT_EQ(Log.Count(QStringLiteral("ERROR Error response:Status=%1").arg(c.Status)), c.Count) << c.Status;
    EXPECT_TRUE(Log.Has("WARNG UrlDownload Retry #1")) << c.Status;
    EXPECT_EQ(Host.CountRequests(HOST_BODY_U8), 2) << c.Status;
    if (c.Result < 0) EXPECT_EQ(TargetBytes(), QByteArray("old content")) << c.Status;
    else EXPECT_TRUE(TargetBytes() == PartBytes(1)) << c.Status;
  }
}

TEST_F(UrlDownloadTest, TheDigestHeaderIsCheckedWhenAsked) {
  struct CCase {
    const char* Name;
    int Check;
    bool Fault;
    EHostDigestFault Kind;
    int Count;
    int Result;  // -2 stands for the list's size
    int Requests;
    const char* Line;
    int LineCount;
  };
  const CCase cases[] = {
      {"equal", 1, false, EHostDigestFault::WRONG, 0, -2, 1, "TRACE Identical digest='", 1},
      {"wrong twice", 1, true, EHostDigestFault::WRONG, 2, 0, 2, "ERROR Differential digest='", 2},
      {"wrong once", 1, true, EHostDigestFault::WRONG, 1, -2, 2, "ERROR Differential digest='", 1},
      {"missing twice", 1, true, EHostDigestFault::MISSING, 2, -2, 2, "WARNG Not found digest:LastError=12150", 2},
      {"not hex twice", 1, true, EHostDigestFault::NOT_HEX, 2, 0, 2, "ERROR Differential digest='", 2},
      {"short twice", 1, true, EHostDigestFault::WRONG_LENGTH, 2, -2, 2, "ERROR Invalid digest in HTTP-Response-Header.", 2},
      {"check off", 0, true, EHostDigestFault::WRONG, 2, -2, 1, "TRACE Received Status-Code=200", 1},
  };
  for (const CCase& c : cases) {
    Host.ClearRequests();
    Host.ClearFaults();
    Log.Clear();
    Transfer.SetDigestCheck(c.Check);
    if (c.Fault) Host.AddFault(HOST_LIST_U8, "", c.Count, CHostFault::DigestHeader(c.Kind));
    EXPECT_EQ(Transfer.DownloadToFile(ListUrl(), Target()), c.Result == -2 ? ListSize() : c.Result) << c.Name;
    EXPECT_EQ(Host.CountRequests(HOST_LIST_U8), c.Requests) << c.Name;
    EXPECT_EQ(Log.CountStarting(QString::fromLatin1(c.Line)), c.LineCount) << c.Name;
    EXPECT_TRUE(TargetBytes() == Published.ListBytes) << c.Name << ": the body is written either way";
  }
  Transfer.SetDigestCheck(1);
  ASSERT_GT(Transfer.DownloadToFile(ListUrl(), Target()), 0);
  QByteArray digest;
  Transfer.GetDigestBytes(digest);
  EXPECT_EQ(digest.toHex().toStdString(), DigestText(Published.ListBytes));
}

TEST_F(UrlDownloadTest, AnEmptyBodyGivesZeroAndAnEmptyFile) {
  ASSERT_TRUE(Host.SetListBytes(Published.ProductId, QByteArray()));
  // An answer without a length would only end at the watchdog.
  Transfer.SetTimeoutMs(SHORT_TIMEOUT_MS);
  for (int check : {0, 1}) {
    Log.Clear();
    Temp.Write(QStringLiteral("target.bin"), "old content");
    Transfer.SetDigestCheck(check);
    EXPECT_EQ(Transfer.DownloadToFile(ListUrl(), Target()), 0) << check;
    EXPECT_TRUE(QFileInfo::exists(Target()));
    EXPECT_EQ(QFileInfo(Target()).size(), 0) << check;
    EXPECT_EQ(Log.CountStarting("ERROR"), 0) << check;
    EXPECT_EQ(Log.Count("TRACE Read data:Size=0"), 1) << check;
    QString head;
    Transfer.GetResponseHead(head);
    EXPECT_TRUE(head.isEmpty());
  }
}

TEST_F(UrlDownloadTest, TheResponseHeadKeepsTheFirstBytesOfTheFirstAnswer) {
  struct CCase {
    const char* Name;
    QByteArray Body;
    QString Head;
  };
  const CCase cases[] = {
      {"ten bytes", Utf16Le(QStringLiteral("Error")), QStringLiteral("Error")},
      {"a zero unit", Utf16Le(QStringLiteral("Er")) + QByteArray(2, '\0') + Utf16Le(QStringLiteral("or")), QStringLiteral("Er")},
      {"odd length", QByteArray("abc"), QString(QChar(0x6261)) + QChar(0x63)},
      {"more than 2048 bytes", QByteArray(3000, 'a'), QString(1024, QChar(0x6161))},
  };
  for (const CCase& c : cases) {
    ASSERT_TRUE(Host.SetListBytes(Published.ProductId, c.Body));
    EXPECT_EQ(Transfer.DownloadToFile(ListUrl(), Target()), c.Body.size()) << c.Name;
    QString head;
    Transfer.GetResponseHead(head);
    EXPECT_EQ(head, c.Head) << c.Name;
  }
  // A call without any answer of status 200 leaves the head as it was.
  Host.AddFault(HOST_LIST_U8, "", 2, CHostFault::Status(500));
  EXPECT_EQ(Transfer.DownloadToFile(ListUrl(), Target()), -1);
  QString head;
  Transfer.GetResponseHead(head);
  EXPECT_EQ(head, QString(1024, QChar(0x6161)));
}

TEST_F(UrlDownloadTest, TheWatchdogEndsABodyThatStalls) {
  Transfer.SetTimeoutMs(SHORT_TIMEOUT_MS);
  Host.AddFault(HOST_BODY_U8, PartName(1), 1, CHostFault::Stall(150000));
  EXPECT_EQ(Transfer.DownloadToFile(PartUrl(1), Target()), 150000);
  EXPECT_TRUE(TargetBytes() == PartBytes(1).left(150000));
  EXPECT_TRUE(Log.Has("ERROR Download Read CInternetException:" + CLOSED));
  EXPECT_EQ(Host.CountRequests(HOST_BODY_U8), 1) << "a failure inside the body is not retried";
}

TEST_F(UrlDownloadTest, AStalledBodyFailsItsDigestAndIsFetchedAgain) {
  Transfer.SetTimeoutMs(SHORT_TIMEOUT_MS);
  Transfer.SetDigestCheck(1);
  Host.AddFault(HOST_LIST_U8, "", 1, CHostFault::Stall(50));
  EXPECT_EQ(Transfer.DownloadToFile(ListUrl(), Target()), ListSize());
  EXPECT_TRUE(Log.Has("ERROR Download Read CInternetException:" + CLOSED));
  EXPECT_TRUE(Log.Has("ERROR Differential digest='" + ListDigest() + "'"));
  EXPECT_EQ(Host.CountRequests(HOST_LIST_U8), 2);
}

TEST_F(UrlDownloadTest, TheWatchdogEndsAnAnswerThatNeverComes) {
  struct CCase {
    const char* Name;
    bool Redirect;  // the first attempt succeeds in sending, the retry waits
    int Requests;
  };
  // The retry's send is watched too: before, it waited for the host for good.
  const CCase cases[] = {{"both attempts wait", false, 2}, {"the retry waits", true, 2}};
  for (const CCase& c : cases) {
    Host.ClearRequests();
    Host.ClearFaults();
    Log.Clear();
    Transfer.SetTimeoutMs(SHORT_TIMEOUT_MS);
    if (c.Redirect) {
      const std::string other = (Host.GetBaseUrl() + TEST_LIST_PATH).toStdString();
      Host.AddFault(HOST_LIST_U8, "", 1, CHostFault::Redirect(302, EHostRedirect::GIVEN, other));
      Host.AddFault(HOST_LIST_TEST, "", 1, CHostFault::Delay(120000));
    } else {
      Host.AddFault(HOST_LIST_U8, "", 2, CHostFault::Delay(120000));
    }
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(Transfer.DownloadToFile(ListUrl(), Target()), -1) << c.Name;
    EXPECT_LT(std::chrono::steady_clock::now() - started, 60s) << c.Name;
    EXPECT_EQ(Host.CountRequests(HOST_ANY), c.Requests) << c.Name;
    EXPECT_TRUE(Log.Has("ERROR Download CInternetException:" + CLOSED)) << c.Name;
    EXPECT_FALSE(QFileInfo::exists(Target())) << c.Name;
    Host.ReleaseStalls();
  }
}

TEST_F(UrlDownloadTest, AFileThatCannotBeWrittenIsReportedToTheOwner) {
  struct CCase {
    const char* Name;
    QString Path;
    int Part;
    int Result;
  };
  const CCase cases[] = {
      {"folder missing", Temp.File(QStringLiteral("missing/target.bin")), 1, -1},
      {"disk full while writing a part", Target(), 1, 0},
      {"disk full while writing the list", Target(), 0, 0},
      {"a device in the file's place", QStringLiteral("/dev/full"), 1, -1},
  };
  ASSERT_TRUE(Host.SetListBytes(Published.ProductId, QByteArray("0123456789")));
  for (const CCase& c : cases) {
    Host.ClearRequests();
    Log.Clear();
    CMessageBoxResponder boxes;
    QStringList reasons;
    Transfer.SetWriteFailureReport([&reasons](const QString& reason) { reasons << reason; });
    const QString url = c.Part == 0 ? ListUrl() : PartUrl(c.Part);
    {
      CFileSizeLimit full(5);
      EXPECT_EQ(Transfer.DownloadToFile(url, c.Path), c.Result) << c.Name;
    }
    EXPECT_EQ(Log.CountStarting("ERROR Download Read&Write CFileException:"), 1) << c.Name;
    ASSERT_EQ(reasons.size(), 1) << c.Name;
    EXPECT_FALSE(reasons[0].isEmpty()) << c.Name << ": the reason is given";
    EXPECT_TRUE(Log.Has("ERROR Download Read&Write CFileException:" + reasons[0])) << c.Name;
    EXPECT_TRUE(boxes.Asked().empty()) << c.Name << ": the owner shows the box";
    EXPECT_EQ(Host.CountRequests(HOST_ANY), 1) << c.Name << ": not retried";
  }
}

TEST_F(UrlDownloadTest, NetworkFailuresAreRetriedOnce) {
  struct CCase {
    const char* Name;
    bool NoSession;
    QString Url;
    QString Line;
  };
  const QString refused = QStringLiteral("http://127.0.0.1:1") + LIST_PATH + "?" + QString::fromStdString(QUERY);
  const CCase cases[] = {
      {"refused", false, refused, "ERROR Download CInternetException:"},
      {"no session", true, ListUrl(), "ERROR Download CInternetException:No internet session is open."},
  };
  for (const CCase& c : cases) {
    Log.Clear();
    CUrlDownload transfer(Log);
    if (!c.NoSession) {
      transfer.SetAccess(CUrlDownload::ACCESS_DIRECT, QString());
      ASSERT_EQ(transfer.init(), 1);
    }
    EXPECT_EQ(transfer.DownloadToFile(c.Url, Target()), -1) << c.Name;
    EXPECT_EQ(Log.CountStarting(c.Line), 2) << c.Name;
    EXPECT_TRUE(Log.Has("WARNG UrlDownload Retry #1")) << c.Name;
  }
}

TEST_F(UrlDownloadTest, AnAddressThatIsNotAbsoluteHttpIsRefusedAtOnce) {
  for (const QString& url : {QStringLiteral("/http/cgi-bin/getlist_u8.pl?NO=1"), QStringLiteral("?NO=1"),
                            QStringLiteral("ftp://127.0.0.1/x?NO=1"), QString()}) {
    Log.Clear();
    EXPECT_EQ(Transfer.DownloadToFile(url, Target()), -1);
    EXPECT_EQ(Log.GetLines().filter("ERROR").size(), 1);
    EXPECT_TRUE(Log.Has("ERROR Invalid URL='" + url + "'")) << url.toStdString();
    EXPECT_EQ(Log.CountStarting("TRACE URL Downloaded"), 0);
  }
  EXPECT_EQ(Host.CountRequests(HOST_ANY), 0);
}

TEST_F(UrlDownloadTest, AccessModesAndConnectionState) {
  struct CCase {
    int Mode;
    const char* Proxy;
    int Init;
    int ModeAfter;
    const char* Line;
  };
  const CCase cases[] = {
      {0, "", 0, 0, nullptr},
      {1, "", 1, 1, "TRACE CUrlDownload::init(INTERNET_OPEN_TYPE_DIRECT)"},
      {2, "", 1, 1, "TRACE CUrlDownload::init(INTERNET_OPEN_TYPE_DIRECT)"},
      {2, "proxy.test:3128", 1, 2, "TRACE CUrlDownload::init(INTERNET_OPEN_TYPE_PROXY):Server=proxy.test:3128"},
      {3, "", 1, 3, "TRACE CUrlDownload::init(INTERNET_OPEN_TYPE_PRECONFIG)"},
      {7, "", 0, 7, nullptr},
  };
  for (const CCase& c : cases) {
    Log.Clear();
    CUrlDownload transfer(Log);
    transfer.SetAccess(c.Mode, QString::fromLatin1(c.Proxy));
    EXPECT_EQ(transfer.init(), c.Init) << c.Mode;
    EXPECT_EQ(transfer.HasSession(), c.Init == 1) << c.Mode;
    EXPECT_EQ(transfer.GetAccessMode(), c.ModeAfter) << c.Mode;
    if (c.Line) EXPECT_EQ(Log.GetLines(), QStringList{c.Line}) << c.Mode;
    else EXPECT_TRUE(Log.GetLines().isEmpty()) << c.Mode;
  }

  Log.Clear();
  CUrlDownload transfer(Log);
  EXPECT_EQ(transfer.Connect(), 0) << "nothing configured";
  EXPECT_EQ(transfer.GetConnectState(), 0);
  transfer.UsePreconfiguredAccess();
  EXPECT_EQ(transfer.Connect(), 1);
  EXPECT_EQ(transfer.Connect(), 1);
  EXPECT_EQ(transfer.GetConnectState(), 1);
  transfer.Disconnect();
  EXPECT_EQ(transfer.GetConnectState(), 0);
  EXPECT_EQ(Log.GetLines(), (QStringList{"TRACE Connecting...", "TRACE connected!", "TRACE Disconnecting...",
                                         "TRACE disconnected!"}));
}

}  // namespace
