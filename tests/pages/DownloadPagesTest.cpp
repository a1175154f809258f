#include "support/DownloadPagesFixture.h"

#include "res/ResourceIds.h"
#include "transfer/PartReaders.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProgressBar>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>

namespace {

using namespace std::chrono_literals;

// The whole road from the check of what is on disk: nothing there, so the
// folder is confirmed, the parts are fetched, joined and checked, and the
// parts go once the product is right.
TEST_F(DownloadPages, DownloadsVerifiesAndRemovesTheParts) {
  LoadPublishedList();
  OpenFrame();
  ASSERT_TRUE(Frame->EnterState(ST_CHECK_EXISTING));
  ASSERT_TRUE(WaitForState(ST_CONFIRM_FOLDER)) << "nothing on disk: incomplete";

  Post(EV_NEXT);  // the folder is settled; message 2 skips itself
  ASSERT_TRUE(WaitForState(ST_DOWNLOAD_COMPLETE));
  EXPECT_EQ(CTempFolder::Read(ProductPath()), Product);
  for (int part = 1; part <= 3; ++part) EXPECT_EQ(BodyRequests(part), 1) << part;
  EXPECT_EQ(Marks(), std::vector<int>({1, 1, 1}));
  EXPECT_TRUE(WaitUntil([&] { return !QFileInfo::exists(App->DownloadList.DownloadTempDir); }))
      << "parts and working folder removed after the product passed";
  EXPECT_EQ(CountLines("TRACE  Finished download"), 1);
  EXPECT_EQ(CountLines("TRACE  Identical digest:demo.bin"), 1);
  EXPECT_EQ(CountLines("TRACE  disconnected!"), 1);
  EXPECT_TRUE(Responder.Asked().empty());
}

// A later run: the parts are on disk but the new list has no marks. All
// good: checked, joined, no request. One spoilt: only that one is fetched.
TEST_F(DownloadPages, ARestartChecksThePartsOnDiskAndFetchesOnlyTheBadOne) {
  LoadPublishedList();
  WriteAllParts();
  OpenFrame();
  ASSERT_TRUE(Frame->EnterState(ST_CHECK_EXISTING));
  ASSERT_TRUE(WaitForState(ST_DOWNLOAD_COMPLETE));
  EXPECT_EQ(CTempFolder::Read(ProductPath()), Product);
  EXPECT_EQ(Host.CountRequests(HOST_ANY), 0);

  ASSERT_TRUE(QFile::remove(ProductPath()));
  ASSERT_TRUE(WaitUntil([&] { return !QFileInfo::exists(App->DownloadList.DownloadTempDir); }));
  ASSERT_TRUE(QDir().mkpath(App->DownloadList.DownloadTempDir));
  for (int i = 1; i < 4; ++i) App->DownloadList.GetDownloadEntry(i)->IsDownloaded = 0;
  WriteAllParts();
  QByteArray spoilt = PartBytes(2);
  spoilt[1000] = static_cast<char>(spoilt[1000] ^ 1);
  WritePart(2, spoilt);

  WatchForDownloadPage();
  ASSERT_TRUE(Frame->EnterState(ST_VERIFY));
  ASSERT_TRUE(WaitForState(ST_DOWNLOAD_COMPLETE));
  EXPECT_TRUE(DownloadPageCame) << "one bad part: incomplete";
  EXPECT_EQ(CTempFolder::Read(ProductPath()), Product);
  EXPECT_EQ(BodyRequests(1), 0);
  EXPECT_EQ(BodyRequests(2), 1);
  EXPECT_EQ(BodyRequests(3), 0);
}

// A joined product that does not match its digest is deleted and every
// mark cleared: Try Again checks every part again. A product already in
// place and right is taken as it is, and the parts stay.
TEST_F(DownloadPages, AWrongProductIsDeletedAndARightOneIsKept) {
  LoadPublishedList(true);
  WriteAllParts();
  OpenFrame();
  ASSERT_TRUE(Frame->EnterState(ST_VERIFY));
  ASSERT_TRUE(WaitForState(ST_DOWNLOAD_ERROR));
  EXPECT_FALSE(QFileInfo::exists(ProductPath()));
  EXPECT_EQ(Marks(), std::vector<int>({0, 0, 0}));
  EXPECT_EQ(App->DownloadList.IsAllDownloaded.load(), 0);
  EXPECT_EQ(CountLines("TRACE  Differrent digest:demo.bin"), 1);
  const int partChecks = CountLines("Identical digest:" + PartPath(1));
  EXPECT_EQ(partChecks, 1);

  ASSERT_TRUE(Frame->PageErr.ClickDlgItem(IDOK));  // Try Again
  ASSERT_TRUE(WaitUntil([&] { return CountLines("TRACE  Differrent digest:demo.bin") == 2; }));
  ASSERT_TRUE(WaitForState(ST_DOWNLOAD_ERROR));
  EXPECT_EQ(CountLines("Identical digest:" + PartPath(1)), 2) << "checked again";
  EXPECT_EQ(Host.CountRequests(HOST_ANY), 0);

  App->DownloadList.RemoveAllEntries();
  LoadPublishedList();
  ASSERT_EQ(Save.Write(QStringLiteral("folder/demo.bin"), Product), ProductPath());
  ASSERT_TRUE(Frame->EnterState(ST_CHECK_EXISTING));
  ASSERT_TRUE(WaitForState(ST_DOWNLOAD_COMPLETE));
  EXPECT_EQ(CountLines("FATAL"), 0);
  for (int part = 1; part <= 3; ++part) EXPECT_EQ(CTempFolder::Read(PartPath(part)), PartBytes(part)) << part;
  EXPECT_EQ(CTempFolder::Read(ProductPath()), Product);
}

// After the download every part is trusted: nothing is read before the
// join, and the product's digest was computed as the parts arrived. A part
// changed on disk after its check (a byte flipped, its times put back or
// not) is read, caught before the join and fetched again.
TEST_F(DownloadPages, APartChangedAfterItsCheckIsCaughtBeforeTheJoin) {
  for (const bool timesPutBack : {false, true}) {
    SCOPED_TRACE(timesPutBack ? "times put back" : "times as the change left them");
    const int caughtBefore = CountLines("Differrent digest:");
    const int joinsBefore = CountLines("Finished file-joint");
    App->DownloadList.RemoveAllEntries();
    LoadPublishedList();
    Host.ClearRequests();
    DownloadAllParts();
    OpenFrame();
    CountSteps();
    ASSERT_TRUE(Frame->EnterState(ST_VERIFY));
    ASSERT_TRUE(WaitForState(ST_DOWNLOAD_COMPLETE));
    EXPECT_EQ(CTempFolder::Read(ProductPath()), Product);
    EXPECT_EQ(Steps[CParcel2Dlg10::PHASE_PARTS].load(), 0) << "nothing read again";
    EXPECT_EQ(Steps[CParcel2Dlg10::PHASE_JOIN].load(), 0) << "put together as the parts arrived";
    EXPECT_EQ(Steps[CParcel2Dlg10::PHASE_PRODUCT].load(), 0) << "the product is not read back";
    EXPECT_EQ(CountLines("TRACE  Finished file-joint:Out-File=" + ProductPath() + ":Leng=700000"), joinsBefore + 1);
    ASSERT_TRUE(CleanUpEnded());
    ASSERT_TRUE(QFile::remove(ProductPath()));

    ASSERT_TRUE(QDir().mkpath(App->DownloadList.DownloadTempDir));
    for (int i = 1; i < 4; ++i) App->DownloadList.GetDownloadEntry(i)->IsDownloaded = 0;
    Host.ClearRequests();
    DownloadAllParts();
    struct stat before {};
    ASSERT_EQ(::stat(QFile::encodeName(PartPath(2)).constData(), &before), 0);
    QByteArray spoilt = PartBytes(2);
    spoilt[1000] = static_cast<char>(spoilt[1000] ^ 1);
    WritePart(2, spoilt);
    if (timesPutBack) {
      const timespec times[2] = {before.st_atim, before.st_mtim};
      ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(PartPath(2)).constData(), times, 0), 0);
    }
    OpenFrame();
    CountSteps();
    WatchForDownloadPage();
    ASSERT_TRUE(Frame->EnterState(ST_VERIFY));
    ASSERT_TRUE(WaitForState(ST_DOWNLOAD_COMPLETE));
    EXPECT_TRUE(DownloadPageCame) << "the changed part: incomplete";
    EXPECT_EQ(StepsAtDownload[CParcel2Dlg10::PHASE_PARTS], 3) << "only part 2 is read, in 3 chunks";
    EXPECT_EQ(StepsAtDownload[CParcel2Dlg10::PHASE_JOIN], 0) << "no join";
    EXPECT_EQ(CTempFolder::Read(ProductPath()), Product);
    EXPECT_EQ(CountLines("Differrent digest:"), caughtBefore + 1);
    EXPECT_EQ(CountLines("Differrent digest:" + PartPath(2)), caughtBefore + 1);
    EXPECT_EQ(BodyRequests(1), 1);
    EXPECT_EQ(BodyRequests(2), 2);
    EXPECT_EQ(BodyRequests(3), 1);
    ASSERT_TRUE(CleanUpEnded());
    ASSERT_TRUE(QFile::remove(ProductPath()));
  }
}

// The product put together while the parts arrived is adopted only as it
// was left: one changed meanwhile (its times put back) or gone leaves the
// join to copy the parts, and the product comes out right either way.
TEST_F(DownloadPages, AnAssemblyChangedOrGoneAfterTheDownloadIsNotAdopted) {
  for (const bool gone : {false, true}) {
    SCOPED_TRACE(gone ? "gone" : "changed");
    App->DownloadList.RemoveAllEntries();
    LoadPublishedList();
    DownloadAllParts();
    const QByteArray assembly = QFile::encodeName(App->DownloadList.GetAssemblyFilePath());
    struct stat before {};
    ASSERT_EQ(::stat(assembly.constData(), &before), 0);
    if (gone) {
      ASSERT_EQ(::unlink(assembly.constData()), 0);
    } else {
      QFile file(QFile::decodeName(assembly));
      ASSERT_TRUE(file.open(QIODevice::ReadWrite));
      ASSERT_TRUE(file.seek(1000));
      ASSERT_EQ(file.write("x", 1), 1);
      file.close();
      const timespec times[2] = {before.st_atim, before.st_mtim};
      ASSERT_EQ(::utimensat(AT_FDCWD, assembly.constData(), times, 0), 0);
    }
    OpenFrame();
    CountSteps();
    ASSERT_TRUE(Frame->EnterState(ST_VERIFY));
    ASSERT_TRUE(WaitForState(ST_DOWNLOAD_COMPLETE));
    EXPECT_EQ(CTempFolder::Read(ProductPath()), Product);
    EXPECT_GT(Steps[CParcel2Dlg10::PHASE_JOIN].load(), 0) << "joined by copying the parts";
    ASSERT_TRUE(CleanUpEnded());
    ASSERT_TRUE(QFile::remove(ProductPath()));
    ASSERT_TRUE(QDir().mkpath(App->DownloadList.DownloadTempDir));
  }
}

// Parts from an earlier run are always read, several at once, with their
// log lines in list order, and one that broke off is resumed; the product's
// digest is computed in the same pass as the join, and a product that does
// not match is deleted as ever, even when every part came in this run.
TEST_F(DownloadPages, PartsFromAnEarlierRunAreReadAndTheProductIsCheckedAsItIsJoined) {
  LoadPublishedList();
  WriteAllParts();
  OpenFrame();
  CountSteps();
  ASSERT_TRUE(Frame->EnterState(ST_VERIFY));
  ASSERT_TRUE(WaitForState(ST_DOWNLOAD_COMPLETE));
  EXPECT_EQ(CTempFolder::Read(ProductPath()), Product);
  EXPECT_EQ(Steps[CParcel2Dlg10::PHASE_PARTS].load(), 7) << "every part read";
  EXPECT_EQ(Steps[CParcel2Dlg10::PHASE_PRODUCT].load(), 0) << "the product is not read back";
  QStringList checked;
  for (const QString& line : LogLines())
    if (line.contains("Identical digest:")) checked << line.section("Identical digest:", 1);
  EXPECT_EQ(checked, QStringList({PartPath(1), PartPath(2), PartPath(3), ProductPath(), "demo.bin"}));
  ASSERT_TRUE(CleanUpEnded());
  ASSERT_TRUE(QFile::remove(ProductPath()));

  // A part that broke off in the earlier run is not read (its length says
  // it is not done) and only its rest is fetched.
  ASSERT_TRUE(QDir().mkpath(App->DownloadList.DownloadTempDir));
  for (int i = 1; i < 4; ++i) App->DownloadList.GetDownloadEntry(i)->IsDownloaded = 0;
  WriteAllParts();
  WritePart(2, PartBytes(2).left(100000));
  OpenFrame();
  CountSteps();
  WatchForDownloadPage();
  ASSERT_TRUE(Frame->EnterState(ST_VERIFY));
  ASSERT_TRUE(WaitForState(ST_DOWNLOAD_COMPLETE));
  EXPECT_TRUE(DownloadPageCame);
  EXPECT_EQ(StepsAtDownload[CParcel2Dlg10::PHASE_PARTS], 4) << "parts 1 and 3 only";
  EXPECT_EQ(CTempFolder::Read(ProductPath()), Product);
  const std::vector<CHostRequest> requests = Host.GetRequests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].ReqId, Published.Files[2].FileName.toStdString());
  EXPECT_EQ(requests[0].GetHeader("Range"), "bytes=100000-");
  ASSERT_TRUE(CleanUpEnded());
  ASSERT_TRUE(QFile::remove(ProductPath()));

  App->DownloadList.RemoveAllEntries();
  LoadPublishedList(true);
  DownloadAllParts();
  OpenFrame();
  ASSERT_TRUE(Frame->EnterState(ST_VERIFY));
  ASSERT_TRUE(WaitForState(ST_DOWNLOAD_ERROR));
  EXPECT_FALSE(QFileInfo::exists(ProductPath()));
  for (int part = 1; part <= 3; ++part) EXPECT_EQ(CTempFolder::Read(PartPath(part)), PartBytes(part)) << part;
  EXPECT_EQ(Marks(), std::vector<int>({0, 0, 0}));
  EXPECT_EQ(CountLines("TRACE  Differrent digest:demo.bin"), 1);
}

// Quitting while the parts are read or joined stops the work at the next
// chunk: nothing is posted, a half-joined product is removed and the parts
// stay. The worker is held in the middle of the phase until it is told to
// stop, so the test does not depend on how fast the machine is.
TEST_F(DownloadPages, QuittingStopsTheChecksAndTheJoinAtTheNextChunk) {
  LoadPublishedList();
  for (const int phase : {CParcel2Dlg10::PHASE_PARTS, CParcel2Dlg10::PHASE_JOIN}) {
    SCOPED_TRACE(phase);
    WriteAllParts();
    OpenFrame();
    CParcel2Dlg10& page = Frame->Page10;
    std::atomic<int> stepsInPhase{0};
    std::atomic<int> stepsAfterStop{0};
    page.SetStepObserver([&] {
      if (page.StopFlag.load()) ++stepsAfterStop;
      if (page.Phase.load() != phase || ++stepsInPhase != 2) return;
      QDeadlineTimer deadline(20000);
      while (!page.StopFlag.load() && !deadline.hasExpired()) std::this_thread::sleep_for(1ms);
    });
    ASSERT_TRUE(Frame->EnterState(ST_VERIFY));
    ASSERT_TRUE(WaitUntil([&] { return stepsInPhase.load() >= 2; }));
    Responder.SetAnswer(IDYES);
    QElapsedTimer timer;
    timer.start();
    PostMessage(Frame->GetSafeHwnd(), WM_WIZARD_QUIT);
    ASSERT_TRUE(WaitForEnd());
    Frame.reset();  // waits for the worker
    EXPECT_LT(timer.elapsed(), 10000) << "held until the stop: without one the wait runs out";
    // A reader that was inside a chunk when the stop came finishes it.
    EXPECT_LE(stepsAfterStop.load(), phase == CParcel2Dlg10::PHASE_JOIN ? 0 : CPartReaders::MAX_READERS);
    EXPECT_FALSE(QFileInfo::exists(ProductPath()));
    for (int part = 1; part <= 3; ++part) EXPECT_EQ(CTempFolder::Read(PartPath(part)), PartBytes(part)) << part;
    EXPECT_EQ(CountLines("FileJoint Error"), 0);
    Responder.SetAnswer(IDNO);
  }
}

// A list without entry 0 has nothing to verify: the page says so in the
// log and leads to the download error page instead of waiting forever.
TEST_F(DownloadPages, WithoutEntryZeroTheVerificationReportsAnError) {
  LoadList({"DL,1,demo.bin.001,300000,0123456789abcdef0123456789abcdef"});
  OpenFrame();
  ASSERT_TRUE(Frame->EnterState(ST_CHECK_EXISTING));
  ASSERT_TRUE(WaitForState(ST_DOWNLOAD_ERROR));
  EXPECT_EQ(CountLines("FATAL  Could not get DL-Entry0"), 1);
}

// The transfer and the join only report a file they cannot write; the program
// shows the box with the reason: a part to a full device, a link at the product.
TEST_F(DownloadPages, AFileThatCannotBeWrittenIsToldInABox) {
  const int language = GetUiLanguage();
  SetUiLanguage(LANG_ENGLISH_US);
  LoadPublishedList();
  OpenFrame();
  CMessageBoxResponder boxes;
  CDownloadExecuter executer(App->Logger);
  executer.SetPurchase(App->HostUrl, App->PurchaseNo, App->PurchaseKey, 0);
  const QString url = executer.MakeBodyUrl(*App->DownloadList.GetDownloadEntry(1));
  EXPECT_EQ(App->UrlDownload.DownloadToFile(url, QStringLiteral("/dev/full")), -1);
  WriteAllParts();
  ASSERT_TRUE(QFile::link(Save.File(QStringLiteral("elsewhere")), ProductPath()));
  EXPECT_EQ(Frame->Page10.Joint.Join(App->DownloadList), 0u);
  SetUiLanguage(language);
  const auto asked = boxes.Asked();
  ASSERT_EQ(asked.size(), 2u);
  for (const auto& box : asked) {
    EXPECT_TRUE(box.Text.startsWith("Failed to write to the file.\n\nCheck the free space on your drive.\n\n"
                                    "More Information:"));
    EXPECT_GT(box.Text.size(), 82);  // the reason follows
    EXPECT_EQ(box.Type, unsigned{MB_OK | MB_ICONHAND});
  }
  EXPECT_EQ(CountLines("ERROR  Download Read&Write CFileException:" + asked[0].Text.section(':', 1)), 1);
  EXPECT_EQ(CountLines("ERROR  Downloaded file I/O error()" + asked[1].Text.section(':', 1)), 1);
}

// A link planted at the product's name while the parts arrived in order:
// the product put together meanwhile is not renamed over it either, and the
// customer hears of it as of any file that cannot be written.
TEST_F(DownloadPages, AnAssembledProductIsNotRenamedOverALink) {
  const int language = GetUiLanguage();
  SetUiLanguage(LANG_ENGLISH_US);
  LoadPublishedList();
  DownloadAllParts();
  ASSERT_TRUE(QFileInfo::exists(App->DownloadList.GetAssemblyFilePath())) << "the parts came in order";
  const QString elsewhere = Save.File(QStringLiteral("elsewhere"));
  ASSERT_TRUE(QFile::link(elsewhere, ProductPath()));
  OpenFrame();
  ASSERT_TRUE(Frame->EnterState(ST_VERIFY));
  ASSERT_TRUE(WaitForState(ST_DOWNLOAD_ERROR));
  SetUiLanguage(language);
  EXPECT_FALSE(QFileInfo::exists(elsewhere)) << "nothing written through the link";
  const auto asked = Responder.Asked();
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_TRUE(asked[0].Text.startsWith("Failed to write to the file.")) << asked[0].Text.toStdString();
}

// The host trickles part 1 and never finishes it. Cancel with No goes on;
// Yes, and in a second run the stall check, end the download at once.
TEST_F(DownloadPages, CancelAndStallEndATricklingPart) {
  Host.AddFault(HOST_ANY_BODY, Published.Files[1].FileName.toStdString(), -1, CHostFault::Throttle(10));
  LoadPublishedList();
  OpenFrame();
  ASSERT_TRUE(Frame->EnterState(ST_DOWNLOADING));
  ASSERT_TRUE(WaitForBody(1));
  ASSERT_TRUE(Frame->Page03.ClickDlgItem(IDCANCEL));
  ASSERT_EQ(Answered(), 1);
  EXPECT_EQ(Responder.Asked()[0].Text, "Are you sure you wannt to cancel download?");
  EXPECT_EQ(Responder.Asked()[0].Caption, "Cancel Download");
  EXPECT_EQ(Responder.Asked()[0].Type, static_cast<unsigned>(MB_YESNO | MB_DEFBUTTON2));
  EXPECT_EQ(Frame->Page03.Executer.PauseFlag.load(), 0);
  EXPECT_EQ(Frame->GetCurrentState(), ST_DOWNLOADING);

  Responder.SetAnswer(IDYES);
  ASSERT_TRUE(Frame->Page03.ClickDlgItem(IDCANCEL));
  ASSERT_TRUE(WaitForEnd()) << "the trickle would take hours";
  EXPECT_EQ(CountLines("ERROR  Download Cancel"), 1);
  EXPECT_EQ(CountLines("FATAL  Undefined User-message:Cmd=-1"), 1) << "EV_ABORT ends the wizard";
  EXPECT_EQ(CountLines("Download Error"), 0);
  EXPECT_EQ(Marks(), std::vector<int>({0, 0, 0}));
  EXPECT_TRUE(QFileInfo::exists(PartPath(1))) << "left for the next check";

  // The stall check, shortened: no part marked within a period.
  OpenFrame();
  Frame->Page03.SetTimerPeriods(CParcel2Dlg03::DISPLAY_PERIOD_MS, 500);
  ASSERT_TRUE(Frame->EnterState(ST_DOWNLOADING));
  ASSERT_TRUE(WaitForState(ST_DOWNLOAD_ERROR));
  EXPECT_GE(CountLines("ERROR  Download Time-Out"), 1);
  EXPECT_EQ(CountLines("ERROR  Download Error"), 1);
}

// The stall check, ticked by hand (the period shortened to none): a period
// in which the running part brought 64 KiB or more goes on however long the
// part takes; a period with less, and no part marked, stops the download.
TEST_F(DownloadPages, TheStallCheckCountsBytesNotParts) {
  Host.AddFault(HOST_ANY_BODY, Published.Files[1].FileName.toStdString(), 1, CHostFault::Stall(200000));
  Host.AddFault(HOST_ANY_BODY, Published.Files[2].FileName.toStdString(), -1, CHostFault::Stall(1000));
  LoadPublishedList();
  OpenFrame();
  Frame->Page03.SetTimerPeriods(CParcel2Dlg03::DISPLAY_PERIOD_MS, 3600000);
  ASSERT_TRUE(Frame->EnterState(ST_DOWNLOADING));
  ASSERT_TRUE(WaitForBody(1));
  ASSERT_TRUE(WaitUntil([&] { return App->UrlDownload.GetReceivedSize() >= 200000; }));
  Frame->Page03.OnTimer(CParcel2Dlg03::STALL_TIMER);  // no part marked, but 200000 bytes came
  EXPECT_EQ(CountLines("ERROR  Download Time-Out"), 0);
  ASSERT_TRUE(Host.WaitForStalled(1, 10s));  // a release before the stall began would be lost
  Host.ReleaseStalls();
  ASSERT_TRUE(WaitForBody(2));
  ASSERT_TRUE(WaitUntil([&] { return App->UrlDownload.GetReceivedSize() >= 1000; }));
  ASSERT_TRUE(Host.WaitForStalled(1, 10s));
  Frame->Page03.OnTimer(CParcel2Dlg03::STALL_TIMER);  // part 1 marked in this period
  EXPECT_EQ(CountLines("ERROR  Download Time-Out"), 0);
  EXPECT_EQ(Frame->GetCurrentState(), ST_DOWNLOADING);
  Frame->Page03.OnTimer(CParcel2Dlg03::STALL_TIMER);  // nothing since
  ASSERT_TRUE(WaitForState(ST_DOWNLOAD_ERROR)) << "the trickle is cut without waiting for the host";
  EXPECT_EQ(Marks(), std::vector<int>({1, 0, 0})) << "the slow part finished";
  EXPECT_EQ(CountLines("ERROR  Download Time-Out"), 1);
}

// The display, driven tick by tick while part 1 stalls after 100000 of its
// 300000 bytes: the bar and the bytes line move by bytes (the running part's
// too, counted once when it is marked), the speed comes from the clock, and
// "Calculating" stays until a tick has seen a nonzero estimate.
TEST_F(DownloadPages, TheDisplayFollowsTheBytesAndTheRemainingTime) {
  Host.AddFault(HOST_ANY_BODY, Published.Files[1].FileName.toStdString(), -1, CHostFault::Stall(100000));
  LoadPublishedList();
  for (const int language : {LANG_ENGLISH_US, LANG_JAPANESE}) {
    SetUiLanguage(language);
    App->UiLanguage = language;
    const bool japanese = language == LANG_JAPANESE;
    OpenFrame();
    CParcel2Dlg03& page = Frame->Page03;
    page.SetTimerPeriods(3600000, 3600000);
    std::int64_t now = 0;
    page.SetClock([&now] { return now; });
    ASSERT_TRUE(Frame->EnterState(ST_DOWNLOADING));
    ASSERT_TRUE(WaitUntil([&] {
      return page.Executer.RunningPart.load() == 1 && App->UrlDownload.GetReceivedSize() == 100000;
    }));
    EXPECT_EQ(page.GetDlgItemText(IDC_PRODUCT_NAME), "Demo");
    auto* bar = page.GetControl<QProgressBar>(IDC_PROGRESS);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->maximum(), CParcel2Dlg03::PROGRESS_STEPS);
    EXPECT_EQ(page.GetDlgItemText(IDC_PROGRESS_BYTES), japanese ? "0 KB / 683 KB" : "0 KB of 683 KB");

    const QString calculating = japanese ? QString::fromUtf16(u"計算中") : QStringLiteral("Calculating");
    EXPECT_EQ(page.GetDlgItemText(IDC_REMAINING_TIME), calculating);
    now = 2000;
    page.OnTimer(CParcel2Dlg03::DISPLAY_TIMER);
    EXPECT_EQ(bar->value(), 142) << "100000 of 700000 bytes";
    EXPECT_EQ(page.GetDlgItemText(IDC_PROGRESS_BYTES),
              japanese ? QString::fromUtf16(u"97 KB / 683 KB（48 KB/秒）") : QStringLiteral("97 KB of 683 KB, 48 KB/s"));
    EXPECT_EQ(page.GetDlgItemText(IDC_REMAINING_TIME), calculating) << "no estimate yet";
    page.Executer.RemainingSeconds = 7;
    page.OnTimer(CParcel2Dlg03::DISPLAY_TIMER);
    EXPECT_EQ(page.GetDlgItemText(IDC_REMAINING_TIME), calculating) << "shown from the next tick";
    page.OnTimer(CParcel2Dlg03::DISPLAY_TIMER);
    const QString tenSeconds = japanese ? QString::fromUtf16(u"約 10 秒") : QStringLiteral("About 10 seconds");
    EXPECT_EQ(page.GetDlgItemText(IDC_REMAINING_TIME), tenSeconds);
    page.Executer.RemainingSeconds = 0;
    page.OnTimer(CParcel2Dlg03::DISPLAY_TIMER);
    EXPECT_EQ(page.GetDlgItemText(IDC_REMAINING_TIME), japanese ? QString::fromUtf16(u"約 0 秒") : QStringLiteral("About 0 seconds"));

    App->DownloadList.GetDownloadEntry(2)->IsDownloaded = 1;
    App->DownloadList.GetDownloadEntry(3)->IsDownloaded = 1;
    page.OnTimer(CParcel2Dlg03::DISPLAY_TIMER);
    EXPECT_EQ(bar->value(), 714) << "500000 of 700000 bytes";
    App->DownloadList.GetDownloadEntry(1)->IsDownloaded = 1;
    page.OnTimer(CParcel2Dlg03::DISPLAY_TIMER);
    EXPECT_EQ(bar->value(), CParcel2Dlg03::PROGRESS_STEPS) << "the marked part counts once";
    for (int part = 1; part <= 3; ++part) App->DownloadList.GetDownloadEntry(part)->IsDownloaded = 0;
    Frame.reset();  // ends the download with the page
    EXPECT_FALSE(App->UrlDownload.GetConnectState());
    QFile::remove(PartPath(1));  // the next language starts the part afresh
  }
}

}  // namespace
