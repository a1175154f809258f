#include "HostFetch.h"
#include "HostTestProduct.h"

#include "host/LoopbackHost.h"
#include "transfer/MD5Digest.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <future>

namespace {

using namespace std::chrono_literals;

std::string Md5Hex(const QByteArray& bytes) { return CMD5Digest::ToHexText(CMD5Digest::Of(bytes)).toStdString(); }

class HostFault : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(Host.IsRunning());
    Published = Host.Publish(Product, DemoOptions(PART_SIZE));
    ASSERT_FALSE(Published.ProductId.isEmpty()) << Host.GetLastError().toStdString();
    List = Published.ListBytes;
    Part = Product.left(PART_SIZE);
  }
  CHostFetch GetList() { return PostToHost(HostUrl(Host, LIST_PATH), PurchaseQuery()); }
  CHostFetch GetPart(const char* name = "demo.bin.001") {
    return PostToHost(HostUrl(Host, BODY_PATH), BodyQuery(name));
  }

  static constexpr int PART_SIZE = 300000;
  CLoopbackHost Host;
  QByteArray Product = MakeProductBytes(3 * PART_SIZE);
  CHostPublished Published;
  QByteArray List;
  QByteArray Part;
};

// Each fault changes exactly the first Count matching answers; the answer
// after them is the sound one.
TEST_F(HostFault, EachFaultHitsOnlyTheFirstRequests) {
  const std::string goodDigest = Md5Hex(List);
  const struct {
    const char* Name;
    int Endpoints;
    CHostFault Fault;
    int Count;
    std::function<void(const CHostFetch&, const QByteArray& sound)> Check;
  } cases[] = {
      {"status 404", HOST_ANY_BODY, CHostFault::Status(404), 2,
       [](const CHostFetch& a, const QByteArray&) { EXPECT_EQ(a.Status, 404); }},
      {"status 500", HOST_ANY_LIST, CHostFault::Status(500), 1,
       [](const CHostFetch& a, const QByteArray&) { EXPECT_EQ(a.Status, 500); }},
      {"status 503", HOST_ANY_BODY, CHostFault::Status(503), 3,
       [](const CHostFetch& a, const QByteArray&) { EXPECT_EQ(a.Status, 503); }},
      {"redirect absolute", HOST_ANY_LIST, CHostFault::Redirect(302, EHostRedirect::ABSOLUTE_SAME), 1,
       [this](const CHostFetch& a, const QByteArray&) {
         EXPECT_EQ(a.Status, 302);
         EXPECT_EQ(a.Header("location"), HostUrl(Host, LIST_PATH));
       }},
      {"redirect relative", HOST_ANY_BODY, CHostFault::Redirect(301, EHostRedirect::RELATIVE_SAME), 2,
       [](const CHostFetch& a, const QByteArray&) {
         EXPECT_EQ(a.Status, 301);
         EXPECT_EQ(a.Header("location"), BODY_PATH);
       }},
      {"redirect given", HOST_ANY_BODY, CHostFault::Redirect(307, EHostRedirect::GIVEN, "http://127.0.0.1:1/x"), 1,
       [](const CHostFetch& a, const QByteArray&) {
         EXPECT_EQ(a.Status, 307);
         EXPECT_EQ(a.Header("location"), "http://127.0.0.1:1/x");
       }},
      {"redirect without location", HOST_ANY_LIST, CHostFault::Redirect(303, EHostRedirect::NO_LOCATION), 1,
       [](const CHostFetch& a, const QByteArray&) {
         EXPECT_EQ(a.Status, 303);
         EXPECT_FALSE(a.HasHeader("location"));
       }},
      {"digest wrong", HOST_ANY_LIST, CHostFault::DigestHeader(EHostDigestFault::WRONG), 2,
       [goodDigest](const CHostFetch& a, const QByteArray& sound) {
         EXPECT_EQ(a.Body, sound);
         EXPECT_EQ(a.Header("digest").size(), 32u);
         EXPECT_NE(a.Header("digest"), goodDigest);
         EXPECT_EQ(a.Header("digest").find_first_not_of("0123456789abcdef"), std::string::npos);
       }},
      {"digest missing", HOST_ANY_LIST, CHostFault::DigestHeader(EHostDigestFault::MISSING), 1,
       [](const CHostFetch& a, const QByteArray& sound) {
         EXPECT_EQ(a.Body, sound);
         EXPECT_FALSE(a.HasHeader("digest"));
       }},
      {"digest not hex", HOST_ANY_LIST, CHostFault::DigestHeader(EHostDigestFault::NOT_HEX), 1,
       [](const CHostFetch& a, const QByteArray&) {
         EXPECT_EQ(a.Header("digest").size(), 32u);
         EXPECT_NE(a.Header("digest").find_first_not_of("0123456789abcdefABCDEF"), std::string::npos);
       }},
      {"digest length", HOST_ANY_LIST, CHostFault::DigestHeader(EHostDigestFault::WRONG_LENGTH), 1,
       [goodDigest](const CHostFetch& a, const QByteArray&) {
         EXPECT_EQ(a.Header("digest"), goodDigest.substr(0, 31));
       }},
      {"corrupt byte", HOST_ANY_BODY, CHostFault::CorruptByte(), 2,
       [](const CHostFetch& a, const QByteArray& sound) {
         ASSERT_EQ(a.Body.size(), sound.size());
         int differing = 0;
         for (int i = 0; i < sound.size(); ++i) differing += a.Body[i] != sound[i];
         EXPECT_EQ(differing, 1);
         EXPECT_NE(a.Body[sound.size() / 2], sound[sound.size() / 2]);
       }},
      {"corrupt list byte 0", HOST_ANY_LIST, CHostFault::CorruptByte(0), 1,
       [goodDigest](const CHostFetch& a, const QByteArray& sound) {
         EXPECT_NE(a.Body[0], sound[0]);
         EXPECT_EQ(a.Body.mid(1), sound.mid(1));
         EXPECT_EQ(a.Header("digest"), goodDigest);
       }},
      {"short body", HOST_ANY_BODY, CHostFault::ShortBody(), 1,
       [](const CHostFetch& a, const QByteArray& sound) {
         EXPECT_EQ(a.Code, CURLE_OK);
         EXPECT_EQ(a.Body, sound.left(sound.size() - 1));
       }},
      {"long body", HOST_ANY_BODY, CHostFault::LongBody(), 1,
       [](const CHostFetch& a, const QByteArray& sound) {
         EXPECT_EQ(a.Code, CURLE_OK);
         EXPECT_EQ(a.Body.size(), sound.size() + 1);
         EXPECT_EQ(a.Body.left(sound.size()), sound);
       }},
      {"empty body", HOST_ANY_LIST, CHostFault::EmptyBody(), 1,
       [goodDigest](const CHostFetch& a, const QByteArray&) {
         EXPECT_EQ(a.Status, 200);
         EXPECT_EQ(a.Code, CURLE_OK);
         EXPECT_TRUE(a.Body.isEmpty());
         EXPECT_EQ(a.Header("content-length"), "0");
       }},
      {"drop", HOST_ANY_BODY, CHostFault::Drop(150000), 2,
       [](const CHostFetch& a, const QByteArray& sound) {
         EXPECT_EQ(a.Code, CURLE_PARTIAL_FILE);
         EXPECT_EQ(a.Body, sound.left(150000));
       }},
      {"drop before the body", HOST_ANY_LIST, CHostFault::Drop(0), 1,
       [](const CHostFetch& a, const QByteArray&) {
         EXPECT_EQ(a.Status, 200);
         EXPECT_EQ(a.Code, CURLE_PARTIAL_FILE);
         EXPECT_TRUE(a.Body.isEmpty());
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const bool list = c.Endpoints == HOST_ANY_LIST;
    const QByteArray& sound = list ? List : Part;
    const int rule = Host.AddFault(c.Endpoints, std::string(), c.Count, c.Fault);
    for (int i = 0; i < c.Count; ++i) c.Check(list ? GetList() : GetPart(), sound);
    const CHostFetch after = list ? GetList() : GetPart();
    EXPECT_EQ(after.Status, 200);
    EXPECT_EQ(after.Body, sound);
    if (list) {
      EXPECT_EQ(after.Header("digest"), goodDigest);
    }
    EXPECT_EQ(Host.GetFaultHits(rule), c.Count);
    Host.ClearFaults();
  }
}

TEST_F(HostFault, RulesMatchTheirEndpointAndRequestIdOnly) {
  const int rule = Host.AddFault(HOST_BODY_TEST, "demo.bin.002", 1, CHostFault::Status(500));
  EXPECT_EQ(GetPart("demo.bin.002").Status, 200);  // the normal script
  EXPECT_EQ(PostToHost(HostUrl(Host, TEST_BODY_PATH), BodyQuery("demo.bin.001") + "&TESFLG=TEST").Status, 200);
  EXPECT_EQ(GetList().Status, 200);
  EXPECT_EQ(Host.GetFaultHits(rule), 0);
  EXPECT_EQ(PostToHost(HostUrl(Host, TEST_BODY_PATH), BodyQuery("demo.bin.002") + "&TESFLG=TEST").Status, 500);
  EXPECT_EQ(PostToHost(HostUrl(Host, TEST_BODY_PATH), BodyQuery("demo.bin.002") + "&TESFLG=TEST").Status, 200);
  EXPECT_EQ(Host.GetFaultHits(rule), 1);

  // Several rules on one request all apply; a rule without count stays.
  const int drop = Host.AddFault(HOST_ANY, std::string(), -1, CHostFault::Drop(1000));
  const int corrupt = Host.AddFault(HOST_ANY_BODY, std::string(), 1, CHostFault::CorruptByte(10));
  CHostFetch answer = GetPart();
  EXPECT_EQ(answer.Body.size(), 1000);
  EXPECT_NE(answer.Body[10], Part[10]);
  answer = GetPart();
  EXPECT_EQ(answer.Body, Part.left(1000));
  EXPECT_EQ(Host.GetFaultHits(drop), 2);
  EXPECT_EQ(Host.GetFaultHits(corrupt), 1);
}

TEST_F(HostFault, DelayHoldsTheStatusLine) {
  Host.AddFault(HOST_ANY_LIST, std::string(), 1, CHostFault::Delay(300));
  const auto started = std::chrono::steady_clock::now();
  const CHostFetch answer = GetList();
  EXPECT_GE(std::chrono::steady_clock::now() - started, 300ms);  // a delay is never shorter
  EXPECT_EQ(answer.Body, List);
}

TEST_F(HostFault, ThrottleKeepsTheRateDown) {
  Host.AddFault(HOST_ANY_BODY, std::string(), -1, CHostFault::Throttle(1000000));
  const auto started = std::chrono::steady_clock::now();
  const CHostFetch answer = GetPart();
  // The last of three 100000-byte chunks waits until 200 ms have passed.
  EXPECT_GE(std::chrono::steady_clock::now() - started, 200ms);
  EXPECT_EQ(answer.Body, Part);
}

TEST_F(HostFault, StallWaitsAfterItsBytesUntilReleased) {
  Host.AddFault(HOST_ANY_BODY, "demo.bin.003", 1, CHostFault::Stall(200000));
  auto fetch = std::async(std::launch::async, [this] { return GetPart("demo.bin.003"); });
  ASSERT_TRUE(Host.WaitForStalled(1, 20s));
  EXPECT_EQ(fetch.wait_for(0ms), std::future_status::timeout);
  // Other requests are still answered while one stalls.
  EXPECT_EQ(GetPart("demo.bin.001").Body, Part);
  Host.ReleaseStalls();
  const CHostFetch answer = fetch.get();
  EXPECT_EQ(answer.Body, Product.mid(2 * PART_SIZE));
  EXPECT_EQ(Host.GetServer().GetWaiter().GetStalledCount(), 0);
}

TEST_F(HostFault, ClientTimeOutDuringAStallSeesTheBytesBeforeIt) {
  Host.AddFault(HOST_ANY_BODY, std::string(), 1, CHostFault::Stall(120000));
  const CHostFetch answer = PostToHost(HostUrl(Host, BODY_PATH), BodyQuery("demo.bin.001"), 1500);
  EXPECT_EQ(answer.Code, CURLE_OPERATION_TIMEDOUT);
  EXPECT_EQ(answer.Body, Part.left(120000));
}

TEST(HostStop, StoppingEndsStallsAndDelaysAtOnce) {
  const auto started = std::chrono::steady_clock::now();
  std::future<CHostFetch> stalled;
  std::future<CHostFetch> delayed;
  {
    CLoopbackHost host;
    ASSERT_FALSE(host.Publish(MakeProductBytes(1000), DemoOptions(400)).ProductId.isEmpty());
    host.AddFault(HOST_ANY_BODY, std::string(), 1, CHostFault::Stall(100));
    host.AddFault(HOST_ANY_LIST, std::string(), 1, CHostFault::Delay(600000));
    stalled = std::async(std::launch::async, [&] { return PostToHost(HostUrl(host, BODY_PATH), BodyQuery("demo.bin.001")); });
    delayed = std::async(std::launch::async, [&] { return PostToHost(HostUrl(host, LIST_PATH), PurchaseQuery()); });
    ASSERT_TRUE(host.WaitForStalled(1, 20s));
    ASSERT_TRUE(host.WaitForRequests(HOST_ANY_LIST, 1, 20s));
  }
  EXPECT_EQ(stalled.get().Body.size(), 100);
  delayed.get();
  // Far below the delay; generous for a loaded machine.
  EXPECT_LT(std::chrono::steady_clock::now() - started, 20s);
}

}  // namespace
