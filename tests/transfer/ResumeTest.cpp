#include "transfer/DownloadExecuter.h"

#include "host/LoopbackHost.h"
#include "list/DownloadList.h"
#include "platform/MessageBox.h"
#include "res/RequestAddresses.h"
#include "support/MemoryLog.h"
#include "support/QtPrint.h"
#include "support/TempFolder.h"
#include "support/TestBytes.h"
#include "transfer/DigestPipeline.h"
#include "transfer/MD5Digest.h"
#include "transfer/PartSink.h"
#include "transfer/UrlDownload.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <vector>

namespace {

// A part that broke off is resumed: the transfer asks for the rest and
// appends it only when the host sends exactly that, the executer keeps what
// came across attempts and passes, and the bandwidth limit reaches every
// request. One part of PART_SIZE bytes, sold as purchase 1234.
constexpr int PART_SIZE = 500000;

class ResumeTest : public ::testing::Test {
protected:
  void Start(bool ranges) {
    CHostServer::COptions options;
    options.Ranges = ranges;
    Host.emplace(options);
    ASSERT_TRUE(Host->IsRunning());
    CHostPublishOptions publish;
    publish.SoftwareName = QStringLiteral("Demo");
    publish.ProductNo = 7;
    publish.FileName = QStringLiteral("demo.bin");
    publish.PartSize = PART_SIZE;
    publish.Purchases = {{"1234", "secret"}};
    Part = MakeProductBytes(PART_SIZE);
    const CHostPublished published = Host->Publish(Part, publish);
    ASSERT_EQ(published.Files.size(), 2u) << Host->GetLastError().toStdString();
    Transfer.SetAccess(CUrlDownload::ACCESS_DIRECT, QString());
    ASSERT_EQ(Transfer.init(), 1);
    List.RemoveAllEntries();
    List.LoadListFile(Temp.Write(QStringLiteral("list.lst"), published.ListBytes));
    List.SetTargetSaveDir(Temp.File(QStringLiteral("save")));
    ASSERT_TRUE(QDir().mkpath(List.DownloadTempDir));
    Executer.Transfer = &Transfer;
    Executer.List = Executer.Checker.List = &List;
    Executer.SetPurchase(Host->GetBaseUrl(), 1234, QStringLiteral("secret"), 0);
    Log.Clear();
  }

  QString PartPath() const { return List.GetTempFilePath(List.GetDownloadEntry(1)); }
  QString PartUrl() const { return Executer.MakeBodyUrl(*List.GetDownloadEntry(1)); }
  void Keep(const QByteArray& bytes) const { Temp.Write(QDir(Temp.Path()).relativeFilePath(PartPath()), bytes); }
  std::vector<CHostRequest> Requests() const { return Host->GetRequests(); }
  std::int64_t BytesSent() const {
    std::int64_t total = 0;
    for (const CHostRequest& request : Requests()) total += request.BytesSent;
    return total;
  }

  std::optional<CLoopbackHost> Host;
  CTempFolder Temp;
  CMemoryLog Log;
  CUrlDownload Transfer{Log};
  CDownloadList List{Log};
  CDownloadExecuter Executer{Log};
  CMessageBoxResponder Boxes;
  QByteArray Part;
};

// The rest is appended only when the host sends exactly the rest; any
// other answer starts the file afresh with the whole part. Either way the
// digest covers every byte the file holds, the kept ones read once.
TEST_F(ResumeTest, TheTransferAppendsOnlyTheRestItAskedFor) {
  const struct {
    const char* Name;
    bool Ranges;
    bool WrongRange;
    int Keep;
    std::int64_t WholeSize;
    std::vector<int> Statuses;
  } cases[] = {
      {"the rest comes", true, false, 200000, PART_SIZE, {206}},
      {"a host without ranges sends it whole", false, false, 200000, PART_SIZE, {200}},
      {"a wrong Content-Range", true, true, 200000, PART_SIZE, {206, 200}},
      // The start is right, but the end and the whole are another part's.
      {"the rest of another size", true, false, 200000, PART_SIZE + 1, {206, 200}},
      {"a range past the end", true, false, PART_SIZE, PART_SIZE + 1, {416, 200}},
  };
  for (const auto& c : cases) {
    Start(c.Ranges);
    if (c.WrongRange) Host->AddFault(HOST_ANY_BODY, "", 1, CHostFault::BadRange());
    Keep(Part.left(c.Keep));
    CDigestPipeline digest;
    CBodyRules rules;
    rules.ResumeFrom = c.Keep;
    rules.WholeSize = c.WholeSize;
    CPartSink sink(PartPath(), digest, std::nullopt, nullptr);
    EXPECT_EQ(Transfer.DownloadToSink(PartUrl(), sink, rules), PART_SIZE) << c.Name;
    digest.Drain();
    EXPECT_TRUE(CTempFolder::Read(PartPath()) == Part) << c.Name;
    EXPECT_EQ(digest.GetPart().Final(), CMD5Digest::Of(Part)) << c.Name;
    const std::vector<CHostRequest> requests = Requests();
    ASSERT_EQ(requests.size(), c.Statuses.size()) << c.Name;
    for (std::size_t i = 0; i < requests.size(); ++i) {
      EXPECT_EQ(requests[i].Status, c.Statuses[i]) << c.Name;
      EXPECT_EQ(requests[i].GetHeader("Range"), i == 0 ? "bytes=" + std::to_string(c.Keep) + "-" : "") << c.Name;
    }
    EXPECT_EQ(Log.Has("WARNG Range refused:Whole file follows:" + PartPath()), c.Statuses.size() == 2) << c.Name;
    EXPECT_EQ(Transfer.GetReceivedSize(), PART_SIZE) << c.Name;
  }
}

// A host that drops every connection delivers the part anyway, each
// attempt taking up where the last broke off, without using up a pass. A
// kept beginning that was wrong shows in the check, and the part is then
// fetched whole once more; a file longer than the part is fetched whole.
TEST_F(ResumeTest, TheExecuterKeepsWhatCameAcrossAttempts) {
  Start(true);
  Host->AddFault(HOST_ANY_BODY, "", -1, CHostFault::Drop(100000));
  const std::int64_t receivedBefore = Transfer.GetTotalReceived();
  EXPECT_EQ(Executer.Execute(), 1);
  EXPECT_TRUE(CTempFolder::Read(PartPath()) == Part);
  EXPECT_EQ(Requests().size(), 5u);
  EXPECT_EQ(BytesSent(), PART_SIZE) << "nothing sent twice";
  EXPECT_EQ(Transfer.GetTotalReceived() - receivedBefore, PART_SIZE);
  EXPECT_EQ(Log.CountStarting("WARNG DownloadExecuter Resume:"), 4);
  EXPECT_EQ(Log.CountStarting("WARNG DownloadExecuter Retry #"), 0);

  const struct {
    const char* Name;
    QByteArray Kept;
    std::vector<std::string> Ranges;
  } cases[] = {
      {"a wrong beginning", QByteArray(200000, 'x'), {"bytes=200000-", ""}},
      {"longer than the part", Part + "more", {""}},
  };
  for (const auto& c : cases) {
    Start(true);
    Keep(c.Kept);
    EXPECT_EQ(Executer.Execute(), 1) << c.Name;
    EXPECT_TRUE(CTempFolder::Read(PartPath()) == Part) << c.Name;
    std::vector<std::string> ranges;
    for (const CHostRequest& request : Requests()) ranges.push_back(request.GetHeader("Range"));
    EXPECT_EQ(ranges, c.Ranges) << c.Name;
    EXPECT_EQ(Log.Has("WARNG Resumed part failed its check, fetched whole:" + PartPath()), c.Ranges.size() == 2)
        << c.Name;
  }
}

// The cancel question is open (the page pauses) while a part breaks off:
// the next attempt waits until the pause is lifted; a cancel ends the part.
TEST_F(ResumeTest, TheResumeWaitsWhilePaused) {
  for (const bool cancel : {false, true}) {
    Start(true);
    Host->AddFault(HOST_ANY_BODY, "", 1, CHostFault::Drop(100000));
    // The pacer's clock is read as the first body arrives: the page pauses then.
    Transfer.SetMaxReceiveRate(std::int64_t{1} << 40);
    Transfer.SetPacerTime([&] { Executer.PauseFlag = 1; return std::chrono::steady_clock::time_point(); },
                          [](std::chrono::steady_clock::duration) {});
    int sleeps = 0;
    Executer.SetSleeper([&](int) {
      EXPECT_EQ(Requests().size(), 1u) << "no request while paused";
      if (++sleeps < 2) return;
      Transfer.SetPacerTime([] { return std::chrono::steady_clock::time_point(); }, [](std::chrono::steady_clock::duration) {});
      Executer.PauseFlag = 0;
      Executer.CancelFlag = cancel ? 1 : 0;
    });
    EXPECT_EQ(Executer.Execute(), cancel ? 0 : 1);
    EXPECT_EQ(sleeps, 2);
    EXPECT_EQ(Requests().size(), cancel ? 1u : 2u);
  }
}

// The limit holds over every request, not only within one: two bodies
// fetched one after the other take the rate's time together, less the
// burst the pacer lets go ahead. A request cancelled while the pacer holds
// it back ends at once. The executer's estimate never promises more than
// the limit allows. The pacer's waits are counted on a clock of the test's
// own, which only they move.
TEST_F(ResumeTest, TheBandwidthLimitReachesEveryRequestAndTheEstimate) {
  Start(true);
  std::chrono::steady_clock::time_point paced{};
  Transfer.SetPacerTime([&] { return paced; }, [&](std::chrono::steady_clock::duration span) { paced += span; });
  Transfer.SetMaxReceiveRate(1024 * 1024);
  for (int request = 0; request < 2; ++request) {
    QFile::remove(PartPath());
    EXPECT_EQ(Transfer.DownloadToFile(PartUrl(), PartPath()), PART_SIZE);
  }
  const double seconds = std::chrono::duration<double>(paced.time_since_epoch()).count();
  EXPECT_NEAR(seconds, (2.0 * PART_SIZE - 262144) / (1024 * 1024), 0.01) << "1000000 bytes at 1 MiB/s, 256 KiB at once";

  QFile::remove(PartPath());
  int waits = 0;
  Transfer.SetPacerTime([&] { return paced; }, [&](std::chrono::steady_clock::duration span) {
    paced += span;
    if (++waits == 2) Transfer.AbortRequests();
  });
  EXPECT_NE(Transfer.DownloadToFile(PartUrl(), PartPath()), PART_SIZE);
  EXPECT_EQ(waits, 2) << "the cancel ends the wait at the next step";
  Transfer.AllowRequests();
  Transfer.SetMaxReceiveRate(0);

  QFile::remove(PartPath());
  std::vector<std::uint32_t> seen;
  std::int64_t clock = 0;
  Executer.SetClock([&] {
    seen.push_back(Executer.RemainingSeconds.load());
    return clock++;
  });
  Executer.SetRateLimit(PART_SIZE / 4);
  EXPECT_EQ(Executer.Execute(), 1);
  EXPECT_EQ(seen, std::vector<std::uint32_t>({4, 4})) << "from the start, before any part has ended";
  EXPECT_EQ(Executer.RemainingSeconds.load(), 0u);
}

}  // namespace
