#include "transfer/DownloadExecuter.h"

#include "host/LoopbackHost.h"
#include "list/DownloadList.h"
#include "support/TestBytes.h"
#include "support/MemoryLog.h"
#include "support/QtPrint.h"
#include "support/ListLines.h"
#include "support/TempFolder.h"
#include "transfer/FileJoint.h"
#include "transfer/UrlDownload.h"
#include "platform/MessageBox.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

class DownloadExecuterTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(Host.IsRunning());
    Transfer.SetAccess(CUrlDownload::ACCESS_DIRECT, QString());
    ASSERT_EQ(Transfer.init(), 1);
    ASSERT_TRUE(QDir().mkpath(SaveFolder()));
  }

  // Publishes a product of partCount parts of partSize bytes and loads its
  // list the way the wizard has it after choosing the save folder.
  void Prepare(int partCount, int partSize, const QByteArray& listOverride = QByteArray()) {
    CHostPublishOptions options;
    options.SoftwareName = QStringLiteral("Demo");
    options.ProductNo = 7;
    options.FileName = QStringLiteral("demo.bin");
    options.PartSize = partSize;
    options.Purchases = {{"1234", "secret key"}};
    Product = MakeProductBytes(partCount * partSize);
    Published = Host.Publish(Product, options);
    ASSERT_FALSE(Published.ProductId.isEmpty()) << Host.GetLastError().toStdString();
    ASSERT_EQ(static_cast<int>(Published.Files.size()), partCount + 1);
    const QString listPath =
        Temp.Write(QStringLiteral("list.lst"), listOverride.isEmpty() ? Published.ListBytes : listOverride);
    List.RemoveAllEntries();
    List.LoadListFile(listPath);
    ASSERT_EQ(List.GetDownloadEntryCount(), partCount + 1);
    List.SetTargetSaveDir(SaveFolder());
    Executer.Transfer = &Transfer;
    Executer.List = &List;
    Executer.Checker.List = &List;
    Executer.SetPurchase(Host.GetBaseUrl(), 1234, QStringLiteral("secret key"), 0);
    Executer.SetSleeper([](int) { FAIL() << "nothing pauses here"; });
    Log.Clear();
  }

  QString SaveFolder() const { return Temp.File(QStringLiteral("save")); }
  std::string PartName(int part) const { return Published.Files[part].FileName.toStdString(); }
  int BodyRequests(int part) const { return Host.CountRequests(HOST_ANY_BODY, PartName(part)); }
  std::vector<int> MarksOfParts() const {
    std::vector<int> marks;
    for (int i = 1; i < List.GetDownloadEntryCount(); ++i) marks.push_back(List.GetDownloadEntry(i)->IsDownloaded.load());
    return marks;
  }

  CLoopbackHost Host;
  CTempFolder Temp;
  CMemoryLog Log;
  CUrlDownload Transfer{Log};
  CDownloadList List{Log};
  CDownloadExecuter Executer{Log};
  QByteArray Product;
  CHostPublished Published;
};

TEST_F(DownloadExecuterTest, FetchesEveryPartOnceWithItsBodyRequest) {
  struct CCase {
    int TestMode;
    int Endpoint;
    std::string Tail;
  };
  const CCase cases[] = {{0, HOST_BODY_U8, ""}, {1, HOST_BODY_U8, ""}, {2, HOST_BODY_TEST, "&TESFLG=TEST"}};
  Prepare(3, 100000);
  for (const CCase& c : cases) {
    for (int i = 1; i <= 3; ++i) List.GetDownloadEntry(i)->IsDownloaded = 0;
    Host.ClearRequests();
    Executer.SetPurchase(Host.GetBaseUrl(), 1234, QStringLiteral("secret key"), c.TestMode);
    EXPECT_EQ(Executer.Execute(), 1) << c.TestMode;
    EXPECT_EQ(MarksOfParts(), (std::vector<int>{1, 1, 1})) << c.TestMode;
    EXPECT_EQ(List.IsAllDownloaded.load(), 1);
    EXPECT_EQ(Executer.RemainingSeconds.load(), 0u);
    const std::vector<CHostRequest> seen = Host.GetRequests();
    ASSERT_EQ(seen.size(), 3u) << c.TestMode;
    for (int i = 1; i <= 3; ++i) {
      const CHostRequest& request = seen[static_cast<std::size_t>(i - 1)];
      EXPECT_EQ(request.Endpoint, c.Endpoint) << c.TestMode;
      EXPECT_EQ(request.Method, "POST");
      EXPECT_EQ(request.Body, "NO=1234&KEY=secret%20key&REQID=" + PartName(i) + c.Tail);
      const QString file = SaveFolder() + "/DownloadTemp/DownloadFile_" + Published.Files[i].Digest + ".TMP";
      EXPECT_TRUE(CTempFolder::Read(file) == Product.mid((i - 1) * 100000, 100000)) << i;
    }
  }
  EXPECT_TRUE(Log.Has("TRACE Finished DownloadExecuter::Execute:Rc=1"));
}

TEST_F(DownloadExecuterTest, NothingLeftToDoReturnsAtOnce) {
  Prepare(3, 1000);
  struct CCase {
    const char* Name;
    QByteArray List;
  };
  const QByteArray productOnly = Published.ListBytes.left(Published.ListBytes.indexOf("DL,1,"));
  for (int marked : {0, 1}) {
    CDownloadList list(Log);
    list.LoadListFile(Temp.Write(QStringLiteral("only.lst"), marked ? Published.ListBytes : productOnly));
    list.SetTargetSaveDir(SaveFolder());
    for (int i = 1; i < list.GetDownloadEntryCount(); ++i) list.GetDownloadEntry(i)->IsDownloaded = 1;
    Executer.List = &list;
    Executer.Checker.List = &list;
    Log.Clear();
    EXPECT_EQ(Executer.Execute(), 1) << marked;
    EXPECT_EQ(list.IsAllDownloaded.load(), 1) << marked;
    EXPECT_EQ(Log.GetLines(), (QStringList{"TRACE Start DownloadExecuter::Execute",
                                           "TRACE Finished DownloadExecuter::Execute:Rc=1:Already downloaded"}));
    EXPECT_FALSE(QFileInfo::exists(SaveFolder() + "/DownloadTemp")) << marked;
  }
  EXPECT_EQ(Host.CountRequests(HOST_ANY), 0);
}

TEST_F(DownloadExecuterTest, MarkedPartsAreSkipped) {
  Prepare(3, 1000);
  List.GetDownloadEntry(2)->IsDownloaded = 1;
  EXPECT_EQ(Executer.Execute(), 1);
  EXPECT_EQ(BodyRequests(1), 1);
  EXPECT_EQ(BodyRequests(2), 0);
  EXPECT_EQ(BodyRequests(3), 1);
}

TEST_F(DownloadExecuterTest, FailedPartsGetThreePasses) {
  struct CCase {
    const char* Name;
    CHostFault Fault;
    int Count;  // requests of part 2 that misbehave
    int Result;
    std::vector<int> Requests;  // of parts 1, 2, 3
    std::vector<int> Marks;
    int Retries;
  };
  const CCase cases[] = {
      // A wrong length that adds nothing ends the pass: the parts after it
      // wait for the next one.
      {"one byte long, thrice", CHostFault::LongBody(), 3, 0, {1, 3, 0}, {1, 0, 0}, 2},
      // A short body keeps what came and the rest is asked for at once; an
      // empty rest ends the pass.
      {"one byte short, once", CHostFault::ShortBody(), 1, 1, {1, 2, 1}, {1, 1, 1}, 0},
      {"one byte short, thrice", CHostFault::ShortBody(), 3, 1, {1, 4, 1}, {1, 1, 1}, 2},
      // A wrong digest only fails the part: the pass goes on.
      {"wrong digest, thrice", CHostFault::CorruptByte(), 3, 0, {1, 3, 1}, {1, 0, 1}, 2},
      {"wrong digest, twice", CHostFault::CorruptByte(), 2, 1, {1, 3, 1}, {1, 1, 1}, 2},
      {"not found, thrice", CHostFault::Status(404), 3, 0, {1, 3, 0}, {1, 0, 0}, 2},
  };
  Prepare(3, 1000);
  for (const CCase& c : cases) {
    for (int i = 1; i <= 3; ++i) List.GetDownloadEntry(i)->IsDownloaded = 0;
    Host.ClearRequests();
    Host.ClearFaults();
    Log.Clear();
    // The transfer retries an error status itself: each of its calls asks twice.
    const int perCall = c.Fault.Kind == EHostFaultKind::STATUS ? 2 : 1;
    Host.AddFault(HOST_ANY_BODY, PartName(2), c.Count * perCall, c.Fault);
    EXPECT_EQ(Executer.Execute(), c.Result) << c.Name;
    EXPECT_EQ((std::vector<int>{BodyRequests(1), BodyRequests(2) / perCall, BodyRequests(3)}), c.Requests) << c.Name;
    EXPECT_EQ(MarksOfParts(), c.Marks) << c.Name;
    EXPECT_EQ(List.IsAllDownloaded.load(), c.Result) << c.Name;
    EXPECT_EQ(Log.CountStarting("WARNG DownloadExecuter Retry #"), c.Retries) << c.Name;
    EXPECT_TRUE(Log.Has(QStringLiteral("TRACE Finished DownloadExecuter::Execute:Rc=%1").arg(c.Result))) << c.Name;
  }
}

TEST_F(DownloadExecuterTest, APartWhoseDigestNamesNoFileIsNeverRequested) {
  Prepare(3, 1000);
  QByteArray list = Published.ListBytes;
  list.replace(Published.Files[2].Digest.toLatin1(), "../../../escaped");
  CDownloadList badList(Log);
  badList.LoadListFile(Temp.Write(QStringLiteral("bad.lst"), list));
  badList.SetTargetSaveDir(SaveFolder());
  Executer.List = &badList;
  Executer.Checker.List = &badList;
  EXPECT_EQ(Executer.Execute(), 0);
  EXPECT_EQ(BodyRequests(1), 1);
  EXPECT_EQ(BodyRequests(2), 0);
  EXPECT_EQ(BodyRequests(3), 1);
  EXPECT_EQ(Log.Count("FATAL Invalid digest-length:../../../escaped"), 3);
  EXPECT_FALSE(QFileInfo::exists(Temp.File("escaped")));
}

TEST_F(DownloadExecuterTest, CancelIsSeenWhenThePartUnderWayHasEnded) {
  for (int parts : {3, 1}) {
    Prepare(parts, 1000);
    Host.ClearRequests();
    Host.ClearFaults();
    const std::string last = PartName(parts);
    Host.AddFault(HOST_ANY_BODY, PartName(1), 1, CHostFault::Stall(500));
    int result = -1;
    std::thread worker([&] { result = Executer.Execute(); });
    ASSERT_TRUE(Host.WaitForStalled(1, 20s));
    Executer.CancelFlag = 1;
    Host.ReleaseStalls();
    worker.join();
    // The part under way ends normally; with parts left the call ends before
    // the next one, with none left the pass simply ends.
    EXPECT_EQ(List.GetDownloadEntry(1)->IsDownloaded.load(), 1) << parts;
    EXPECT_EQ(result, parts == 1 ? 1 : 0) << parts;
    EXPECT_EQ(Log.Has("TRACE Canceled DownloadExecuter::Execute"), parts != 1) << parts;
    EXPECT_EQ(Host.CountRequests(HOST_ANY_BODY), 1) << parts;
    Host.ReleaseStalls();
  }
}

// Four connections allowed and one part to fetch under a bandwidth limit:
// the one lane running has the whole limit, not a quarter of it, and the
// transfer keeps the limit after the run.
TEST_F(DownloadExecuterTest, APartFetchedAloneHasTheWholeLimit) {
  Prepare(1, 1000);
  const std::int64_t limit = std::int64_t{1} << 30;
  Transfer.SetMaxReceiveRate(limit);
  Executer.SetRateLimit(limit);
  Executer.SetConnections(4);
  Host.AddFault(HOST_ANY_BODY, PartName(1), 1, CHostFault::Stall(500));
  int result = -1;
  std::thread worker([&] { result = Executer.Execute(); });
  ASSERT_TRUE(Host.WaitForStalled(1, 20s));
  EXPECT_EQ(Transfer.GetMaxReceiveRate(), limit);
  Host.ReleaseStalls();
  worker.join();
  EXPECT_EQ(result, 1);
  EXPECT_EQ(Transfer.GetMaxReceiveRate(), limit);
  Transfer.SetMaxReceiveRate(0);
}

TEST_F(DownloadExecuterTest, PauseWaitsBetweenPartsUntilLiftedOrCancelled) {
  for (bool cancel : {false, true}) {
    Prepare(3, 1000);
    for (int i = 1; i <= 3; ++i) List.GetDownloadEntry(i)->IsDownloaded = 0;
    Host.ClearRequests();
    int clockCalls = 0;
    Executer.SetClock([&] {
      // After the first part the page pauses.
      if (++clockCalls == 2) Executer.PauseFlag = 1;
      return static_cast<std::int64_t>(clockCalls);
    });
    int sleeps = 0;
    Executer.SetSleeper([&](int milliseconds) {
      EXPECT_EQ(milliseconds, 200);
      EXPECT_EQ(Host.CountRequests(HOST_ANY_BODY), 1) << "nothing is fetched while paused";
      if (++sleeps == 3) {
        if (cancel) Executer.CancelFlag = 1;
        else Executer.PauseFlag = 0;
      }
    });
    EXPECT_EQ(Executer.Execute(), cancel ? 0 : 1);
    EXPECT_EQ(sleeps, 3);
    EXPECT_EQ(Host.CountRequests(HOST_ANY_BODY), cancel ? 1 : 3);
  }
}

TEST_F(DownloadExecuterTest, TheEstimateIsThePartsLeftTimesTheMeanDuration) {
  Prepare(5, 100);
  List.GetDownloadEntry(3)->IsDownloaded = 1;
  std::vector<std::uint32_t> seen;
  std::int64_t now = 1000;
  Executer.SetClock([&] {
    seen.push_back(Executer.RemainingSeconds.load());
    return now += 7;  // every part takes seven seconds
  });
  EXPECT_EQ(Executer.Execute(), 1);
  seen.push_back(Executer.RemainingSeconds.load());
  // The estimate as each part begins, then at the end: parts 1, 2, 4 and 5
  // are fetched, part 3 was marked before.
  EXPECT_EQ(seen, (std::vector<std::uint32_t>{0, 0, 7 * 3, 7 * 2, 7 * 1, 0}));
}

TEST_F(DownloadExecuterTest, TheEstimateAveragesTheLastTwentyParts) {
  Prepare(22, 10);
  std::vector<std::uint32_t> seen;
  std::int64_t now = 0;
  int part = 0;
  Executer.SetClock([&] {
    seen.push_back(Executer.RemainingSeconds.load());
    return now += part++;  // part k takes k seconds
  });
  EXPECT_EQ(Executer.Execute(), 1);
  // seen[k] is the estimate after part k-1. After 20 parts: samples 1 to
  // 20 (mean 10.5) for two parts left; after 21: samples 2 to 21 (mean
  // 11.5) for one part left.
  ASSERT_EQ(seen.size(), 23u);
  EXPECT_EQ(seen[21], 21u);
  EXPECT_EQ(seen[22], 11u);
}

// The list comes from the network and the save folder is the customer's: a
// link planted at the working folder, at a part or at the product never
// carries a write elsewhere, and a host that sends more than a part's size
// fills no disk.
TEST_F(DownloadExecuterTest, NothingIsWrittenThroughALinkOrPastAPartsSize) {
  CMessageBoxResponder boxes;
  Prepare(3, 1000);
  const QString victim = Temp.Write(QStringLiteral("victim"), "precious");
  const QString victimFolder = Temp.File(QStringLiteral("victim-folder"));
  ASSERT_TRUE(QDir().mkpath(victimFolder));
  const QString workFolder = List.DownloadTempDir;

  ASSERT_TRUE(QFile::link(victimFolder, workFolder));
  EXPECT_EQ(Executer.Execute(), 0);
  EXPECT_TRUE(QDir(victimFolder).isEmpty()) << "the linked working folder got a part";
  ASSERT_TRUE(QFile::remove(workFolder));

  ASSERT_TRUE(QDir().mkpath(workFolder));
  const QString firstPart = List.GetTempFilePath(List.GetDownloadEntry(1));
  ASSERT_TRUE(QFile::link(victim, firstPart));
  EXPECT_EQ(Executer.Execute(), 0);
  EXPECT_EQ(MarksOfParts(), (std::vector<int>{0, 0, 0})) << "a pass stops at a part that fails";
  EXPECT_EQ(CTempFolder::Read(victim), "precious");
  EXPECT_GE(Log.CountStarting("ERROR Download Read&Write CFileException:"), 1);
  ASSERT_TRUE(QFile::remove(firstPart));

  List.GetDownloadEntry(1)->Size = 100;  // the host sends 1000
  EXPECT_EQ(Executer.Execute(), 0);
  EXPECT_EQ(QFileInfo(firstPart).size(), 101);
  EXPECT_EQ(MarksOfParts(), (std::vector<int>{0, 0, 0})) << "a pass stops at a part that fails";

  ASSERT_TRUE(QFile::link(victim, List.GetOutputFilePath()));
  CFileJoint joint(Log);
  int reported = 0;
  joint.SetWriteFailureReport([&reported](const QString&) { ++reported; });
  EXPECT_EQ(joint.Join(List), 0u);
  EXPECT_EQ(CTempFolder::Read(victim), "precious");
  EXPECT_EQ(reported, 1) << "the join's write failure is reported";
}

}  // namespace

namespace {

// The time left at the bandwidth limit counts every byte of parts past
// 2 GiB and 4 GiB: it is known before any part ends, here from a transfer
// that fetches nothing.
TEST(DownloadExecuterSizes, TheTimeAtTheLimitCountsPartsPast32Bits) {
  CMemoryLog log;
  CTempFolder temp;
  const QString digest = QStringLiteral("0123456789abcdef0123456789abcdef");
  const struct {
    std::int64_t Part;
    std::int64_t Rate;
    std::uint32_t Seconds;
  } cases[] = {
      {(std::int64_t{1} << 31) + 1048576, 1048576, 2 * 2049},
      {(std::int64_t{1} << 32) + 1048576, 1048576, 2 * 4097},
      {std::int64_t{1} << 40, 1 << 30, 2 * 1024},
      {std::int64_t{1} << 61, 1, 4294967295u},  // held at the largest count
  };
  for (const auto& c : cases) {
    CDownloadList list(log);
    LoadListLines(list, {"DL,0,big.bin," + digest + "," + QString::number(2 * c.Part),
                         "DL,1,big.bin.001," + digest + "," + QString::number(c.Part),
                         "DL,2,big.bin.002,fedcba9876543210fedcba9876543210," + QString::number(c.Part)});
    list.SetTargetSaveDir(temp.File(QStringLiteral("save")));
    CDownload nothing;
    CDownloadExecuter executer(log);
    executer.List = executer.Checker.List = &list;
    executer.Transfer = &nothing;
    executer.SetRateLimit(c.Rate);
    EXPECT_EQ(executer.Execute(), 0) << c.Part;
    EXPECT_EQ(executer.RemainingSeconds.load(), c.Seconds) << c.Part;
  }
}

}  // namespace
