#include "support/ListHostFixture.h"
#include "support/QtPrint.h"

#include "pages/DlListThread.h"
#include "platform/ui/MessageBoxPresenter.h"
#include "res/ResourceIds.h"
#include "res/Strings.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <chrono>
#include <utility>

namespace {

using namespace std::chrono_literals;

const QString PURCHASE_QUERY = QStringLiteral("NO=1234&KEY=secret");

QByteArray Utf16Bytes(const QString& text) {
  return QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
}

class ListAcquisition : public CListHostFixture {
protected:
  void SetUp() override {
    CListHostFixture::SetUp();
    ListPath = App->GetListFilePath(DEMO_PURCHASE_NO);
    ASSERT_TRUE(ListPath.startsWith(Temp.Path()));
  }
  QByteArray ListFile() const { return CTempFolder::Read(ListPath); }
  qsizetype CountLines(const QString& line) const { return LogLines().count(line); }
  // Under an open question: the worker holds its report back, and the frame
  // has handled whatever was posted before, without moving on.
  bool ReportHeldUnderTheQuestion() {
    if (!WaitUntil([&] { return Frame->Page08.Flags->HoldingReport.load() == 1; })) return false;
    QCoreApplication::sendPostedEvents();
    return Frame->GetCurrentState() == ST_ACQUIRE_INFO;
  }

  QString ListPath;
};

// The list is fetched once and kept; later visits judge the stored list and
// fetch only when it is not usable. A folder the host names is not taken.
TEST_F(ListAcquisition, FetchesOnceThenJudgesTheStoredList) {
  const QByteArray hostList = Published.ListBytes + "TD,,/srv/chosen-by-host\r\n";
  ASSERT_TRUE(Host.SetListBytes(Published.ProductId, hostList));
  StartAcquisition();
  ASSERT_TRUE(WaitForState(ST_CONFIRM_SOFTWARE));
  EXPECT_EQ(Frame->Page02.GetDlgItemText(IDC_PRODUCT_NAME), "Demo");

  const std::vector<CHostRequest> requests = Host.GetRequests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].Method, "POST");
  EXPECT_EQ(requests[0].Endpoint, HOST_LIST_U8);
  EXPECT_EQ(requests[0].Body, PURCHASE_QUERY.toStdString());
  EXPECT_EQ(ListFile(), hostList + "TD,,\r\n") << "the empty record outranks the host's";
  EXPECT_EQ(App->DownloadList.TargetSaveDir, "");
  EXPECT_EQ(CountLines("WARNG  Ignored the save folder named by the host:/srv/chosen-by-host"), 1);

  struct CStoredCase {
    const char* Name;
    QByteArray Stored;  // empty: the file the first visit left
    int Requests;
    QStringList Lines;  // the error lines the check writes, in order
    QString Folder;     // the customer's folder, kept across the fetch
  };
  QByteArray olderVersion = Published.ListBytes;
  olderVersion.replace("VN,100", "VN,99");
  const QString ownFolder = Temp.File("Own folder");
  const CStoredCase cases[] = {
      {"kept list", QByteArray(), 0, {}, ""},
      {"older version", olderVersion, 1, {"ERROR  Invalid download-list-file:FileVersion error"}, ""},
      {"older version with the customer's folder",
       olderVersion + "TD,," + ownFolder.toUtf8() + "\r\n",
       1,
       {"ERROR  Invalid download-list-file:FileVersion error"},
       ownFolder},
      {"no entries, older version",
       "VN,99\r\nSN,0,Demo,7\r\n",
       1,
       {"ERROR  Invalid download-list-file:DownloadEntryCount error",
        "ERROR  Invalid download-list-file:FileVersion error"},
       ""},
  };
  for (const CStoredCase& c : cases) {
    SCOPED_TRACE(c.Name);
    if (!c.Stored.isEmpty()) Temp.Write(QFileInfo(ListPath).fileName(), c.Stored);
    const QByteArray before = ListFile();
    const qsizetype linesBefore = LogLines().size();
    Host.ClearRequests();
    AcquireAgain();
    ASSERT_TRUE(WaitForState(ST_CONFIRM_SOFTWARE));
    EXPECT_EQ(ListRequests(), c.Requests);
    EXPECT_EQ(ListFile(), c.Requests ? hostList + "TD,," + c.Folder.toUtf8() + "\r\n" : before);
    EXPECT_EQ(App->DownloadList.TargetSaveDir, c.Folder);
    EXPECT_EQ(App->DownloadList.DownloadTempDir, c.Folder.isEmpty() ? "" : c.Folder + "/DownloadTemp");
    App->DownloadList.SetTargetSaveDir(QString());  // each case starts from its own file
    const QStringList lines = LogLines().mid(linesBefore).filter("ERROR");
    EXPECT_EQ(lines, c.Lines);
    EXPECT_TRUE(LogLines().mid(linesBefore).filter("Retry").isEmpty()) << "replaced within the same attempt";
  }
}

// With the re-acquisition switched on, the earlier download goes: its part
// files, its working folder and the save folder once empty.
TEST_F(ListAcquisition, ReacquiringDiscardsTheEarlierDownload) {
  const QString saveDir = Temp.File("Saved");
  const QString workDir = saveDir + "/DownloadTemp";
  ASSERT_TRUE(QDir().mkpath(workDir));
  QStringList partFiles;
  for (int part = 1; part < int(Published.Files.size()); ++part) {
    partFiles << workDir + "/DownloadFile_" + Published.Files[part].Digest + ".TMP";
    QFile file(partFiles.last());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  }
  Temp.Write(QFileInfo(ListPath).fileName(), Published.ListBytes + "TD,," + saveDir.toUtf8() + "\r\n");
  App->ListTrust.Remember(ListPath, DEMO_PURCHASE_NO, CListVerdict(), {App->HostUrl, App->PurchaseKey});
  App->ReacquireDownloadInfo = 1;

  StartAcquisition();
  ASSERT_TRUE(WaitForState(ST_CONFIRM_SOFTWARE));
  EXPECT_EQ(ListRequests(), 1);
  for (const QString& path : partFiles) EXPECT_FALSE(QFileInfo::exists(path)) << path.toStdString();
  EXPECT_FALSE(QFileInfo::exists(workDir));
  EXPECT_FALSE(QFileInfo::exists(saveDir));
  EXPECT_EQ(App->DownloadList.TargetSaveDir, "");
  EXPECT_EQ(ListFile(), Published.ListBytes + "TD,,\r\n");
}

// Three empty answers end on the connection error page with its usual
// text; Try Again acquires again.
TEST_F(ListAcquisition, ThreeEmptyAnswersLeadToTheConnectionPageAndTryAgainFetchesAgain) {
  SetUiLanguage(LANG_JAPANESE);
  Host.AddFault(HOST_ANY_LIST, std::string(), -1, CHostFault::EmptyBody());
  StartAcquisition();
  ASSERT_TRUE(WaitForState(ST_CONNECT_ERROR));
  EXPECT_EQ(Frame->GetTitleText(), QString::fromUtf16(u"サーバー接続エラー"));
  EXPECT_TRUE(Frame->PageErr.GetDlgItemText(IDC_MESSAGE).startsWith(QString::fromUtf16(u"ダウンロード用サーバーとの通信に失敗しました。")));
  EXPECT_EQ(ListRequests(), 6) << "three attempts, each with the transfer's own retry";
  EXPECT_FALSE(QFileInfo::exists(ListPath));
  const QStringList lines = LogLines();
  EXPECT_EQ(lines.filter("GetDownloadList Retry").join('|'),
            "WARNG  GetDownloadList Retry #1|WARNG  GetDownloadList Retry #2");
  EXPECT_EQ(lines.count("ERROR  Download entry is none."), 1);

  Host.ClearFaults();
  ASSERT_TRUE(Frame->PageErr.ClickDlgItem(IDOK));
  ASSERT_TRUE(WaitForState(ST_CONFIRM_SOFTWARE));
  EXPECT_EQ(ListRequests(), 7);
  EXPECT_EQ(ListFile(), Published.ListBytes + "TD,,\r\n");
}

// An error answer is the host telling us something (a wrong key, most
// often): the connection page says what, in either language.
TEST_F(ListAcquisition, ErrorAnswerShowsTheHostsWordsOnTheConnectionPage) {
  struct CCase {
    int Language;
    const char* Key;
    QByteArray Answer;  // empty: the host's own answer to a wrong key
    QString Shown;
  };
  const CCase cases[] = {
      {LANG_ENGLISH_US, "wrong", QByteArray(), "Invalid purchase number or key"},
      {LANG_JAPANESE, "wrong", QByteArray(), "Invalid purchase number or key"},
      {LANG_ENGLISH_US, DEMO_PURCHASE_KEY, Utf16Bytes(QString::fromUtf16(u"\tKey\u0007 blocked\r\nCall us\r")),
       "Key blocked\nCall us"},
  };
  for (const CCase& c : cases) {
    SCOPED_TRACE(c.Shown.toStdString());
    SetUiLanguage(c.Language);
    App->PurchaseKey = c.Key;
    const QByteArray answer = c.Answer.isEmpty() ? Utf16Bytes("Invalid purchase number or key") : c.Answer;
    ASSERT_TRUE(Host.SetListBytes(Published.ProductId, c.Answer.isEmpty() ? Published.ListBytes : c.Answer));
    Host.ClearRequests();
    const qsizetype linesBefore = LogLines().size();
    StartAcquisition();
    ASSERT_TRUE(WaitForState(ST_CONNECT_ERROR));
    EXPECT_EQ(ListRequests(), 3);
    const QStringList lines = LogLines().mid(linesBefore);
    EXPECT_EQ(lines.count(QStringLiteral("ERROR  Get DownloadList Error:Len=%1").arg(answer.size())), 3);
    EXPECT_EQ(lines.filter("ERROR  Error msg=").size(), 3);
    EXPECT_FALSE(QFileInfo::exists(ListPath));
    const QString text = Frame->PageErr.GetDlgItemText(IDC_MESSAGE);
    EXPECT_EQ(text, FormatString(IDS_CONNECT_ERROR_HOST_MESSAGE, c.Shown));
    EXPECT_TRUE(text.contains(c.Language == LANG_JAPANESE ? QString::fromUtf16(u"購入番号または購入キー")
                                                         : QStringLiteral("purchase key may be wrong")));
  }

  // A good answer on Try Again leaves no message behind for a later visit.
  App->PurchaseKey = DEMO_PURCHASE_KEY;
  ASSERT_TRUE(Host.SetListBytes(Published.ProductId, Published.ListBytes));
  ASSERT_TRUE(Frame->PageErr.ClickDlgItem(IDOK));
  ASSERT_TRUE(WaitForState(ST_CONFIRM_SOFTWARE));
  EXPECT_EQ(Frame->GetCurrentReport().HostMessage, "");
}

// Also: test mode 1 asks the test list script.
TEST_F(ListAcquisition, NewerListVersionStopsAtOnce) {
  QByteArray newer = Published.ListBytes;
  newer.replace("VN,100", "VN,101");
  ASSERT_TRUE(Host.SetListBytes(Published.ProductId, newer));
  App->TestMode = 1;
  StartAcquisition();
  ASSERT_TRUE(WaitForState(ST_VERSION_ERROR));
  ASSERT_EQ(ListRequests(), 1);
  EXPECT_EQ(Host.GetRequests()[0].Endpoint, HOST_LIST_TEST);
  EXPECT_TRUE(Host.GetRequests()[0].TestFlag);
  EXPECT_FALSE(QFileInfo::exists(ListPath));
  const QStringList lines = LogLines();
  EXPECT_EQ(lines.count("ERROR  Invalid download-list-file:FileVersion error"), 1);
  EXPECT_TRUE(lines.filter("Retry").isEmpty());
}

// No changes nothing; Yes during a hanging request lets it finish, then the
// wizard ends without keeping the list. While the question is open a
// time-out tick does nothing, and a list that arrives waits for the answer.
TEST_F(ListAcquisition, CancelAsksFirstAndYesDuringARequestEndsTheWizard) {
  Host.AddFault(HOST_ANY_LIST, std::string(), 1, CHostFault::Stall(0));
  StartAcquisition();
  ASSERT_TRUE(WaitForState(ST_ACQUIRE_INFO));
  ASSERT_TRUE(Host.WaitForStalled(1, 10s));

  ASSERT_TRUE(Frame->Page08.ClickDlgItem(IDCANCEL));
  ASSERT_EQ(Answered(), 1);
  const CMessageBoxRequest asked = Responder.Asked()[0];
  EXPECT_EQ(asked.Text, "Are you sure you wannt to cancel download?");
  EXPECT_EQ(asked.Caption, "Cancel Download");
  EXPECT_EQ(asked.Type, unsigned(MB_YESNO | MB_DEFBUTTON2));
  EXPECT_EQ(asked.Owner, Frame->Page08.GetSafeHwnd());
  EXPECT_EQ(Frame->Page08.Flags->CancelRequested.load(), 0);
  EXPECT_EQ(Frame->Page08.Flags->CancelPaused.load(), 0);

  bool pausedWhileAsked = false;
  bool listArrived = false;
  bool movedOnUnderTheQuestion = true;
  CMessageBoxPresenter responder = SetMessageBoxPresenter([&](const CMessageBoxRequest&) {
    pausedWhileAsked = Frame->Page08.Flags->CancelPaused.load() == 1;
    Frame->Page08.OnTimer(CParcel2Dlg08::TIMEOUT_TIMER_ID);
    // A real box runs its own loop: the frame handles events meanwhile.
    Host.ReleaseStalls();
    listArrived = WaitUntil([&] { return LogLines().contains("TRACE  TargetSaveDir="); });
    movedOnUnderTheQuestion = !ReportHeldUnderTheQuestion();
    return int(IDYES);
  });
  ASSERT_TRUE(Frame->Page08.ClickDlgItem(IDCANCEL));
  SetMessageBoxPresenter(responder);
  EXPECT_TRUE(pausedWhileAsked);
  EXPECT_TRUE(listArrived);
  EXPECT_FALSE(movedOnUnderTheQuestion);
  EXPECT_EQ(Frame->Page08.Flags->TimedOut.load(), 0);

  ASSERT_TRUE(WaitForEnd());
  JoinWorkerThreads();
  EXPECT_EQ(ListRequests(), 1);
  EXPECT_FALSE(QFileInfo::exists(ListPath));
  const QStringList lines = LogLines();
  EXPECT_TRUE(lines.filter("Time-Out").isEmpty());
  const qsizetype cancel = lines.indexOf("ERROR  GetDownloadList Cancel");
  const qsizetype canceled = lines.indexOf("ERROR  Canceled get download-list-file");
  ASSERT_GE(cancel, 0);
  EXPECT_GT(canceled, cancel);
  EXPECT_EQ(lines.filter("FATAL").join('|'), "FATAL  Undefined User-message:Cmd=-1");
}

// The time-out closes a hanging request and leads to the connection page
// with its usual text, the host still holding the list back.
TEST_F(ListAcquisition, TimeOutDuringAHangingRequestLeadsToTheConnectionPage) {
  Host.AddFault(HOST_ANY_LIST, std::string(), 1, CHostFault::Stall(0));
  StartAcquisition();
  ASSERT_TRUE(WaitForState(ST_ACQUIRE_INFO));
  ASSERT_TRUE(Host.WaitForStalled(1, 10s));
  Frame->Page08.SetTimer(CParcel2Dlg08::TIMEOUT_TIMER_ID, 20);  // the 120 s, shortened
  ASSERT_TRUE(WaitForState(ST_CONNECT_ERROR));
  EXPECT_EQ(LogLines().count("ERROR  Canceled get download-list-file"), 1);
  EXPECT_EQ(LogLines().count("ERROR  Time-Out get download-list-file"), 1) << "the timer fires once";
  EXPECT_FALSE(QFileInfo::exists(ListPath));
  EXPECT_TRUE(Frame->PageErr.GetDlgItemText(IDC_MESSAGE).startsWith("Unable to connect to the download server."));
}

// A wizard that closes while the worker's request hangs: the request is
// closed, so the program's end does not wait for the host; the worker
// stops as if cancelled and posts nowhere.
TEST_F(ListAcquisition, AWorkerOutlivingTheFrameStopsSilently) {
  Host.AddFault(HOST_ANY_LIST, std::string(), 1, CHostFault::Stall(0));
  StartAcquisition();
  ASSERT_TRUE(WaitForState(ST_ACQUIRE_INFO));
  ASSERT_TRUE(Host.WaitForStalled(1, 10s));
  Frame.reset();
  JoinWorkerThreads();  // the host still holds the list back
  EXPECT_EQ(ListRequests(), 1);
  EXPECT_EQ(LogLines().count("ERROR  Canceled get download-list-file"), 1);
  EXPECT_FALSE(QFileInfo::exists(ListPath));
  EXPECT_TRUE(LogLines().filter("FATAL").isEmpty());
}


// Real boxes, answered from inside their own loop as a person would. The
// box is a child of the page: the worker never reports under an open
// question (the version path neither), and when the page goes all the same
// its box closes as No and nothing freed is read.
TEST_F(ListAcquisition, TheCancelQuestionNeverOutlivesItsPage) {
  const CMessageBoxPresenter responder = SetMessageBoxPresenter(nullptr);
  auto presenter = std::make_unique<CMessageBoxPresenterUi>();
  ASSERT_TRUE(presenter->IsInstalled());
  // The box as the test sees it: null once it has gone with its page.
  std::function<void(const QPointer<QMessageBox>&)> act;
  QTimer poll;
  poll.setInterval(5);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    const QPointer<QMessageBox> box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || !act) return;
    const auto once = std::move(act);
    act = nullptr;
    once(box);
  });
  poll.start();
  const auto press = [](const QPointer<QMessageBox>& box, QMessageBox::StandardButton button) {
    if (box) box->button(button)->click();
    else ADD_FAILURE() << "the box went before it was answered";
  };

  // A newer list arrives while the question is open: it waits for the No.
  QByteArray newer = Published.ListBytes;
  newer.replace("VN,100", "VN,101");
  ASSERT_TRUE(Host.SetListBytes(Published.ProductId, newer));
  Host.AddFault(HOST_ANY_LIST, std::string(), 1, CHostFault::Stall(0));
  StartAcquisition();
  ASSERT_TRUE(WaitForState(ST_ACQUIRE_INFO));
  ASSERT_TRUE(Host.WaitForStalled(1, 10s));
  bool movedOnUnderTheQuestion = true;
  act = [&](const QPointer<QMessageBox>& box) {
    Host.ReleaseStalls();
    EXPECT_TRUE(WaitUntil([&] { return LogLines().contains("ERROR  Invalid download-list-file:FileVersion error"); }));
    movedOnUnderTheQuestion = !ReportHeldUnderTheQuestion();
    press(box, QMessageBox::No);
  };
  ASSERT_TRUE(Frame->Page08.ClickDlgItem(IDCANCEL));
  EXPECT_FALSE(movedOnUnderTheQuestion);
  ASSERT_TRUE(WaitForState(ST_VERSION_ERROR));

  // The page goes while its question is open (here the wizard is told to
  // move on): the box closes as No.
  ASSERT_TRUE(Host.SetListBytes(Published.ProductId, Published.ListBytes));
  Host.AddFault(HOST_ANY_LIST, std::string(), 1, CHostFault::Stall(0));
  Frame.reset();
  StartAcquisition();
  ASSERT_TRUE(WaitForState(ST_ACQUIRE_INFO));
  ASSERT_TRUE(Host.WaitForStalled(1, 10s));
  act = [&](const QPointer<QMessageBox>&) { Post(EV_ERROR); };
  ASSERT_TRUE(Frame->Page08.ClickDlgItem(IDCANCEL));
  EXPECT_EQ(Frame->GetCurrentState(), ST_CONNECT_ERROR);
  EXPECT_FALSE(LogLines().contains("ERROR  GetDownloadList Cancel"));
  JoinWorkerThreads();  // the worker of the page that went, stopped with it

  // Yes, then Cancel again while the first answer is still taking effect:
  // the wizard ends, and the second box never outlives the page.
  Host.ReleaseStalls();
  Host.AddFault(HOST_ANY_LIST, std::string(), 1, CHostFault::Stall(0));
  ASSERT_TRUE(Frame->PageErr.ClickDlgItem(IDOK));
  ASSERT_TRUE(WaitForState(ST_ACQUIRE_INFO));
  ASSERT_TRUE(Host.WaitForStalled(1, 10s));
  act = [&](const QPointer<QMessageBox>& box) { press(box, QMessageBox::Yes); };
  ASSERT_TRUE(Frame->Page08.ClickDlgItem(IDCANCEL));
  act = [&](const QPointer<QMessageBox>& box) {
    WaitUntil([&] { return box.isNull(); }, 300);
    if (box) press(box, QMessageBox::No);
  };
  Frame->Page08.ClickDlgItem(IDCANCEL);
  ASSERT_TRUE(WaitForEnd());
  EXPECT_EQ(LogLines().count("ERROR  GetDownloadList Cancel"), 1);

  poll.stop();
  presenter.reset();
  SetMessageBoxPresenter(responder);
}

}  // namespace
