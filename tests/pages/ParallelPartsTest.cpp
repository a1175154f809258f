#include "support/DownloadPagesFixture.h"

#include "res/RequestAddresses.h"

#include <chrono>

namespace {

using namespace std::chrono_literals;

class ParallelParts : public DownloadPages {
protected:
  std::string PartName(int part) const { return Published.Files[part].FileName.toStdString(); }
  // The first body of each part given is held open until released.
  void HoldFirstBodies(std::initializer_list<int> parts) {
    for (const int part : parts) Host.AddFault(HOST_ANY_BODY, PartName(part), 1, CHostFault::Stall(1000));
  }
};

// Four connections over three parts: the host holds parts 1 and 2 open at
// once while part 3 arrives and is verified first; part 1 then comes
// spoilt and is fetched again in the next pass. The progress counts the
// bytes of every running part. The product's digest and
// assembly still follow the parts in order: the join is a rename and
// nothing is read again. Each part's lines name it.
TEST_F(ParallelParts, PartsArriveAtOnceOutOfOrderAndASpoiltOneComesAgain) {
  App->Connections = 4;
  HoldFirstBodies({1, 2});
  Host.AddFault(HOST_ANY_BODY, PartName(1), 1, CHostFault::CorruptByte());
  LoadPublishedList();
  OpenFrame();
  CountSteps();
  ASSERT_TRUE(Frame->EnterState(ST_DOWNLOADING));
  ASSERT_TRUE(Host.WaitForStalled(2, 10s));
  EXPECT_GE(Host.PeakOpenBodies(), 2);
  ASSERT_TRUE(WaitUntil([&] { return Marks() == std::vector<int>({0, 0, 1}); })) << "part 3 goes past the held ones";
  const std::int64_t held = Published.Files[3].Size + 2 * 1000;
  EXPECT_TRUE(WaitUntil([&] { return Frame->Page03.MeasureProgress().Done == held; }))
      << "the progress counts what every held part received";
  Host.ReleaseStalls();

  ASSERT_TRUE(WaitForState(ST_DOWNLOAD_COMPLETE));
  EXPECT_EQ(CTempFolder::Read(ProductPath()), Product);
  EXPECT_EQ(CountLines("TRACE  Identical digest:demo.bin"), 1);
  EXPECT_EQ(Steps[CParcel2Dlg10::PHASE_PARTS].load() + Steps[CParcel2Dlg10::PHASE_JOIN].load() +
                Steps[CParcel2Dlg10::PHASE_PRODUCT].load(),
            0);
  EXPECT_EQ(BodyRequests(1), 2) << "the spoilt part once more";
  EXPECT_EQ(BodyRequests(2), 1);
  EXPECT_EQ(BodyRequests(3), 1);
  EXPECT_EQ(CountLines("WARNG  DownloadExecuter Retry #1"), 1);
  EXPECT_EQ(CountLines("INFOM  DownloadExecuter Connections=4"), 1);
  for (int part = 1; part <= 3; ++part)
    EXPECT_EQ(CountLines(QStringLiteral("Part %1:URL Downloaded:").arg(part)), BodyRequests(part)) << part;
}

// Parts 2 and 3 arrive while part 1 is held, and part 2 is changed on the
// disk after its check: the product's digest is not carried over it, so the
// bytes that no longer match never count for the product; part 2 alone is
// fetched again and the product comes out right.
TEST_F(ParallelParts, APartChangedBeforeTheProductReachesItIsNotCarriedOn) {
  App->Connections = 4;
  HoldFirstBodies({1});
  LoadPublishedList();
  OpenFrame();
  ASSERT_TRUE(Frame->EnterState(ST_DOWNLOADING));
  ASSERT_TRUE(Host.WaitForStalled(1, 10s));
  ASSERT_TRUE(WaitUntil([&] { return Marks() == std::vector<int>({0, 1, 1}); }));
  QByteArray spoilt = PartBytes(2);
  spoilt[1000] = static_cast<char>(spoilt[1000] ^ 1);
  WritePart(2, spoilt);
  Host.ReleaseStalls();

  ASSERT_TRUE(WaitForState(ST_DOWNLOAD_COMPLETE));
  EXPECT_EQ(CTempFolder::Read(ProductPath()), Product);
  EXPECT_EQ(BodyRequests(1), 1);
  EXPECT_EQ(BodyRequests(2), 2) << "the changed part once more";
  EXPECT_EQ(BodyRequests(3), 1);
}

// A host that sends one body at a time and answers 503 (or 429) beside it:
// the extra lanes give up their parts and end, the last one fetches them all.
TEST_F(ParallelParts, AHostThatAllowsOneBodyGetsOneLane) {
  App->Connections = 4;
  for (const int status : {503, 429}) {
    SCOPED_TRACE(status);
    Host.SetBusyAbove(1, status);
    Host.ClearFaults();
    HoldFirstBodies({1, 2, 3});  // whichever body is sent first is held
    App->DownloadList.RemoveAllEntries();
    LoadPublishedList();
    OpenFrame();
    ASSERT_TRUE(Frame->EnterState(ST_DOWNLOADING));
    ASSERT_TRUE(Host.WaitForStalled(1, 10s));
    ASSERT_TRUE(WaitUntil([&] { return Frame->Page03.Executer.GetLaneCount() == 1; }));
    Host.ReleaseStalls();

    ASSERT_TRUE(WaitForState(ST_DOWNLOAD_COMPLETE));
    EXPECT_EQ(CTempFolder::Read(ProductPath()), Product);
    EXPECT_EQ(Host.PeakOpenBodies(), 1);
    EXPECT_EQ(CountLines("Host busy:Connections=1"), status == 503 ? 1 : 2);
    EXPECT_EQ(CountLines("DownloadExecuter Retry #"), 0) << "a busy answer uses up no pass";
    ASSERT_TRUE(CleanUpEnded());
    ASSERT_TRUE(QFile::remove(ProductPath()));
  }
}

// Cancel while three parts are held: every lane's request ends at once,
// nothing is marked and the wizard ends.
TEST_F(ParallelParts, CancelEndsEveryLane) {
  App->Connections = 4;
  HoldFirstBodies({1, 2, 3});
  LoadPublishedList();
  OpenFrame();
  ASSERT_TRUE(Frame->EnterState(ST_DOWNLOADING));
  ASSERT_TRUE(Host.WaitForStalled(3, 10s));
  Responder.SetAnswer(IDYES);
  ASSERT_TRUE(Frame->Page03.ClickDlgItem(IDCANCEL));
  ASSERT_TRUE(WaitForEnd()) << "the held bodies would keep a lane for the watchdog's 30 s";
  EXPECT_EQ(CountLines("ERROR  Download Cancel"), 1);
  EXPECT_EQ(CountLines("TRACE  Canceled DownloadExecuter::Execute"), 1);
  EXPECT_EQ(Marks(), std::vector<int>({0, 0, 0}));
}

// A list and eight parts: one connection keeps one body open at a time;
// four (the program's default) fetch over at most five connections in all,
// the list's included.
TEST_F(ParallelParts, EightPartsGoOverNoMoreConnectionsThanLanes) {
  CHostPublishOptions options;
  options.SoftwareName = QStringLiteral("Eight");
  options.ProductNo = 8;
  options.FileName = QStringLiteral("eight.bin");
  options.PartSize = 100000;
  options.Purchases = {{"4321", "eight"}};
  const QByteArray product = MakeProductBytes(800000);
  const CHostPublished published = Host.Publish(product, options);
  ASSERT_EQ(published.Files.size(), 9u) << Host.GetLastError().toStdString();
  App->PurchaseNo = 4321;
  App->PurchaseKey = QStringLiteral("eight");
  for (const int connections : {1, 4}) {
    SCOPED_TRACE(connections);
    App->Connections = connections;
    const int connectionsBefore = Host.CountConnections();
    const QString listPath = Save.File(QStringLiteral("eight.lst"));
    ASSERT_GT(App->UrlDownload.DownloadToFile(RequestAddress(IDS_LIST_URL, Host.GetBaseUrl(), 4321, "eight"), listPath), 0);
    App->DownloadList.RemoveAllEntries();
    App->DownloadList.LoadListFile(listPath);
    ASSERT_EQ(App->DownloadList.GetDownloadEntryCount(), 9);
    App->DownloadList.SetTargetSaveDir(Save.File(QStringLiteral("eight")));
    ASSERT_TRUE(QDir().mkpath(App->DownloadList.DownloadTempDir));
    OpenFrame();
    ASSERT_TRUE(Frame->EnterState(ST_DOWNLOADING));
    ASSERT_TRUE(WaitForState(ST_DOWNLOAD_COMPLETE));
    EXPECT_EQ(CTempFolder::Read(App->DownloadList.TargetSaveDir + QStringLiteral("/eight.bin")), product);
    if (connections == 1) {
      EXPECT_EQ(Host.PeakOpenBodies(), 1);
    }
    EXPECT_LE(Host.CountConnections() - connectionsBefore, connections + 1);
    ASSERT_TRUE(CleanUpEnded());
    ASSERT_TRUE(QFile::remove(App->DownloadList.TargetSaveDir + QStringLiteral("/eight.bin")));
  }
}

}  // namespace
