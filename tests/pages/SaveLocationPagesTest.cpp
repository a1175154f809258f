#include "support/FakeDiskEnvironment.h"
#include "support/FixedFont.h"
#include "support/QtPrint.h"
#include "support/WizardFixture.h"

#include "res/ResourceIds.h"
#include "res/Strings.h"

#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QTest>

namespace {

const QString D0 = "00000000000000000000000000000000";
const QString D1 = "11111111111111111111111111111111";
const QString D2 = "22222222222222222222222222222222";

// A machine with two fixed volumes in a scratch folder: "full" comes first
// and has little room, "roomy" has plenty. The product is 1000000 bytes in
// two parts of 600000 and 400000, so a fresh folder needs 2000000 bytes.
class SaveLocationPages : public CWizardFixture {
protected:
  void SetUp() override {
    CWizardFixture::SetUp();
    Full = Disk.File("full");
    Roomy = Disk.File("roomy");
    QDir().mkpath(Full);
    QDir().mkpath(Roomy);
    Machine->MountTable = "/dev/sda1 " + Full + " ext4 rw 0 0\n/dev/sdb1 " + Roomy + " ext4 rw 0 0\n";
    Machine->Space[Full] = {100000, 1ull << 40, 100000};
    Machine->Space[Roomy] = {5ull << 30, 1ull << 40, 5ull << 30};
    App->DownloadList.ListFilePath = Disk.Write("list.lst", "VN,100\r\n");
    LoadList({"DL,0,prod.bin," + D0 + ",1000000", "DL,1,p1," + D1 + ",600000", "DL,2,p2," + D2 + ",400000",
              "MS,2,Starting the download."});
  }

  // A previous folder holding the finished product and the first part.
  QString MakePreviousFolder(const QString& volume) {
    const QString old = volume + "/Old";
    QDir().mkpath(old + "/DownloadTemp");
    Disk.Write(old.mid(Disk.Path().size() + 1) + "/prod.bin", "product");
    Disk.Write(old.mid(Disk.Path().size() + 1) + "/DownloadTemp/DownloadFile_" + D1 + ".TMP", "part");
    LoadList({"TD,," + old});
    App->DownloadList.GetDownloadEntry(1)->IsDownloaded = 1;  // 1400000 bytes still needed there
    return old;
  }

  void EnterState(int state) {
    if (!Frame) OpenFrame();
    ASSERT_TRUE(Frame->EnterState(state));
    ASSERT_TRUE(WaitForState(state));
  }
  QString Recorded() const { return QString::fromUtf8(CTempFolder::Read(App->DownloadList.ListFilePath)); }
  std::vector<unsigned> AskedTypes() const {
    std::vector<unsigned> types;
    for (const CMessageBoxRequest& asked : Responder.Asked()) types.push_back(asked.Type);
    return types;
  }
  QString LastAsked() const { return Responder.Asked().empty() ? QString() : Responder.Asked().back().Text; }

  CTempFolder Disk;
  CDiskEnvironmentScope Machine{std::make_shared<CFakeDiskEnvironment>()};
  QString Full;
  QString Roomy;
};

TEST_F(SaveLocationPages, ConfirmationProposesRoomAndAcceptsEqualSpace) {
  // Exactly the space needed is not "more": the first volume is passed over.
  Machine->Space[Full] = {2000000, 1ull << 40, 2000000};
  EnterState(ST_CONFIRM_FOLDER);
  CParcel2Dlg12& page = Frame->Page12;
  const QString proposed = Roomy + "/QUILLMAR_Download";
  EXPECT_EQ(page.GetDlgItemText(IDC_FOLDER), proposed);
  EXPECT_EQ(page.GetDlgItemText(IDC_REQUIRED_SPACE), "1.90 MB");
  EXPECT_EQ(page.GetDlgItemText(IDC_FREE_SPACE), "5.00 GB");
  EXPECT_TRUE(LogLines().contains("INFOM  Target save dir='" + proposed + "'"));

  // The timer measures again.
  ASSERT_TRUE(FindMessageWindow(page.GetSafeHwnd())->HasTimer(CParcel2Dlg12::UPDATE_TIMER));
  Machine->Space[Roomy] = {3ull << 30, 1ull << 40, 3ull << 30};
  static_cast<CMessageSink&>(page).OnTimer(CParcel2Dlg12::UPDATE_TIMER);
  EXPECT_EQ(page.GetDlgItemText(IDC_FREE_SPACE), "3.00 GB");

  ASSERT_TRUE(page.ClickDlgItem(IDOK));
  ASSERT_TRUE(WaitForState(ST_MESSAGE_2));
  EXPECT_TRUE(QFileInfo(proposed).isDir());
  EXPECT_EQ(App->DownloadList.TargetSaveDir, proposed);
  EXPECT_EQ(App->DownloadList.DownloadTempDir, proposed + "/DownloadTemp");
  EXPECT_EQ(Recorded(), "VN,100\r\nTD,," + proposed + "\r\n");
  EXPECT_EQ(Answered(), 0);

  // Next time the folder is the previous one; with a part received it needs
  // 1400000 bytes, and exactly that is enough here.
  App->DownloadList.GetDownloadEntry(1)->IsDownloaded = 1;
  Machine->Space[Roomy] = {1400000, 1ull << 40, 1400000};
  EnterState(ST_CONFIRM_FOLDER);
  EXPECT_EQ(page.GetDlgItemText(IDC_FOLDER), proposed);
  EXPECT_EQ(page.GetDlgItemText(IDC_REQUIRED_SPACE), "1.33 MB");
  // Leaving it is asked first; No stays.
  ASSERT_TRUE(page.ClickDlgItem(IDC_BACK));
  EXPECT_EQ(LastAsked(), LoadString(IDS_CHANGE_FOLDER));
  EXPECT_EQ(Responder.Asked().back().Caption, "QUILLMAR Software Download");
  EXPECT_EQ(Responder.Asked().back().Owner, page.GetSafeHwnd());
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(Frame->GetCurrentState(), ST_CONFIRM_FOLDER);
  ASSERT_TRUE(page.ClickDlgItem(IDOK));
  ASSERT_TRUE(WaitForState(ST_MESSAGE_2));
  EXPECT_EQ(AskedTypes(), std::vector<unsigned>{0x34}) << "equal space needs no message";

  // Yes leads to the drive page.
  EnterState(ST_CONFIRM_FOLDER);
  Responder.SetAnswer(IDYES);
  ASSERT_TRUE(Frame->Page12.ClickDlgItem(IDC_BACK));
  ASSERT_TRUE(WaitForState(ST_SELECT_DRIVE));
}

TEST_F(SaveLocationPages, DrivePageChargesAnotherVolumeTwiceAndKeepsTheOldProduct) {
  const QString old = MakePreviousFolder(Full);
  EnterState(ST_SELECT_DRIVE);
  CParcel2Dlg13& page = Frame->Page13;
  auto* combo = page.GetControl<QComboBox>(IDC_DRIVE_LIST);
  ASSERT_EQ(combo->count(), 2);
  EXPECT_EQ(combo->itemText(0), "Drive " + Full);
  EXPECT_EQ(combo->itemText(1), "Drive " + Roomy);
  EXPECT_EQ(combo->currentIndex(), 0) << "the previous folder's volume";
  EXPECT_EQ(page.GetDlgItemText(IDC_FOLDER), Full + "/QUILLMAR_Download");
  EXPECT_EQ(page.GetDlgItemText(IDC_REQUIRED_SPACE), "1.33 MB") << "what is still missing there";
  EXPECT_EQ(page.GetDlgItemText(IDC_FREE_SPACE), "  97 KB");

  Machine->Space[Roomy] = {2000000, 1ull << 40, 2000000};
  combo->setCurrentIndex(1);
  const QString folder = Roomy + "/QUILLMAR_Download";
  EXPECT_EQ(page.GetDlgItemText(IDC_FOLDER), folder);
  EXPECT_EQ(page.GetDlgItemText(IDC_REQUIRED_SPACE), "1.90 MB") << "the whole product twice";
  EXPECT_TRUE(LogLines().contains("INFOM  Target save path='" + folder + "'"));

  // No: nothing is thrown away or created.
  ASSERT_TRUE(page.ClickDlgItem(IDOK));
  EXPECT_EQ(AskedTypes(), std::vector<unsigned>{0x34});
  EXPECT_EQ(LastAsked(), LoadString(IDS_FOLDER_DIFFERS));
  EXPECT_TRUE(QFileInfo::exists(old + "/DownloadTemp/DownloadFile_" + D1 + ".TMP"));
  EXPECT_FALSE(QFileInfo::exists(folder));
  EXPECT_EQ(App->DownloadList.TargetSaveDir, old);

  // Yes: the parts and the working folder go, the finished product stays.
  Responder.SetAnswer(IDYES);
  ASSERT_TRUE(page.ClickDlgItem(IDOK));
  ASSERT_TRUE(WaitForState(ST_MESSAGE_2));
  EXPECT_FALSE(QFileInfo::exists(old + "/DownloadTemp"));
  EXPECT_TRUE(QFileInfo::exists(old + "/prod.bin"));
  EXPECT_TRUE(QFileInfo(folder).isDir());
  EXPECT_EQ(App->DownloadList.TargetSaveDir, folder);
  EXPECT_TRUE(Recorded().endsWith("TD,," + folder + "\r\n"));
}

TEST_F(SaveLocationPages, FolderPageChecksCreatesAndNeedsMoreThanRequired) {
  const QString old = MakePreviousFolder(Roomy);
  Machine->Space[Roomy] = {1400000, 1ull << 40, 1400000};
  EnterState(ST_SELECT_FOLDER);
  CParcel2Dlg05& page = Frame->Page05;
  auto* edit = page.GetControl<QLineEdit>(IDC_FOLDER);
  EXPECT_EQ(edit->text(), old);
  EXPECT_TRUE(IsTheSystemFixedFontAt14Pixels(edit->font()));
  EXPECT_EQ(page.GetDlgItemText(IDC_REQUIRED_SPACE), "1 MB");
  EXPECT_EQ(page.GetDlgItemText(IDC_FREE_SPACE), "1.33 MB");

  // An empty edit disables Next; one character enables it again.
  edit->clear();
  EXPECT_FALSE(page.GetDlgItem(IDOK)->isEnabled());
  QTest::keyClicks(edit, "/");
  EXPECT_TRUE(page.GetDlgItem(IDOK)->isEnabled());
  EXPECT_EQ(page.GetDlgItemText(IDC_FREE_SPACE), "   0 KB");

  // The chooser starts at the text, and its answer is taken whole.
  QString title, start;
  const QString deep = Roomy + "/" + QString(300, 'd');
  page.BrowseForFolder = [&](QWidget*, const QString& t, const QString& s) {
    title = t;
    start = s;
    return deep;
  };
  ASSERT_TRUE(page.ClickDlgItem(IDC_BROWSE));
  EXPECT_EQ(title, "Select a folder to store downloaded files");
  EXPECT_EQ(start, "/");
  EXPECT_EQ(edit->text(), deep);
  page.BrowseForFolder = [](QWidget*, const QString&, const QString&) { return QString(); };
  ASSERT_TRUE(page.ClickDlgItem(IDC_BROWSE));
  EXPECT_EQ(edit->text(), deep) << "cancelled";

  // A folder the list could not record is refused before any question.
  Responder.SetAnswer(IDYES);
  edit->setText(Roomy + "/a,b");
  ASSERT_TRUE(page.ClickDlgItem(IDOK));
  EXPECT_EQ(AskedTypes(), std::vector<unsigned>{0x10});
  EXPECT_EQ(LastAsked(), LoadString(IDS_NOT_A_FOLDER));
  // So is a name too long to qualify, after the change was agreed to.
  edit->setText(deep);
  ASSERT_TRUE(page.ClickDlgItem(IDOK));
  EXPECT_EQ(AskedTypes(), (std::vector<unsigned>{0x10, 0x34, 0x10}));
  EXPECT_EQ(LastAsked(), LoadString(IDS_NOT_A_FOLDER));

  // Equal space is not enough here: nothing is deleted or created.
  const QString fresh = Roomy + "/sub/../New";
  edit->setText(fresh);
  ASSERT_TRUE(page.ClickDlgItem(IDOK));
  EXPECT_EQ(AskedTypes(), (std::vector<unsigned>{0x10, 0x34, 0x10, 0x34, 0x24, 0x10}));
  EXPECT_EQ(LastAsked(), LoadString(IDS_NOT_ENOUGH_SPACE));
  EXPECT_EQ(edit->text(), Roomy + "/New") << "the qualified form";
  EXPECT_FALSE(QFileInfo::exists(Roomy + "/New"));
  EXPECT_TRUE(QFileInfo::exists(old + "/DownloadTemp/DownloadFile_" + D1 + ".TMP"));

  // No to the change puts the previous folder back.
  Responder.SetAnswer(IDNO);
  ASSERT_TRUE(page.ClickDlgItem(IDOK));
  EXPECT_EQ(edit->text(), old);

  // One byte more, and it is settled.
  Machine->Space[Roomy] = {1400001, 1ull << 40, 1400001};
  Responder.SetAnswer(IDYES);
  edit->setText(fresh);
  ASSERT_TRUE(page.ClickDlgItem(IDOK));
  ASSERT_TRUE(WaitForState(ST_MESSAGE_2));
  EXPECT_TRUE(QFileInfo(Roomy + "/New").isDir());
  EXPECT_FALSE(QFileInfo::exists(old + "/DownloadTemp"));
  EXPECT_TRUE(QFileInfo::exists(old + "/prod.bin"));
  EXPECT_EQ(App->DownloadList.TargetSaveDir, Roomy + "/New");
  EXPECT_TRUE(Recorded().endsWith("TD,," + Roomy + "/New\r\n"));
}

TEST_F(SaveLocationPages, WithoutAVolumeWithRoomOnlyChangeFolderLeadsOn) {
  SetUiLanguage(LANG_JAPANESE);
  Machine->Space[Roomy] = {2000000, 1ull << 40, 2000000};
  EnterState(ST_CONFIRM_FOLDER);
  ASSERT_TRUE(WaitForAnswers(1));
  const CMessageBoxRequest asked = Responder.Asked()[0];
  EXPECT_EQ(asked.Text, LoadString(IDS_NOT_ENOUGH_SPACE, LANG_JAPANESE));
  EXPECT_EQ(asked.Caption, QString::fromUtf16(u"QUILLMAR ソフトウェア・ダウンロード"));
  EXPECT_EQ(asked.Type, 0x10u);
  EXPECT_EQ(Frame->Page12.GetDlgItemText(IDC_FOLDER), "");
  ASSERT_TRUE(Frame->Page12.ClickDlgItem(IDOK));
  EXPECT_EQ(Answered(), 2);
  EXPECT_EQ(LastAsked(), LoadString(IDS_NOT_ENOUGH_SPACE, LANG_JAPANESE));

  // No previous folder: no question.
  ASSERT_TRUE(Frame->Page12.ClickDlgItem(IDC_BACK));
  ASSERT_TRUE(WaitForState(ST_SELECT_DRIVE));
  auto* combo = Frame->Page13.GetControl<QComboBox>(IDC_DRIVE_LIST);
  EXPECT_EQ(combo->itemText(1), Roomy + QString::fromUtf16(u" ドライブ"));
  EXPECT_EQ(combo->currentIndex(), -1);
  EXPECT_EQ(Frame->Page13.GetDlgItemText(IDC_FOLDER), "");
  ASSERT_TRUE(Frame->Page13.ClickDlgItem(IDOK));
  EXPECT_EQ(Answered(), 3);
  EXPECT_EQ(LastAsked(), LoadString(IDS_NOT_ENOUGH_SPACE, LANG_JAPANESE));
  EXPECT_EQ(QDir(Full).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
  EXPECT_EQ(QDir(Roomy).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
  EXPECT_EQ(Frame->GetCurrentState(), ST_SELECT_DRIVE);
}

}  // namespace
