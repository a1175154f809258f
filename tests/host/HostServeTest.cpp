#include "HostFetch.h"
#include "HostTestProduct.h"

#include "host/HostBacklog.h"
#include "host/LoopbackHost.h"
#include "platform/TextFormat.h"
#include "res/RequestAddresses.h"
#include "transfer/MD5Digest.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

std::string Md5Hex(const QByteArray& bytes) { return CMD5Digest::ToHexText(CMD5Digest::Of(bytes)).toStdString(); }

// The wizard's own addresses, split at "?" into address and posted query.
std::pair<std::string, std::string> SplitAddress(const QString& url) {
  const std::string text = url.toStdString();
  const std::size_t mark = text.find('?');
  return {text.substr(0, mark), text.substr(mark + 1)};
}

TEST(HostServe, PublishedPartsFetchedWithTheWizardsAddressesJoinToTheProduct) {
  CLoopbackHost host;
  ASSERT_TRUE(host.IsRunning()) << host.GetLastError().toStdString();
  const QByteArray product = MakeProductBytes(1000000);
  CHostPublishOptions options = DemoOptions(300000);
  options.Installs = {{QStringLiteral("setup.sh"), QString(), 0, true}};
  options.Messages = {{1, QStringLiteral("Hello//World")}};
  // A signed list goes out byte for byte as published.
  CHostMakerKey key;
  ASSERT_TRUE(MakeMakerKey(key, nullptr));
  options.SigningKey = key;
  const CHostPublished published = host.Publish(product, options);
  ASSERT_FALSE(published.ProductId.isEmpty()) << host.GetLastError().toStdString();
  ASSERT_TRUE(published.ListBytes.contains("\r\nSG," + key.Id + ","));

  for (const bool test : {false, true}) {
    const auto [listUrl, listQuery] = SplitAddress(
        FormatText(RequestAddress(test ? IDS_TEST_LIST_URL : IDS_LIST_URL, host.GetBaseUrl(), 1234, PURCHASE_KEY)));
    const CHostFetch list = PostToHost(listUrl, listQuery);
    ASSERT_EQ(list.Status, 200);
    EXPECT_EQ(list.Body, published.ListBytes);
    EXPECT_EQ(list.Header("digest"), Md5Hex(list.Body));

    const QString bodyFormat = RequestAddress(test ? IDS_TEST_BODY_URL : IDS_BODY_URL, host.GetBaseUrl(), 1234,
                                              PURCHASE_KEY);
    QByteArray joined;
    ASSERT_EQ(published.Files.size(), 5u);
    for (std::size_t i = 1; i < published.Files.size(); ++i) {
      const CHostPublishedFile& part = published.Files[i];
      const auto [bodyUrl, bodyQuery] = SplitAddress(FormatText(bodyFormat, part.FileName));
      const CHostFetch body = PostToHost(bodyUrl, bodyQuery);
      ASSERT_EQ(body.Status, 200) << part.FileName.toStdString();
      EXPECT_EQ(body.Body.size(), part.Size);
      EXPECT_EQ(Md5Hex(body.Body), part.Digest.toStdString());
      EXPECT_FALSE(body.HasHeader("digest"));
      joined += body.Body;
    }
    EXPECT_EQ(joined, product);
    EXPECT_EQ(Md5Hex(joined), published.Files[0].Digest.toStdString());
  }
}

TEST(HostServe, ListHoldsTheRecordsTheWizardReads) {
  CLoopbackHost host;
  CHostPublishOptions options = DemoOptions(0);
  options.PartCount = 3;
  options.Installs = {{QStringLiteral("setup.sh"), QStringLiteral("--quiet"), 1, true},
                      {QStringLiteral("readme.txt"), QString(), 0, false}};
  options.Messages = {{1, QStringLiteral("One")}, {9, QStringLiteral("Nine//lines")}};
  const CHostPublished published = host.Publish(MakeProductBytes(1000), options);
  ASSERT_FALSE(published.ProductId.isEmpty()) << host.GetLastError().toStdString();
  const auto digest = [&](int i) { return published.Files[static_cast<std::size_t>(i)].Digest; };
  const QString expected = QStringLiteral(
                               "VN,100\r\nSN,0,Demo Soft,7,Demo Soft EN\r\n"
                               "DL,0,demo.bin,%1,1000\r\nDL,1,demo.bin.001,%2,334\r\n"
                               "DL,2,demo.bin.002,%3,334\r\nDL,3,demo.bin.003,%4,332\r\n"
                               "IS,0,setup.sh,--quiet,1,1\r\nIS,1,readme.txt,,0,0\r\n"
                               "MS,1,One\r\nMS,9,Nine//lines\r\n")
                               .arg(digest(0), digest(1), digest(2), digest(3));
  EXPECT_EQ(QString::fromUtf8(published.ListBytes), expected);
  EXPECT_GE(published.ListBytes.size(), 100);
}

TEST(HostServe, PartsAreSplitBySizeOrCount) {
  const struct {
    int Size;
    std::int64_t PartSize;
    int PartCount;
    std::vector<std::int64_t> Sizes;
  } cases[] = {
      {1000, 400, 0, {400, 400, 200}},
      {1000, 500, 0, {500, 500}},
      {1000, 5000, 0, {1000}},
      {1000, 0, 4, {250, 250, 250, 250}},
      {10, 0, 3, {4, 4, 2}},
      {2, 0, 5, {1, 1}},
      {1, 1, 0, {1}},
  };
  for (const auto& c : cases) {
    CLoopbackHost host;
    CHostPublishOptions options = DemoOptions(c.PartSize);
    options.PartCount = c.PartCount;
    const CHostPublished published = host.Publish(MakeProductBytes(c.Size), options);
    ASSERT_FALSE(published.ProductId.isEmpty()) << host.GetLastError().toStdString();
    std::vector<std::int64_t> sizes;
    for (std::size_t i = 1; i < published.Files.size(); ++i) {
      sizes.push_back(published.Files[i].Size);
      EXPECT_EQ(published.Files[i].FileName, CHostPublisher::PartFileName("demo.bin", static_cast<int>(i), 3));
      EXPECT_EQ(QFile(host.GetCatalogFolder() + "/product7/" + published.Files[i].FileName).size(),
                published.Files[i].Size);
    }
    EXPECT_EQ(sizes, c.Sizes) << c.Size << " " << c.PartSize << " " << c.PartCount;
  }
  EXPECT_EQ(CHostPublisher::PartFileName("a", 12, 1500), "a.0012");
}

TEST(HostServe, PublishingRefusesWhatTheListCannotHold) {
  const struct {
    const char* Why;
    int Size;
    void (*Change)(CHostPublishOptions&);
  } cases[] = {
      {"empty product", 0, [](CHostPublishOptions&) {}},
      {"comma in name", 10, [](CHostPublishOptions& o) { o.SoftwareName = "A,B"; }},
      {"line break in message", 10, [](CHostPublishOptions& o) { o.Messages[1] = "a\nb"; }},
      {"comma in install", 10, [](CHostPublishOptions& o) { o.Installs = {{"a,b", "", 0, true}}; }},
      {"separator in file name", 10, [](CHostPublishOptions& o) { o.FileName = "../x"; }},
      {"dot-dot id", 10, [](CHostPublishOptions& o) { o.ProductId = ".."; }},
      {"no name", 10, [](CHostPublishOptions& o) { o.SoftwareName.clear(); }},
      {"size and count", 10, [](CHostPublishOptions& o) { o.PartCount = 2; }},
      {"bad purchase number", 10, [](CHostPublishOptions& o) { o.Purchases = {{"12a", "k"}}; }},
      {"line break in key", 10, [](CHostPublishOptions& o) { o.Purchases = {{"12", "k\n9,x,y"}}; }},
  };
  for (const auto& c : cases) {
    CLoopbackHost host;
    CHostPublishOptions options = DemoOptions(4);
    c.Change(options);
    EXPECT_TRUE(host.Publish(MakeProductBytes(c.Size), options).ProductId.isEmpty()) << c.Why;
    EXPECT_FALSE(host.GetLastError().isEmpty()) << c.Why;
    EXPECT_FALSE(QDir(host.GetCatalogFolder()).exists(QStringLiteral("product7"))) << c.Why;
  }
}

TEST(HostServe, UnknownPurchaseGetsAShortUtf16ErrorAnswer) {
  CLoopbackHost host;
  ASSERT_FALSE(host.Publish(MakeProductBytes(1000), DemoOptions(400)).ProductId.isEmpty());
  const std::string queries[] = {
      "NO=1234&KEY=wrong",
      "NO=1234&KEY=key with space&amp%",  // not encoded: decodes to something else
      "NO=9999&KEY=" + std::string(ENCODED_KEY),
      "KEY=" + std::string(ENCODED_KEY),
      "NO=1234",
      "",
  };
  for (const std::string& query : queries) {
    const CHostFetch answer = PostToHost(HostUrl(host, LIST_PATH), query);
    EXPECT_EQ(answer.Status, 200) << query;
    EXPECT_GT(answer.Body.size(), 0) << query;
    EXPECT_LT(answer.Body.size(), 100) << query;
    EXPECT_EQ(answer.Body.size() % 2, 0) << query;
    const QString text = QString::fromUtf16(reinterpret_cast<const char16_t*>(answer.Body.constData()),
                                            answer.Body.size() / 2);
    EXPECT_EQ(text, QStringLiteral("Invalid purchase number or key")) << query;
    EXPECT_EQ(answer.Header("digest"), Md5Hex(answer.Body)) << query;
  }
}

TEST(HostServe, ScriptsAnswerOnlyWhatTheyServe) {
  CLoopbackHost host;
  const CHostPublished published = host.Publish(MakeProductBytes(1000), DemoOptions(400));
  ASSERT_FALSE(published.ProductId.isEmpty());
  const std::string part = BodyQuery("demo.bin.001");
  const struct {
    const char* Path;
    std::string Query;
    bool Get;
    long Status;
    int Bytes;  // -1: not checked
  } cases[] = {
      {LIST_PATH, PurchaseQuery(), false, 200, static_cast<int>(published.ListBytes.size())},
      {LIST_PATH, PurchaseQuery(), true, 200, static_cast<int>(published.ListBytes.size())},
      {LIST_PATH, PurchaseQuery() + "&TESFLG=TEST", false, 200, static_cast<int>(published.ListBytes.size())},
      {TEST_LIST_PATH, PurchaseQuery() + "&TESFLG=TEST", false, 200, static_cast<int>(published.ListBytes.size())},
      {TEST_LIST_PATH, PurchaseQuery(), false, 404, -1},
      {TEST_LIST_PATH, PurchaseQuery() + "&TESFLG=PROD", false, 404, -1},
      {BODY_PATH, part, false, 200, 400},
      {BODY_PATH, part, true, 200, 400},
      {TEST_BODY_PATH, part + "&TESFLG=TEST", false, 200, 400},
      {TEST_BODY_PATH, part + "&TESFLG=TEST", true, 200, 400},
      {TEST_BODY_PATH, part, false, 404, -1},
      {BODY_PATH, PurchaseQuery(), false, 404, -1},
      {BODY_PATH, "NO=1234&KEY=wrong&REQID=demo.bin.001", false, 404, -1},
      {BODY_PATH, BodyQuery("demo.bin.009"), false, 404, -1},
      {BODY_PATH, BodyQuery("demo.bin"), false, 404, -1},  // the joined product is not served
      {BODY_PATH, BodyQuery("demo%2Ebin.001"), false, 200, 400},
      {"/http/cgi-bin/other.pl", part, false, 404, -1},
      {"/", "", true, 404, -1},
      {"/http/cgi-bin/getlist_u8.pl/x", PurchaseQuery(), false, 404, -1},
  };
  for (const auto& c : cases) {
    const std::string url = HostUrl(host, c.Path);
    const CHostFetch answer = c.Get ? FetchFromHost(url + "?" + c.Query, nullptr) : PostToHost(url, c.Query);
    EXPECT_EQ(answer.Status, c.Status) << c.Path << " " << c.Query << (c.Get ? " GET" : " POST");
    if (c.Bytes >= 0) {
      EXPECT_EQ(answer.Body.size(), c.Bytes) << c.Path << " " << c.Query;
    }
  }
}

TEST(HostServe, NoRequestIdReadsOutsideTheCatalog) {
  CLoopbackHost host;
  ASSERT_FALSE(host.Publish(MakeProductBytes(1000), DemoOptions(400)).ProductId.isEmpty());
  const QString catalog = host.GetCatalogFolder();
  const std::string requestIds[] = {
      "../purchases.txt", "..%2Fpurchases.txt", "list.lst", "/etc/passwd", "%2Fetc%2Fpasswd",
      "product7/demo.bin.001", "../product7/demo.bin.001", ".", "..", "", "demo.bin.001/", "demo.bin.001%00",
      catalog.toStdString() + "/product7/demo.bin.001",
  };
  for (const std::string& reqId : requestIds) {
    const CHostFetch answer = PostToHost(HostUrl(host, BODY_PATH), PurchaseQuery() + "&REQID=" + reqId);
    EXPECT_EQ(answer.Status, 404) << reqId;
  }

  // A list that names files out of its product's folder, by path or by a
  // link, is not served from there either.
  QFile outside(catalog + "/secret.txt");
  ASSERT_TRUE(outside.open(QIODevice::WriteOnly));
  outside.write("secret");
  outside.close();
  ASSERT_TRUE(QFile::link(catalog + "/secret.txt", catalog + "/product7/link.bin"));
  const QByteArray list = "VN,100\r\nSN,0,Demo,7\r\nDL,0,demo.bin,00,1000\r\n"
                          "DL,1,../secret.txt,00,6\r\nDL,2,link.bin,00,6\r\nDL,3,/etc/hostname,00,6\r\n";
  QFile listFile(catalog + "/product7/list.lst");
  ASSERT_TRUE(listFile.open(QIODevice::WriteOnly));
  listFile.write(list);
  listFile.close();
  QStringList warnings;
  ASSERT_TRUE(host.GetCatalog().LoadProduct("product7", nullptr, &warnings));
  EXPECT_EQ(warnings.size(), 3);
  for (const char* reqId : {"../secret.txt", "link.bin", "/etc/hostname", "secret.txt"}) {
    EXPECT_EQ(PostToHost(HostUrl(host, BODY_PATH), BodyQuery(reqId)).Status, 404) << reqId;
  }
}

TEST(HostServe, CatalogReadsBackWhatWasPublished) {
  CLoopbackHost host;
  const CHostPublished published = host.Publish(MakeProductBytes(5000), DemoOptions(2000));
  ASSERT_FALSE(published.ProductId.isEmpty());
  CHostCatalog catalog(host.GetCatalogFolder());
  ASSERT_TRUE(catalog.Load(nullptr));
  const auto product = catalog.FindProduct(PURCHASE_NO, PURCHASE_KEY);
  ASSERT_NE(product, nullptr);
  EXPECT_EQ(product->ListBytes, published.ListBytes);
  EXPECT_EQ(product->Parts.size(), 3u);
  EXPECT_EQ(catalog.FindProduct(PURCHASE_NO, "key"), nullptr);
}

TEST(HostServe, RecordsEveryRequestAsItCame) {
  CLoopbackHost host;
  ASSERT_FALSE(host.Publish(MakeProductBytes(1000), DemoOptions(400)).ProductId.isEmpty());
  PostToHost(HostUrl(host, LIST_PATH), PurchaseQuery());
  PostToHost(HostUrl(host, BODY_PATH), BodyQuery("demo.bin.002"));
  FetchFromHost(HostUrl(host, "/nothing") + "?a=b", nullptr);
  ASSERT_TRUE(host.GetServer().GetRequests().WaitForFinished(std::chrono::seconds(10)));
  const std::vector<CHostRequest> requests = host.GetRequests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[0].Method, "POST");
  EXPECT_EQ(requests[0].Path, LIST_PATH);
  EXPECT_EQ(requests[0].Body, PurchaseQuery());
  EXPECT_EQ(requests[0].Endpoint, HOST_LIST_U8);
  EXPECT_EQ(requests[0].PurchaseNo, PURCHASE_NO);
  EXPECT_EQ(requests[0].Status, 200);
  EXPECT_FALSE(requests[0].GetHeader("content-length").empty());
  EXPECT_EQ(requests[1].ReqId, "demo.bin.002");
  EXPECT_EQ(requests[1].BytesSent, 400);
  EXPECT_TRUE(requests[1].Finished);
  EXPECT_EQ(requests[2].Method, "GET");
  EXPECT_EQ(requests[2].Target, "/nothing?a=b");
  EXPECT_EQ(requests[2].Endpoint, HOST_OTHER);
  EXPECT_EQ(requests[2].Status, 404);
  EXPECT_EQ(host.CountRequests(HOST_ANY_BODY), 1);
  EXPECT_EQ(host.CountRequests(HOST_ANY, "demo.bin.002"), 1);
  host.ClearRequests();
  EXPECT_TRUE(host.GetRequests().empty());
}

}  // namespace

namespace {

TEST(HostServe, EmptyAndVanishedBodiesEndTheirAnswers) {
  CLoopbackHost host;
  const CHostPublished published = host.Publish(MakeProductBytes(1000), DemoOptions(400));
  ASSERT_FALSE(published.ProductId.isEmpty());
  ASSERT_TRUE(host.SetListBytes(published.ProductId, QByteArray()));
  const CHostFetch list = PostToHost(HostUrl(host, LIST_PATH), PurchaseQuery(), 10000);
  EXPECT_EQ(list.Code, CURLE_OK);
  EXPECT_EQ(list.Status, 200);
  EXPECT_TRUE(list.Body.isEmpty());
  EXPECT_EQ(list.Header("digest"), Md5Hex(QByteArray()));

  ASSERT_TRUE(QFile::remove(host.GetCatalogFolder() + "/product7/demo.bin.002"));
  EXPECT_EQ(PostToHost(HostUrl(host, BODY_PATH), BodyQuery("demo.bin.002"), 10000).Status, 500);
  EXPECT_EQ(PostToHost(HostUrl(host, BODY_PATH), BodyQuery("demo.bin.001"), 10000).Status, 200);
}

}  // namespace

namespace {

// A part request with "Range: bytes=N-" gets the rest of the part, with the
// exact Content-Range; past the part's end it gets 416; any other form, any
// other answer, and a host serving with ranges off send everything whole.
TEST(HostServe, APartsRangeGetsTheRestUnlessRangesAreOff) {
  const QByteArray product = MakeProductBytes(300000);
  const struct {
    const char* Name;
    bool Ranges;
    bool WrongRange;
    bool List;
    std::string Range;
    long Status;
    std::string ContentRange;
    int From;  // the first byte of the part sent
  } cases[] = {
      {"the rest", true, false, false, "bytes=100000-", 206, "bytes 100000-299999/300000", 100000},
      {"from the first byte", true, false, false, "bytes=0-", 206, "bytes 0-299999/300000", 0},
      {"past the end", true, false, false, "bytes=300000-", 416, "bytes */300000", -1},
      {"a closed range is not read", true, false, false, "bytes=5-10", 200, "", 0},
      {"ranges off", false, false, false, "bytes=100000-", 200, "", 0},
      {"a wrong range on purpose", true, true, false, "bytes=100000-", 206, "bytes 100001-299999/300000", 100001},
      {"a list is never cut", true, false, true, "bytes=10-", 200, "", 0},
  };
  for (const auto& c : cases) {
    CHostServer::COptions options;
    options.Ranges = c.Ranges;
    CLoopbackHost host(options);
    const CHostPublished published = host.Publish(product, DemoOptions(300000));
    ASSERT_EQ(published.Files.size(), 2u) << host.GetLastError().toStdString();
    if (c.WrongRange) host.AddFault(HOST_ANY_BODY, "", 1, CHostFault::BadRange());
    const std::string query = c.List ? PurchaseQuery() : BodyQuery(published.Files[1].FileName);
    const CHostFetch fetched =
        FetchFromHost(HostUrl(host, c.List ? LIST_PATH : BODY_PATH), &query, 20000, {"Range: " + c.Range});
    EXPECT_EQ(fetched.Status, c.Status) << c.Name;
    EXPECT_EQ(fetched.Header("content-range"), c.ContentRange) << c.Name;
    const QByteArray whole = c.List ? published.ListBytes : product;
    if (c.From >= 0) {
      EXPECT_TRUE(fetched.Body == whole.mid(c.From)) << c.Name;
    }
    const std::vector<CHostRequest> requests = host.GetRequests();
    ASSERT_EQ(requests.size(), 1u) << c.Name;
    EXPECT_EQ(requests[0].GetHeader("Range"), c.Range) << c.Name;
    EXPECT_EQ(requests[0].Status, c.Status) << c.Name;
  }
}

}  // namespace

namespace {

// Behind nginx, a part that may be fetched is named for nginx and nothing
// of it is sent; the host leaves any Range to nginx and passes on the
// faults nginx can play. A wrong key still gets the host's own 404.
TEST(HostServe, APartBehindNginxIsNamedInAnInternalRedirect) {
  const QByteArray product = MakeProductBytes(300000);
  const struct {
    const char* Name;
    std::string Key;
    std::string Range;
    CHostFault Fault;
    long Status;
    std::string Redirect;
    std::string LimitRate;
    std::string RateAfter;
  } cases[] = {
      {"whole", ENCODED_KEY, "", CHostFault::Delay(0), 200, "/parts/product7/demo%20x.bin.001", "", ""},
      {"a range is nginx's", ENCODED_KEY, "bytes=1000-", CHostFault::Delay(0), 200, "/parts/product7/demo%20x.bin.001",
       "", ""},
      {"throttled", ENCODED_KEY, "", CHostFault::Throttle(5000), 200, "/parts/product7/demo%20x.bin.001", "5000", ""},
      {"stalled", ENCODED_KEY, "", CHostFault::Stall(7000), 200, "/parts/product7/demo%20x.bin.001", "1", "7000"},
      {"a wrong key", "wrong", "", CHostFault::Delay(0), 404, "", "", ""},
  };
  for (const auto& c : cases) {
    CHostServer::COptions options;
    options.AccelRedirect = QStringLiteral("/parts/");
    CLoopbackHost host(options);
    CHostPublishOptions publish = DemoOptions(300000);
    publish.FileName = QStringLiteral("demo x.bin");
    const CHostPublished published = host.Publish(product, publish);
    ASSERT_EQ(published.Files.size(), 2u) << host.GetLastError().toStdString();
    host.AddFault(HOST_ANY_BODY, "", 1, c.Fault);
    const std::string query = std::string("NO=") + PURCHASE_NO + "&KEY=" + c.Key + "&REQID=demo x.bin.001";
    const std::vector<std::string> headers = c.Range.empty() ? std::vector<std::string>{} : std::vector{"Range: " + c.Range};
    const CHostFetch fetched = FetchFromHost(HostUrl(host, BODY_PATH), &query, 20000, headers);
    EXPECT_EQ(fetched.Status, c.Status) << c.Name;
    EXPECT_EQ(fetched.Header("x-accel-redirect"), c.Redirect) << c.Name;
    EXPECT_EQ(fetched.Header("x-accel-limit-rate"), c.LimitRate) << c.Name;
    EXPECT_EQ(fetched.Header("x-parcel2-rate-after"), c.RateAfter) << c.Name;
    EXPECT_FALSE(fetched.HasHeader("content-range")) << c.Name;
    EXPECT_EQ(fetched.Body, c.Status == 200 ? QByteArray() : QByteArray("Not Found\n")) << c.Name;
  }
  // The list is the host's own, as ever.
  CHostServer::COptions options;
  options.AccelRedirect = QStringLiteral("/parts/");
  CLoopbackHost host(options);
  // Its listening socket takes a burst of connections; no other port is touched.
  EXPECT_TRUE(WidenListenBacklog(host.GetPort()));
  EXPECT_FALSE(WidenListenBacklog(host.GetPort() == 1 ? 2 : 1));
  const CHostPublished published = host.Publish(product, DemoOptions(300000));
  const CHostFetch list = PostToHost(HostUrl(host, LIST_PATH), PurchaseQuery());
  EXPECT_EQ(list.Body, published.ListBytes);
  EXPECT_FALSE(list.HasHeader("x-accel-redirect"));
}

}  // namespace
