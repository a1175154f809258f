#include "support/QtPrint.h"
#include "support/WizardFixture.h"

#include "app/DesktopNotifier.h"
#include "app/Parcel2Program.h"
#include "app/SingleInstance.h"
#include "res/ResourceIds.h"

#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QDir>
#include <QProcess>
#include <QProgressBar>
#include <QStandardPaths>
#include <QThread>

#include <mutex>
#include <thread>

namespace {

QString SocketName() { return QStringLiteral("parcel2-test-%1").arg(QCoreApplication::applicationPid()); }

// A second start hands its arguments over and is told they were taken; a
// name left behind by a wizard that died is taken over; a wizard that
// started at the same moment is handed over to, not doubled.
TEST(SingleInstance, ALaterStartHandsItsArgumentsToTheRunningWizard) {
  const QString name = SocketName();
  QLocalServer::removeServer(name);
  CSingleInstance running(name);
  QList<QStringList> arrived;
  running.SetArrivalHandler([&arrived](const QStringList& arguments) { arrived << arguments; });
  EXPECT_EQ(running.Claim({"-P", "1"}), CSingleInstance::NONE_RUNNING) << "nobody was there: it listens now";

  // The later start blocks while it knocks, so the running one answers
  // from a thread of its own here.
  const QStringList link = {"-L", u"parcel-two://purchase?no=4242&key=キー"_qs};
  CSingleInstance later(name);
  EXPECT_EQ(later.HandOver(link, 200), CSingleInstance::NO_ANSWER)
      << "the running wizard's loop did not run: nobody took them";
  std::atomic<int> handed{-1};
  std::thread knock([&] { handed = CSingleInstance(name).HandOver(link, 10000); });
  ASSERT_TRUE(WaitUntil([&] { return handed.load() >= 0 && !arrived.isEmpty(); }));
  knock.join();
  EXPECT_EQ(handed.load(), CSingleInstance::HANDED_OVER);
  EXPECT_EQ(arrived.back(), link);

  CSingleInstance twin(name);
  EXPECT_FALSE(twin.Listen()) << "the name is the running wizard's";

  // A name whose wizard is gone: a file nobody answers on.
  const QString other = name + QStringLiteral("-left");
  QFile left(QDir(QDir::tempPath()).filePath(other));
  ASSERT_TRUE(left.open(QIODevice::WriteOnly));
  left.close();
  CSingleInstance taking(other);
  EXPECT_EQ(taking.Claim({}), CSingleInstance::NONE_RUNNING);
  EXPECT_FALSE(CSingleInstance(other).Listen()) << "taken over, and listened under";
}

class DesktopFrame : public CWizardFixture {};

// Only the window mode offers it, and only when the host itself turned the
// purchase down; a new purchase tries again at once, a cancelled dialog
// leaves the page as it was.
TEST_F(DesktopFrame, TheHostsRefusalOffersToEnterThePurchaseAgain) {
  const struct {
    const char* HostMessage;
    const char* Certificate;
    bool WindowMode;
    bool Offered;
  } cases[] = {
      {"Unknown purchase", "", true, true},
      {"", "", true, false},                                // a network fault
      {"Unknown purchase", "self-signed", true, false},    // a certificate
      {"Unknown purchase", "", false, false},               // nobody to type it
  };
  for (const auto& c : cases) {
    CWizardReport report;
    report.HostMessage = c.HostMessage;
    report.CertificateProblem = c.Certificate;
    OpenFrame();
    Frame->Page08.StartsWorker = false;
    int asked = 0;
    bool entered = false;
    if (c.WindowMode) Frame->SetPurchaseEntry([&](QWidget* owner) {
      EXPECT_EQ(owner, Frame->GetWidget());
      ++asked;
      return entered;
    });
    ASSERT_TRUE(Frame->EnterState(ST_CONNECT_ERROR, report));
    EXPECT_EQ(Frame->PageErr.ClickDlgItem(IDC_ENTER_PURCHASE), c.Offered) << c.HostMessage << c.Certificate;
    if (!c.Offered) continue;
    EXPECT_EQ(Frame->PageErr.GetDlgItemText(IDC_ENTER_PURCHASE), "&Enter Purchase...");
    ASSERT_TRUE(WaitUntil([&] { return asked == 1; }));
    EXPECT_EQ(Frame->GetCurrentState(), ST_CONNECT_ERROR) << "cancelled";
    entered = true;
    ASSERT_TRUE(Frame->PageErr.ClickDlgItem(IDC_ENTER_PURCHASE));
    ASSERT_TRUE(WaitForState(ST_ACQUIRE_INFO));
    EXPECT_EQ(asked, 2);
    // The acquisition shows it is busy: a bar with no range moves by itself.
    auto* bar = Frame->Page08.GetControl<QProgressBar>(IDC_PROGRESS);
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(bar->isVisibleTo(Frame->Page08.GetWidget()));
    EXPECT_EQ(bar->maximum(), 0);
  }
}

class CRecordingNotifier : public CDesktopNotifier {
public:
  CRecordingNotifier() : CDesktopNotifier(QDBusConnection(QStringLiteral("recording-no-bus"))) {}
  bool Notify(const QString& summary, const QString& body) override {
    Sent << summary + QStringLiteral(" | ") + body;
    return true;
  }
  QStringList Sent;
};

// The install commands starting hide the wizard, which says so; the
// download's end is told only when the window is out of sight.
TEST_F(DesktopFrame, NotifiesWhatTheWindowCannotShow) {
  LoadList({"DL,0,demo.bin," + QString(32, 'a') + ",10", "SN,0,Demo-ja,5,Demo", "TD,," + Logs.Path()});
  App->UiLanguage = LANG_ENGLISH_US;
  SetUiLanguage(LANG_ENGLISH_US);
  CRecordingNotifier notifier;
  OpenFrame();
  Frame->SetNotifier(&notifier);
  const QString saved = App->DownloadList.GetOutputFilePath();
  ASSERT_TRUE(Frame->EnterState(ST_DOWNLOAD_COMPLETE));
  EXPECT_TRUE(notifier.Sent.isEmpty()) << "the window shows it";
  Frame->GetWidget()->showMinimized();
  ASSERT_TRUE(Frame->EnterState(ST_DOWNLOAD_COMPLETE));
  Frame->GetWidget()->hide();
  ASSERT_TRUE(Frame->EnterState(ST_DOWNLOAD_COMPLETE));
  EXPECT_EQ(notifier.Sent, QStringList(2, "Demo | The download is complete. It was saved to " + saved));
  notifier.Sent.clear();
  Frame->GetWidget()->show();
  ASSERT_TRUE(Frame->EnterState(ST_INSTALLING));
  EXPECT_EQ(notifier.Sent, QStringList{"Demo | The installation has started. The download was saved to " + saved});
  Frame.reset();
}

// A second start that names another purchase is told the wizard is busy;
// the same purchase, or none, only brings the wizard forward.
TEST(SecondStart, NamingAnotherPurchaseIsToldTheWizardIsBusy) {
  CTempFolder logs;
  CMessageBoxResponder responder{IDOK};
  CParcel2Program app("-P 17 -K k", logs.Path());
  ASSERT_TRUE(app.PrepareInstance());
  for (const QStringList& same : {QStringList{}, QStringList{"-P", "17", "-K", "x"},
                                  QStringList{"parcel-two://purchase?no=17&key=k"}})
    app.OnSecondStart(same);
  EXPECT_TRUE(responder.Asked().empty());
  SetUiLanguage(LANG_ENGLISH_US);
  app.OnSecondStart({"parcel2://purchase?no=18&key=k"});
  app.OnSecondStart({"-P", "19"});
  ASSERT_EQ(responder.Asked().size(), 2u);
  EXPECT_EQ(responder.Asked()[1].Text, "This download program is already running. Finish or cancel the download of "
                                       "purchase 17 before you start another one.");
  EXPECT_EQ(responder.Asked()[1].Caption, "QUILLMAR Software Download");
  SetUiLanguage(0);
}

// The notification service as a desktop runs it, on a bus of the test's own.
class CFakeNotifications : public QDBusVirtualObject {
public:
  QString introspect(const QString&) const override { return QString(); }
  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    {
      std::lock_guard<std::mutex> lock(Lock);
      Calls << message.arguments();
    }
    connection.send(message.createReply(QVariantList{7u}));
    return true;
  }
  QList<QVariantList> Received() const {
    std::lock_guard<std::mutex> lock(Lock);
    return Calls;
  }

private:
  mutable std::mutex Lock;
  QList<QVariantList> Calls;
};

// The product and the place go to the service; without the service the
// call ends in an error that costs nothing, and without a bus nothing is sent.
TEST(DesktopNotifier, NamesTheProductAndWhereItWasSaved) {
  const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
  if (daemon.isEmpty()) GTEST_SKIP() << "no dbus-daemon";
  // A bus that starts nothing: no notification daemon the machine has
  // installed may answer in the fake's place.
  CTempFolder folder;
  const QString config = folder.Write("bus.conf",
      "<busconfig><type>session</type><listen>unix:tmpdir=" + folder.Path().toUtf8() + "</listen>"
      "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
      "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>");
  QProcess bus;
  bus.start(daemon, {"--config-file=" + config, "--nofork", "--print-address"});
  ASSERT_TRUE(bus.waitForReadyRead(10000));
  const QString address = QString::fromUtf8(bus.readLine()).trimmed();
  ASSERT_FALSE(address.isEmpty());
  {
    QDBusConnection client = QDBusConnection::connectToBus(address, QStringLiteral("notifier-test-client"));
    ASSERT_TRUE(client.isConnected());
    CDesktopNotifier nobody(client);
    ASSERT_TRUE(nobody.Notify("Demo", "nobody listens"));
    EXPECT_EQ(nobody.Flush(), 0) << "the bus answers for a service it does not have";

    QDBusConnection service = QDBusConnection::connectToBus(address, QStringLiteral("notifier-test-service"));
    // Answers on a thread of its own: Flush blocks this one.
    CFakeNotifications fake;
    QThread serviceThread;
    fake.moveToThread(&serviceThread);
    serviceThread.start();
    ASSERT_TRUE(service.registerVirtualObject(QStringLiteral("/org/freedesktop/Notifications"), &fake));
    ASSERT_TRUE(service.registerService(QStringLiteral("org.freedesktop.Notifications")));
    CDesktopNotifier notifier(client);
    ASSERT_TRUE(notifier.Notify("Demo", "Saved to /home/me/QUILLMAR_Download/demo.bin"));
    EXPECT_EQ(notifier.Flush(), 1);
    const QList<QVariantList> calls = fake.Received();
    ASSERT_EQ(calls.size(), 1);
    ASSERT_EQ(calls[0].size(), 8);
    EXPECT_EQ(calls[0][0].toString(), "Parcel2");
    EXPECT_EQ(calls[0][3].toString(), "Demo");
    EXPECT_EQ(calls[0][4].toString(), "Saved to /home/me/QUILLMAR_Download/demo.bin");
    service.unregisterObject(QStringLiteral("/org/freedesktop/Notifications"));
    serviceThread.quit();
    serviceThread.wait();
  }
  QDBusConnection::disconnectFromBus(QStringLiteral("notifier-test-client"));
  QDBusConnection::disconnectFromBus(QStringLiteral("notifier-test-service"));
  bus.terminate();
  bus.waitForFinished(10000);

  CDesktopNotifier noBus(QDBusConnection(QStringLiteral("notifier-test-none")));
  EXPECT_FALSE(noBus.Notify("Demo", "x"));
  EXPECT_EQ(noBus.Flush(), 0);
}

}  // namespace
