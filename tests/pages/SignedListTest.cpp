#include "support/ListHostFixture.h"
#include "support/QtPrint.h"
#include "support/SignedLists.h"

#include "pages/DlListThread.h"
#include "res/ResourceIds.h"
#include "res/Strings.h"

#include <QFileInfo>

namespace {

// The acquisition of a program built with the maker's keys (made here),
// against the host stand-in; and the keyless program's stored list.
class SignedListAcquisition : public CListHostFixture {
protected:
  void SetUp() override {
    CListHostFixture::SetUp();
    App->ListTrust.Keys = KeysOf({&Maker});
    App->ListTrust.Now = [] { return TEST_NOW; };
  }
  QString ListPath() const { return App->GetListFilePath(DEMO_PURCHASE_NO); }
  // What the host serves from now on.
  void Serve(const QByteArray& list) { ASSERT_TRUE(Host.SetListBytes(Published.ProductId, list)); }
  int BodyRequests() const { return Host.CountRequests(HOST_ANY_BODY); }
  QString FirstInstallCommand() const {
    const CInstallEntry* entry = App->DownloadList.GetInstallEntry(0);
    return entry ? entry->CmdName : QString();
  }

  CHostMakerKey Maker = NewMakerKey();
};

const QByteArray INSTALL = "IS,0,/bin/sh,demo.bin,0,1\r\n";

// A fetched list that fails ends on its own page with the reason, in
// either language; nothing of it is kept and no part is asked for. Try
// Again asks once more, and a good list goes on.
TEST_F(SignedListAcquisition, AFetchedListThatFailsEndsOnItsPageAndTryAgainFetchesAgain) {
  const QByteArray list = Published.ListBytes + INSTALL;
  const QByteArray good = SignedList(list, Maker);
  QByteArray changed = good;
  changed.replace("/bin/sh", "/bin/ex");
  const CHostMakerKey stranger = NewMakerKey();
  QString error;
  struct CCase {
    const char* Name;
    QByteArray Served;
    QString Reason;  // English, as the page shows it
    int Language = LANG_ENGLISH_US;
  };
  const CCase cases[] = {
      {"a byte changed after signing", changed, "does not match"},
      {"not signed", list, "not signed"},
      {"not signed, in Japanese", list, QString::fromUtf16(u"署名がない"), LANG_JAPANESE},
      {"another key", SignedList(list, stranger), "unknown key"},
      {"expired", SignedList(list, Maker, 5, TEST_NOW.addSecs(-1)), "expired on 2030-06-01 11:59:59 UTC"},
      {"no SV", list + SignatureLine(list, Maker, &error), "not signed"},
      {"a line after SG", good + "IS,1,/bin/evil,,0,1\r\n", "does not match"},
  };
  bool first = true;
  for (const CCase& c : cases) {
    SCOPED_TRACE(c.Name);
    SetUiLanguage(c.Language);
    Serve(c.Served);
    Host.ClearRequests();
    const qsizetype linesBefore = LogLines().size();
    const int visits = Visits[ST_LIST_NOT_VERIFIED];
    if (first) StartAcquisition();
    else ASSERT_TRUE(Frame->PageErr.ClickDlgItem(IDOK));  // Try Again
    first = false;
    ASSERT_TRUE(WaitForVisit(ST_LIST_NOT_VERIFIED, visits));
    EXPECT_EQ(ListRequests(), 1) << "no second attempt";
    EXPECT_EQ(Frame->PageErr.GetDlgItemText(IDC_MESSAGE), FormatString(IDS_LIST_NOT_VERIFIED, c.Reason));
    EXPECT_EQ(Frame->GetTitleText(), LoadString(IDS_TITLE_LIST_NOT_VERIFIED));
    EXPECT_FALSE(QFileInfo::exists(ListPath()));
    EXPECT_FALSE(QFileInfo::exists(ListPath() + ".download"));
    EXPECT_EQ(App->DownloadList.GetDownloadEntryCount(), 0) << "no record of it was read";
    EXPECT_EQ(LogLines().mid(linesBefore).filter("ERROR").size(), 1);
    if (c.Language == LANG_JAPANESE) {
      EXPECT_TRUE(Frame->PageErr.GetDlgItemText(IDC_MESSAGE).startsWith(
          QString::fromUtf16(u"ダウンロード情報を検証できませんでした（署名がない）。")));
    }
  }
  EXPECT_TRUE(LogLines().contains("ERROR  Download list not verified:unknown key"));

  Serve(good);
  ASSERT_TRUE(Frame->PageErr.ClickDlgItem(IDOK));
  ASSERT_TRUE(WaitForState(ST_CONFIRM_SOFTWARE));
  EXPECT_EQ(FirstInstallCommand(), "/bin/sh");
  EXPECT_EQ(CTempFolder::Read(ListPath()), good + "TD,,\r\n");
  EXPECT_EQ(BodyRequests(), 0);
}

// A stored list that was changed on disk (its install command, or a line
// added after the signature) is deleted unread and fetched again: its
// command never reaches the list.
TEST_F(SignedListAcquisition, AStoredListEditedOnDiskIsFetchedAgain) {
  const QByteArray good = SignedList(Published.ListBytes + INSTALL, Maker);
  Serve(good);
  StartAcquisition();
  ASSERT_TRUE(WaitForState(ST_CONFIRM_SOFTWARE));
  const QByteArray stored = CTempFolder::Read(ListPath());
  QByteArray edited = stored;
  edited.replace("/bin/sh", "/bin/ex");
  const QByteArray edits[] = {edited, stored + "IS,0,/bin/ex,demo.bin,0,1\r\n", Published.ListBytes + INSTALL};
  for (const QByteArray& edit : edits) {
    QFile file(ListPath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(edit);
    file.close();
    Host.ClearRequests();
    AcquireAgain();
    ASSERT_TRUE(WaitForState(ST_CONFIRM_SOFTWARE));
    EXPECT_EQ(ListRequests(), 1);
    EXPECT_EQ(FirstInstallCommand(), "/bin/sh");
    EXPECT_EQ(CTempFolder::Read(ListPath()), good + "TD,,\r\n");
  }
  const QStringList lines = LogLines();
  EXPECT_EQ(lines.count("ERROR  Invalid download-list-file:does not match"), 2);
  EXPECT_EQ(lines.count("ERROR  Invalid download-list-file:not signed"), 1);
  EXPECT_TRUE(lines.filter("/bin/ex").isEmpty()) << "the edited command was never read";

  // The good stored list is used without asking.
  Host.ClearRequests();
  AcquireAgain();
  ASSERT_TRUE(WaitForState(ST_CONFIRM_SOFTWARE));
  EXPECT_EQ(ListRequests(), 0);
}

// The highest serial is the user's, not the temporary folder's: a fresh
// one does not let an older list back in.
TEST_F(SignedListAcquisition, ALowerSerialAfterAHigherIsRefusedInAFreshTemporaryFolder) {
  Serve(SignedList(Published.ListBytes, Maker, 7));
  StartAcquisition();
  ASSERT_TRUE(WaitForState(ST_CONFIRM_SOFTWARE));
  Frame.reset();

  CTempFolder freshTemp;
  UseTempFolder(freshTemp);
  Serve(SignedList(Published.ListBytes, Maker, 6));
  StartAcquisition();
  ASSERT_TRUE(WaitForState(ST_LIST_NOT_VERIFIED));
  EXPECT_EQ(Frame->PageErr.GetDlgItemText(IDC_MESSAGE),
            FormatString(IDS_LIST_NOT_VERIFIED, QStringLiteral("older than the list seen before")));
  EXPECT_FALSE(QFileInfo::exists(ListPath()));

  Serve(SignedList(Published.ListBytes, Maker, 7));
  ASSERT_TRUE(Frame->PageErr.ClickDlgItem(IDOK));
  ASSERT_TRUE(WaitForState(ST_CONFIRM_SOFTWARE)) << "the same serial again is fine";
}

// Without keys a stored list is used only for the host and the purchase key
// it was fetched with; for any other it is fetched again.
TEST_F(SignedListAcquisition, TheKeylessProgramUsesAStoredListOnlyForItsHostAndKey) {
  App->ListTrust.Keys = CMakerKeys();
  StartAcquisition();
  ASSERT_TRUE(WaitForState(ST_CONFIRM_SOFTWARE));
  EXPECT_EQ(ListRequests(), 1);
  Host.ClearRequests();
  AcquireAgain();
  ASSERT_TRUE(WaitForState(ST_CONFIRM_SOFTWARE));
  EXPECT_EQ(ListRequests(), 0) << "same host, same key";

  // The same server under another name is another host.
  App->HostUrl = QStringLiteral("http://localhost:%1").arg(Host.GetPort());
  AcquireAgain();
  ASSERT_TRUE(WaitForState(ST_CONFIRM_SOFTWARE));
  EXPECT_EQ(ListRequests(), 1);
  EXPECT_EQ(LogLines().count("ERROR  Invalid download-list-file:fetched from another host or with another purchase key"), 1);

  App->PurchaseKey = QStringLiteral("another key");
  AcquireAgain();
  ASSERT_TRUE(WaitForState(ST_CONNECT_ERROR)) << "asked again, and the host turned the key down";
  EXPECT_EQ(ListRequests(), 4);
  EXPECT_FALSE(QFileInfo::exists(ListPath()));
}

}  // namespace
