#include "app/Parcel2Program.h"
#include "app/PurchaseDlg.h"
#include "log/PurchaseKeyMask.h"
#include "platform/MessageBox.h"
#include "platform/UiLanguage.h"
#include "res/DialogTemplates.h"
#include "log/Log.h"
#include "support/EventLoop.h"
#include "support/LogLines.h"
#include "support/QtPrint.h"
#include "support/TempFolder.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

// The dialog as a keyboard user meets it: typing goes into the focused
// control, Tab moves on, Enter presses OK.
TEST(PurchaseDialog, TakesDigitsThenTheKeyBehindDotsAndEnterWhenBothAreThere) {
  SetUiLanguage(LANG_ENGLISH_US);
  CPurchaseDlg dialog;
  ASSERT_TRUE(dialog.CreateModeless());
  QWidget* window = dialog.GetWidget();
  auto* number = dialog.GetControl<QLineEdit>(IDC_PURCHASE_NO);
  auto* key = dialog.GetControl<QLineEdit>(IDC_PURCHASE_KEY);
  auto* ok = dialog.GetControl<QPushButton>(IDC_OK);
  EXPECT_EQ(window->focusWidget(), number);
  EXPECT_FALSE(ok->isEnabled());
  EXPECT_EQ(key->echoMode(), QLineEdit::Password);

  // A letter is refused with the reason, never dropped into another number.
  QTest::keyClicks(window->focusWidget(), "10O1");
  EXPECT_EQ(number->text(), "10O1");
  EXPECT_EQ(dialog.GetDlgItemText(IDC_PURCHASE_PROBLEM), "The purchase number takes digits only.");
  number->clear();
  QTest::keyClicks(window->focusWidget(), "4242");
  EXPECT_TRUE(dialog.GetDlgItemText(IDC_PURCHASE_PROBLEM).isEmpty());
  QTest::keyClick(window->focusWidget(), Qt::Key_Return);
  EXPECT_FALSE(dialog.IsEnded()) << "no key yet";
  QTest::keyClick(window->focusWidget(), Qt::Key_Tab);
  EXPECT_EQ(window->focusWidget(), key);
  // The wizard's command line would cut a key with a space in two.
  QTest::keyClicks(window->focusWidget(), "my key");
  EXPECT_FALSE(ok->isEnabled());
  EXPECT_EQ(dialog.GetDlgItemText(IDC_PURCHASE_PROBLEM), "The purchase key cannot contain spaces.");
  key->clear();
  QTest::keyClicks(window->focusWidget(), " my-key&x \t");
  EXPECT_TRUE(ok->isEnabled());
  EXPECT_TRUE(dialog.GetDlgItemText(IDC_PURCHASE_PROBLEM).isEmpty());

  // "show" shows the key and hides it again.
  auto* show = dialog.GetControl<QCheckBox>(IDC_SHOW_KEY);
  show->click();
  EXPECT_EQ(key->echoMode(), QLineEdit::Normal);
  show->click();
  EXPECT_EQ(key->echoMode(), QLineEdit::Password);

  QTest::keyClick(key, Qt::Key_Return);
  ASSERT_TRUE(dialog.IsEnded());
  EXPECT_EQ(dialog.GetResult(), IDOK);
  EXPECT_EQ(dialog.Number, 4242);
  EXPECT_EQ(dialog.Key, "my-key&x") << "the ends of a pasted key are trimmed";
  SetUiLanguage(0);
}

TEST(PurchaseDialog, OkWaitsForANumberTheHostCanTake) {
  CPurchaseDlg dialog;
  ASSERT_TRUE(dialog.CreateModeless());
  auto* ok = dialog.GetControl<QPushButton>(IDC_OK);
  dialog.SetDlgItemText(IDC_PURCHASE_KEY, "k");
  const struct {
    const char* Number;
    bool Enabled;
  } cases[] = {{"", false}, {"0", false}, {"000", false}, {"1", true}, {"0042", true},
               {"2147483647", true}, {"2147483648", false}, {"9999999999", false}};
  for (const auto& c : cases) {
    dialog.SetDlgItemText(IDC_PURCHASE_NO, c.Number);
    EXPECT_EQ(ok->isEnabled(), c.Enabled) << c.Number;
  }
  dialog.SetDlgItemText(IDC_PURCHASE_NO, "5");
  dialog.SetDlgItemText(IDC_PURCHASE_KEY, "  ");
  EXPECT_FALSE(ok->isEnabled()) << "blanks are no key";
  QTest::keyClick(dialog.GetWidget(), Qt::Key_Escape);
  EXPECT_EQ(dialog.GetResult(), IDCANCEL);
}

// The program up to the frame: the command line, then the link or the
// dialog. Modal dialogs are answered by key presses from a timer.
class PurchaseStart : public ::testing::Test {
protected:
  // The key to mask is the process's; a test before may have left its own.
  void SetUp() override { SetMaskedPurchaseKey(QString()); }
  void TearDown() override {
    SetUiLanguage(0);
    SetMaskedPurchaseKey(QString());
  }

  std::unique_ptr<CParcel2Program> Start(const QString& commandLine) {
    auto app = std::make_unique<CParcel2Program>(commandLine, Logs.Path());
    app->SetMayAskForPurchase(true);
    EXPECT_TRUE(app->PrepareInstance());
    return app;
  }

  // Once the purchase dialog is up, the keys go to whatever has the focus
  // (a QString is typed, an int is one key); a dialog still open after the
  // deadline is closed, and the test fails on what it expected.
  bool SettleTyping(CParcel2Program& app, std::vector<std::function<void(QWidget*)>> keys) {
    QTimer driver;
    QDeadlineTimer deadline(10000);
    bool typed = false;
    QObject::connect(&driver, &QTimer::timeout, [&] {
      QWidget* dialog = QApplication::activeModalWidget();
      if (!dialog) return;
      if (!typed) {
        typed = true;
        SeenNumber = dialog->findChild<QLineEdit*>("IDC_1020")->text();
        SeenFocus = dialog->focusWidget() ? dialog->focusWidget()->objectName() : QString();
        for (const auto& key : keys) key(dialog->focusWidget());
      } else if (deadline.hasExpired()) {
        QTest::keyClick(dialog, Qt::Key_Escape);
      }
    });
    driver.start(10);
    return app.SettlePurchase();
  }
  static std::function<void(QWidget*)> Type(const QString& text) {
    return [text](QWidget* w) { QTest::keyClicks(w, text); };
  }
  static std::function<void(QWidget*)> Press(Qt::Key key) {
    return [key](QWidget* w) { QTest::keyClick(w, key); };
  }
  void ExpectNoKeyInTheLog(const QString& key) {
    for (const QString& line : ReadLogLines(Logs.Path())) EXPECT_FALSE(line.contains(key)) << line.toStdString();
  }

  CTempFolder Logs;
  CMessageBoxResponder Responder{IDNO};
  QString SeenNumber;
  QString SeenFocus;
};

TEST_F(PurchaseStart, FromTheMenuTheCustomerTypesNumberTabKeyEnter) {
  auto app = Start("-L");
  ASSERT_TRUE(SettleTyping(*app, {Type("4242"), Press(Qt::Key_Tab), Type("s3cret-key"), Press(Qt::Key_Return)}));
  EXPECT_EQ(app->PurchaseNo, 4242);
  EXPECT_EQ(app->PurchaseKey, "s3cret-key");
  EXPECT_EQ(app->GetStartExitCode(), 0);
  EXPECT_TRUE(ReadLogLines(Logs.Path()).contains("INFOM  Purchase No=4242 (entered)"));
  LogInfo(app->Logger, "Error msg=%s", QString("unknown key s3cret-key"));
  EXPECT_TRUE(ReadLogLines(Logs.Path()).contains("INFOM  Error msg=unknown key ********"));
  ExpectNoKeyInTheLog("s3cret");
}

TEST_F(PurchaseStart, ANumberGivenLeavesTheKeyAndCancelEndsTheProgram) {
  auto app = Start("-L -P 17");
  EXPECT_FALSE(SettleTyping(*app, {Type("abc"), Press(Qt::Key_Escape)}));
  EXPECT_EQ(SeenNumber, "17");
  EXPECT_EQ(SeenFocus, "IDC_1021");
  EXPECT_EQ(app->GetStartExitCode(), 0) << "the customer's own choice";
  EXPECT_TRUE(ReadLogLines(Logs.Path()).contains("INFOM  The purchase dialog was cancelled"));

  // With both on the command line, or nobody to ask, there is no dialog.
  for (const char* line : {"-P 17 -K k", "-P 17"}) {
    auto quiet = Start(line);
    quiet->SetMayAskForPurchase(QString(line).contains("-K"));
    EXPECT_TRUE(quiet->SettlePurchase());
    EXPECT_EQ(quiet->PurchaseNo, 17);
  }
}

TEST_F(PurchaseStart, ALinkStandsForTheSwitchesAndItsKeyNeverReachesTheLog) {
  auto app = Start("-L");
  app->SetPurchaseLink(ParsePurchaseLink("parcel2://purchase?no=42&key=s3cret%26KEY%3Dx&host=http://127.0.0.1:9",
                                         MakersHosts()));
  ASSERT_TRUE(app->SettlePurchase());
  EXPECT_EQ(app->PurchaseNo, 42);
  EXPECT_EQ(app->PurchaseKey, "s3cret&KEY=x");
  EXPECT_EQ(app->HostUrl, "http://127.0.0.1:9");
  EXPECT_TRUE(Responder.Asked().empty());
  const QStringList lines = ReadLogLines(Logs.Path());
  EXPECT_TRUE(lines.contains("INFOM  Purchase link: Purchase No=42")) << lines.join("\n").toStdString();
  EXPECT_TRUE(lines.contains("INFOM  Host=http://127.0.0.1:9"));
  LogInfo(app->Logger, "The host said: %s", QString("bad key s3cret&KEY=x"));
  EXPECT_TRUE(ReadLogLines(Logs.Path()).contains("INFOM  The host said: bad key ********"))
      << "masked like a key given with -K";
  ExpectNoKeyInTheLog("s3cret");
}

// The question names the scheme, the host and its port, nothing else the
// link wrote.
TEST_F(PurchaseStart, AnUnknownHostAsksWithNoTheDefaultAndABrokenLinkIsRefused) {
  SetUiLanguage(LANG_JAPANESE);
  const CPurchaseLink elsewhere =
      ParsePurchaseLink("parcel2://purchase?no=42&key=k&host=https://x.example:8443/Official/mirror/", MakersHosts());
  auto app = Start("-L");
  app->SetPurchaseLink(elsewhere);
  EXPECT_FALSE(app->SettlePurchase()) << "No";
  EXPECT_EQ(app->GetStartExitCode(), 1);
  EXPECT_EQ(app->HostUrl, PARCEL2_DEFAULT_HOST);
  ASSERT_EQ(Responder.Asked().size(), 1u);
  EXPECT_EQ(Responder.Asked()[0].Text, u"https://x.example:8443 からダウンロードしますか？"_qs);
  EXPECT_EQ(Responder.Asked()[0].Type, unsigned(MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2));

  Responder.SetAnswer(IDYES);
  app = Start("-E");
  app->SetPurchaseLink(elsewhere);
  EXPECT_TRUE(app->SettlePurchase());
  EXPECT_EQ(app->HostUrl, "https://x.example:8443/Official/mirror/");
  EXPECT_EQ(Responder.Asked()[1].Text, "Download from https://x.example:8443?");

  app = Start("-E");
  app->SetPurchaseLink(ParsePurchaseLink("parcel2://purchase?no=42&key=%zz", MakersHosts()));
  EXPECT_FALSE(app->SettlePurchase());
  EXPECT_EQ(app->GetStartExitCode(), 1);
  ASSERT_EQ(Responder.Asked().size(), 3u);
  EXPECT_EQ(Responder.Asked()[2].Text,
            "This download link cannot be used.\n\nA value in the link is not encoded correctly.");
  EXPECT_EQ(Responder.Asked()[2].Type, unsigned(MB_OK | MB_ICONEXCLAMATION));
}

}  // namespace
