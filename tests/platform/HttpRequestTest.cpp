#include "platform/HttpRequest.h"

#include "host/HostAnswer.h"
#include "host/LoopbackHost.h"
#include "platform/HttpShare.h"
#include "support/DemoProduct.h"
#include "support/QtPrint.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

namespace {

using namespace std::chrono_literals;
using CSteady = std::chrono::steady_clock;

const char* const LIST_PATH = "/http/cgi-bin/getlist_u8.pl";
const char* const BODY_PATH = "/http/cgi-bin/getbody_u8.pl";
// A close must end a waiting call well within a second, however loaded the
// machine is under the sanitizers.
constexpr auto PROMPT = 900ms;

class HttpRequestTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(Host.IsRunning());
    Published = PublishDemoProduct(Host, Product);
    ASSERT_FALSE(Published.ProductId.isEmpty()) << Host.GetLastError().toStdString();
  }

  std::unique_ptr<CHttpRequest> Open(const char* verb, const QString& object, EHttpAccess access = HTTP_ACCESS_DIRECT,
                                     std::shared_ptr<CHttpShare> share = nullptr) const {
    CHttpRequestSettings settings;
    settings.Share = std::move(share);
    settings.Access = access;
    settings.Verb = QString::fromLatin1(verb);
    settings.Server = QStringLiteral("127.0.0.1");
    settings.Port = Host.GetPort();
    settings.Object = object;
    return std::make_unique<CHttpRequest>(settings);
  }
  static QByteArray ListQuery() { return "NO=1234&KEY=secret"; }
  QByteArray PartQuery(int part) const { return ListQuery() + "&REQID=" + PartName(part).c_str(); }
  std::string PartName(int part) const { return Published.Files[part].FileName.toStdString(); }
  QByteArray PartBytes(int part) const { return Product.mid((part - 1) * 300000, 300000); }

  // Reads to the end; every read must return at most chunk bytes.
  static QByteArray ReadAll(CHttpRequest& request, int chunk, QString& error, bool& failed) {
    QByteArray all;
    std::vector<char> buffer(static_cast<std::size_t>(chunk));
    failed = false;
    for (;;) {
      const int got = request.Read(buffer.data(), chunk, error);
      if (got < 0) {
        failed = true;
        break;
      }
      EXPECT_LE(got, chunk);
      if (got == 0) break;
      all.append(buffer.data(), got);
    }
    return all;
  }

  CLoopbackHost Host;
  QByteArray Product;
  CHostPublished Published;
};

TEST_F(HttpRequestTest, SendsExactlyTheBodyWithOnlyTheNoCacheHeaders) {
  struct CCase {
    const char* Verb;
    QByteArray Body;
    const char* ExpectedMethod;
    std::string ExpectedBody;
  };
  const CCase cases[] = {
      {"POST", ListQuery(), "POST", "NO=1234&KEY=secret"},
      {"POST", QByteArray(), "POST", ""},
      {"GET", ListQuery(), "GET", ""},  // a GET carries no body
  };
  for (const CCase& c : cases) {
    Host.ClearRequests();
    auto request = Open(c.Verb, QString::fromLatin1(LIST_PATH));
    QString error;
    ASSERT_TRUE(request->Send(c.Body, error)) << error.toStdString();
    EXPECT_EQ(request->GetStatusCode(), 200) << c.Verb;
    bool failed = false;
    ReadAll(*request, 102400, error, failed);
    EXPECT_FALSE(failed) << error.toStdString();

    const std::vector<CHostRequest> seen = Host.GetRequests();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].Method, c.ExpectedMethod);
    EXPECT_EQ(seen[0].Body, c.ExpectedBody);
    EXPECT_EQ(seen[0].GetHeader("Cache-Control"), "no-cache");
    EXPECT_EQ(seen[0].GetHeader("Pragma"), "no-cache");
    for (const char* absent : {"User-Agent", "Content-Type", "Expect", "Accept"})
      EXPECT_FALSE(seen[0].HasHeader(absent)) << c.Verb << " sent " << absent;
  }
}

TEST_F(HttpRequestTest, ReadsTheWholeBodyInPiecesOfAtMostTheAskedSize) {
  for (int chunk : {102400, 65536, 1000, 7}) {
    auto request = Open("POST", QString::fromLatin1(BODY_PATH));
    QString error;
    ASSERT_TRUE(request->Send(PartQuery(1), error)) << error.toStdString();
    ASSERT_EQ(request->GetStatusCode(), 200);
    bool failed = false;
    const QByteArray body = ReadAll(*request, chunk, error, failed);
    EXPECT_FALSE(failed) << chunk << ": " << error.toStdString();
    EXPECT_EQ(body.size(), 300000) << chunk;
    EXPECT_TRUE(body == PartBytes(1)) << chunk;
    char byte = 0;
    EXPECT_EQ(request->Read(&byte, 1, error), 0) << "the end stays the end";
  }
}

TEST_F(HttpRequestTest, StatusAndHeadersComeAsTheHostSentThem) {
  QString value;
  {
    auto request = Open("POST", QString::fromLatin1(LIST_PATH));
    QString error;
    ASSERT_TRUE(request->Send(ListQuery(), error));
    ASSERT_TRUE(request->QueryHeader(QStringLiteral("digest"), value));
    EXPECT_EQ(value.toStdString(), DigestHeaderText(Published.ListBytes));
    EXPECT_FALSE(request->QueryHeader(QStringLiteral("Location"), value));
  }
  struct CCase {
    CHostFault Fault;
    int Status;
    bool HasLocation;
    std::string Location;
  };
  const std::string self = Host.GetBaseUrl().toStdString() + LIST_PATH;
  const CCase cases[] = {
      {CHostFault::Status(404), 404, false, ""},
      {CHostFault::Status(503), 503, false, ""},
      {CHostFault::Redirect(302, EHostRedirect::ABSOLUTE_SAME), 302, true, self},
      {CHostFault::Redirect(307, EHostRedirect::RELATIVE_SAME), 307, true, LIST_PATH},
      {CHostFault::Redirect(301, EHostRedirect::NO_LOCATION), 301, false, ""},
  };
  for (const CCase& c : cases) {
    Host.ClearRequests();
    Host.AddFault(HOST_LIST_U8, "", 1, c.Fault);
    auto request = Open("POST", QString::fromLatin1(LIST_PATH));
    QString error;
    ASSERT_TRUE(request->Send(ListQuery(), error)) << error.toStdString();
    EXPECT_EQ(request->GetStatusCode(), c.Status);
    EXPECT_EQ(request->QueryHeader(QStringLiteral("Location"), value), c.HasLocation) << c.Status;
    if (c.HasLocation) {
      EXPECT_EQ(value.toStdString(), c.Location);
    }
    EXPECT_EQ(Host.CountRequests(HOST_ANY), 1) << "redirects are not followed";
  }
}

TEST_F(HttpRequestTest, CloseFromAnotherThreadEndsAWaitingSendAtOnce) {
  Host.AddFault(HOST_LIST_U8, "", 1, CHostFault::Delay(60000));
  auto request = Open("POST", QString::fromLatin1(LIST_PATH));
  CSteady::time_point closedAt;
  std::thread closer([&] {
    ASSERT_TRUE(Host.WaitForRequests(HOST_LIST_U8, 1, 20s));
    closedAt = CSteady::now();
    request->Close();
  });
  QString error;
  const bool sent = request->Send(ListQuery(), error);
  const auto returnedAt = CSteady::now();
  closer.join();
  EXPECT_FALSE(sent);
  EXPECT_EQ(error, CHttpRequest::CLOSED_TEXT);
  EXPECT_LT(returnedAt - closedAt, PROMPT);
}

TEST_F(HttpRequestTest, CloseFromAnotherThreadEndsAWaitingReadAtOnce) {
  Host.AddFault(HOST_BODY_U8, PartName(1), 1, CHostFault::Stall(1000));
  auto request = Open("POST", QString::fromLatin1(BODY_PATH));
  QString error;
  ASSERT_TRUE(request->Send(PartQuery(1), error)) << error.toStdString();
  std::vector<char> buffer(102400);
  int total = 0;
  while (total < 1000) {
    const int got = request->Read(buffer.data(), 102400, error);
    ASSERT_GT(got, 0) << error.toStdString();
    total += got;
  }
  EXPECT_EQ(total, 1000);
  CSteady::time_point closedAt;
  std::thread closer([&] {
    ASSERT_TRUE(Host.WaitForStalled(1, 20s));
    closedAt = CSteady::now();
    request->Close();
  });
  const int got = request->Read(buffer.data(), 102400, error);
  const auto returnedAt = CSteady::now();
  closer.join();
  EXPECT_EQ(got, -1);
  EXPECT_EQ(error, CHttpRequest::CLOSED_TEXT);
  EXPECT_LT(returnedAt - closedAt, PROMPT);
  EXPECT_EQ(request->Read(buffer.data(), 102400, error), -1) << "a closed request stays closed";
}

TEST_F(HttpRequestTest, ALostConnectionIsAFailureNotTheEndOfTheBody) {
  Host.AddFault(HOST_BODY_U8, PartName(2), 1, CHostFault::Drop(150000));
  auto request = Open("POST", QString::fromLatin1(BODY_PATH));
  QString error;
  ASSERT_TRUE(request->Send(PartQuery(2), error));
  bool failed = false;
  const QByteArray body = ReadAll(*request, 102400, error, failed);
  EXPECT_TRUE(failed);
  EXPECT_FALSE(error.isEmpty());
  EXPECT_EQ(body.size(), 150000);
  EXPECT_TRUE(body == PartBytes(2).left(150000));
}

TEST_F(HttpRequestTest, ASessionKeepsItsConnectionButNotOneLeftMidBody) {
  const auto share = std::make_shared<CHttpShare>();
  ASSERT_NE(share->GetHandle(), nullptr);
  const int before = Host.CountConnections();
  const auto fetch = [&](const char* path, const QByteArray& query, QString& error) {
    auto request = Open("POST", QString::fromLatin1(path), HTTP_ACCESS_DIRECT, share);
    bool failed = !request->Send(query, error);
    const QByteArray body = failed ? QByteArray() : ReadAll(*request, 102400, error, failed);
    return failed ? QByteArray() : body;
  };
  QString error;
  EXPECT_TRUE(fetch(LIST_PATH, ListQuery(), error) == Published.ListBytes) << error.toStdString();
  for (int fetched = 0; fetched < 8; ++fetched) {  // the three parts over and over
    const int part = 1 + fetched % 3;
    EXPECT_TRUE(fetch(BODY_PATH, PartQuery(part), error) == PartBytes(part)) << part << error.toStdString();
  }
  EXPECT_EQ(Host.CountConnections() - before, 1) << "the list and eight parts";

  // Closed from another thread in the middle of its body, as a stop or the
  // watchdog does: the request after it gets a sound connection.
  Host.AddFault(HOST_BODY_U8, PartName(1), 1, CHostFault::Stall(1000));
  {
    auto request = Open("POST", QString::fromLatin1(BODY_PATH), HTTP_ACCESS_DIRECT, share);
    ASSERT_TRUE(request->Send(PartQuery(1), error)) << error.toStdString();
    std::thread closer([&] {
      ASSERT_TRUE(Host.WaitForStalled(1, 20s));
      request->Close();
    });
    bool failed = false;
    const QByteArray body = ReadAll(*request, 102400, error, failed);
    closer.join();
    EXPECT_TRUE(failed);
    EXPECT_LE(body.size(), 1000);
  }
  EXPECT_TRUE(fetch(BODY_PATH, PartQuery(2), error) == PartBytes(2)) << error.toStdString();
  // The host drops the next one: the same again.
  Host.AddFault(HOST_BODY_U8, PartName(2), 1, CHostFault::Drop(150000));
  EXPECT_TRUE(fetch(BODY_PATH, PartQuery(2), error).isEmpty());
  EXPECT_TRUE(fetch(BODY_PATH, PartQuery(1), error) == PartBytes(1)) << error.toStdString();
  EXPECT_EQ(Host.CountConnections() - before, 3) << "a new one after each cut";
  Host.ReleaseStalls();
}

TEST_F(HttpRequestTest, ARefusedConnectionFailsTheSend) {
  CHttpRequestSettings settings;
  settings.Access = HTTP_ACCESS_DIRECT;
  settings.Verb = QStringLiteral("POST");
  settings.Server = QStringLiteral("127.0.0.1");
  settings.Port = 1;  // nothing listens there
  settings.Object = QString::fromLatin1(LIST_PATH);
  CHttpRequest request(settings);
  QString error;
  EXPECT_FALSE(request.Send(ListQuery(), error));
  EXPECT_FALSE(error.isEmpty());
  char byte = 0;
  EXPECT_EQ(request.Read(&byte, 1, error), -1);
}

// Sets an environment variable for one scope and puts the old value back.
class CScopedEnv {
public:
  CScopedEnv(const char* name, const QByteArray& value) : Name(name), Had(qEnvironmentVariableIsSet(name)), Old(qgetenv(name)) {
    if (value.isNull()) qunsetenv(name);
    else qputenv(name, value);
  }
  ~CScopedEnv() {
    if (Had) qputenv(Name, Old);
    else qunsetenv(Name);
  }

private:
  const char* Name;
  bool Had;
  QByteArray Old;
};

// A loopback host is never reached through a proxy: the proxy would see the
// key and could answer in this machine's name.
TEST_F(HttpRequestTest, AccessModesDecideWhetherAProxyIsUsed) {
  // The host stands in for a proxy. A remote name is only ever asked of the
  // proxy (nothing is looked up); a loopback address asked for directly
  // has no server, so it is refused.
  const QByteArray hostAsProxy = Host.GetBaseUrl().toLatin1();
  struct CCase {
    const char* Name;
    EHttpAccess Access;
    QByteArray ProxyServer;
    QByteArray EnvProxy;
    QByteArray NoProxy;
    const char* Server;
    bool ReachesProxy;
  };
  const CCase cases[] = {
      {"preconfigured, proxy in the environment", HTTP_ACCESS_PRECONFIG, "", hostAsProxy, QByteArray(), "dl.example", true},
      {"preconfigured, another address excluded", HTTP_ACCESS_PRECONFIG, "", hostAsProxy, "other.example", "dl.example", true},
      {"preconfigured, address excluded", HTTP_ACCESS_PRECONFIG, "", hostAsProxy, "127.0.0.2", "127.0.0.2", false},
      {"preconfigured, loopback", HTTP_ACCESS_PRECONFIG, "", hostAsProxy, QByteArray(), "127.0.0.2", false},
      {"preconfigured, loopback beside no_proxy", HTTP_ACCESS_PRECONFIG, "", hostAsProxy, "other.example", "[::1]", false},
      {"preconfigured, no proxy", HTTP_ACCESS_PRECONFIG, "", QByteArray(), QByteArray(), "127.0.0.2", false},
      {"direct ignores the environment", HTTP_ACCESS_DIRECT, "", hostAsProxy, QByteArray(), "127.0.0.2", false},
      {"proxy given", HTTP_ACCESS_PROXY, hostAsProxy, QByteArray(), QByteArray(), "dl.example", true},
      {"proxy given, loopback", HTTP_ACCESS_PROXY, hostAsProxy, QByteArray(), QByteArray(), "127.0.0.2", false},
  };
  for (const CCase& c : cases) {
    CScopedEnv proxy("http_proxy", c.EnvProxy);
    CScopedEnv allProxy("all_proxy", QByteArray());
    CScopedEnv noProxy("no_proxy", c.NoProxy);
    CScopedEnv noProxyUpper("NO_PROXY", QByteArray());
    Host.ClearRequests();
    CHttpRequestSettings settings;
    settings.Access = c.Access;
    settings.ProxyServer = QString::fromLatin1(c.ProxyServer);
    settings.Verb = QStringLiteral("POST");
    settings.Server = QString::fromLatin1(c.Server);
    settings.Port = 9;
    settings.Object = QString::fromLatin1(LIST_PATH);
    CHttpRequest request(settings);
    QString error;
    EXPECT_EQ(request.Send(ListQuery(), error), c.ReachesProxy) << c.Name << ": " << error.toStdString();
    const std::vector<CHostRequest> seen = Host.GetRequests();
    ASSERT_EQ(seen.size(), c.ReachesProxy ? 1u : 0u) << c.Name;
    if (c.ReachesProxy) {
      EXPECT_EQ(seen[0].Target, std::string("http://") + c.Server + ":9" + LIST_PATH) << c.Name;
    }
  }
}

}  // namespace
