#include "support/FixedFont.h"
#include "support/QtPrint.h"
#include "support/WizardFixture.h"

#include "res/ResourceIds.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

namespace {

class ClosingPages : public CWizardFixture {
protected:
  // Reaches a state from the welcome page through a row of its own, so no
  // page with a worker is passed on the way.
  void PostShortcut(int state) {
    App->Config.ActionTable.insert(App->Config.ActionTable.begin(),
                                   std::make_unique<CActionEntry>(ST_WELCOME, EV_INCOMPLETE, state));
    Post(EV_INCOMPLETE);
  }
  bool EnterState(int state) {
    PostShortcut(state);
    return WaitForState(state);
  }
  QString Script(const QString& name, const QByteArray& body) {
    const QString path = Save.Write(name, "#!/bin/sh\n" + body);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
  }
  // A command still waiting at a failure must not hold up the join.
  void TearDown() override {
    Save.Write("open", "");
    CWizardFixture::TearDown();
  }
  bool FrameShown() const { return Frame->GetWidget()->isVisible(); }

  CTempFolder Save;
};

TEST_F(ClosingPages, CompletePageShowsTheSavedFileAndLeadsToTheInstallPage) {
  struct CCase {
    QString Folder;
    QString Shown;
  };
  const CCase cases[] = {{"/data/Downloads", "/data/Downloads/Product.bin"}, {"/data/", "/data/Product.bin"}};
  for (const CCase& c : cases) {
    SCOPED_TRACE(c.Folder.toStdString());
    LoadList({"DL,0,Product.bin,00112233445566778899aabbccddeeff,10", "TD,," + c.Folder});
    OpenFrame();
    ASSERT_TRUE(EnterState(ST_DOWNLOAD_COMPLETE));
    auto* edit = Frame->Page04.GetControl<QPlainTextEdit>(IDC_SAVED_FILE);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->toPlainText(), c.Shown);
    EXPECT_TRUE(edit->isReadOnly());
    EXPECT_TRUE(IsTheSystemFixedFontAt14Pixels(edit->font()));
    EXPECT_EQ(edit->font().weight(), QFont::Normal);
  }
  // Enter is Next; without install entries only Finish is left, and it
  // ends the wizard without a question.
  QTest::keyClick(Frame->Page04.GetWidget()->focusWidget(), Qt::Key_Return);
  ASSERT_TRUE(WaitForState(ST_INSTALL));
  EXPECT_FALSE(Frame->Page11.GetDlgItem(IDOK)->isEnabled());
  EXPECT_TRUE(Frame->Page11.GetControl<QPushButton>(IDC_BACK)->isDefault()) << "Finish looks like Enter's button";
  EXPECT_EQ(Frame->Page11.GetWidget()->focusWidget(), Frame->Page11.GetDlgItem(IDC_BACK));
  ASSERT_TRUE(Frame->Page11.ClickDlgItem(IDC_BACK));
  ASSERT_TRUE(WaitForEnd());
  EXPECT_EQ(Answered(), 0);
}

// The whole installation in Japanese: Install hides the frame while a
// waited command runs, a failing command is passed over, and message 6
// brings the frame back.
TEST_F(ClosingPages, InstallRunsHiddenAndMessageSixShowsTheFrameAgain) {
  SetUiLanguage(LANG_JAPANESE);
  App->UiLanguage = LANG_JAPANESE;
  Script("setup.sh", "touch started\nwhile [ ! -e open ]; do sleep 0.02; done\n");
  LoadList({"IS,0,setup.sh,,0,1", "IS,1,missing.sh,,0,1", QString::fromUtf16(u"MS,6,完了しました。"),
            "TD,," + Save.Path()});
  OpenFrame();
  ASSERT_TRUE(EnterState(ST_INSTALL));
  ASSERT_TRUE(Frame->Page11.ClickDlgItem(IDOK));

  ASSERT_TRUE(WaitUntil([&] { return QFile::exists(Save.File("started")); }));
  EXPECT_FALSE(FrameShown());
  EXPECT_EQ(Frame->GetCurrentState(), ST_INSTALLING);
  EXPECT_EQ(Frame->GetCurrentPage(), nullptr);
  Save.Write("open", "");

  ASSERT_TRUE(WaitForState(ST_MESSAGE_6));
  EXPECT_TRUE(FrameShown());
  EXPECT_EQ(Frame->Page00.GetDlgItemText(IDC_MESSAGE), QString::fromUtf16(u"完了しました。"));
  const QStringList lines = LogLines().filter("Execute");
  EXPECT_EQ(lines, QStringList({"TRACE  Start InstallExecuter::Execute",
                                "TRACE  Execute cmd:Cmd='setup.sh':Param=''",
                                "TRACE  Executed cmd:Ret=0:Cmd='setup.sh':Param=''",
                                "TRACE  Execute cmd:Cmd='missing.sh':Param=''",
                                "TRACE  Executed cmd:Ret=-1:Cmd='missing.sh':Param=''",
                                "TRACE  Finished InstallExecuter::Execute:Rc=1"}));
  ASSERT_TRUE(Frame->Page00.ClickDlgItem(IDOK));
  ASSERT_TRUE(WaitForEnd());
}

TEST_F(ClosingPages, WithoutMessageSixTheWizardEndsHidden) {
  LoadList({"IS,0,/bin/true,,3,0", "TD,," + Save.Path()});
  OpenFrame();
  PostShortcut(ST_MESSAGE_5);
  ASSERT_TRUE(WaitForEnd());
  EXPECT_FALSE(FrameShown());
  EXPECT_TRUE(LogLines().contains("TRACE  Executed cmd:Ret=259:Cmd='/bin/true':Param=''"));
}

TEST_F(ClosingPages, ErrorPagesShowTheirTemplatesTextAndEscAsks) {
  for (int state : {ST_DOWNLOAD_ERROR, ST_CONNECT_ERROR}) {
    SCOPED_TRACE(state);
    OpenFrame();
    ASSERT_TRUE(EnterState(state));
    ASSERT_EQ(Frame->GetCurrentPage(), &Frame->PageErr);
    const int templateId = state == ST_DOWNLOAD_ERROR ? IDD_DOWNLOAD_ERROR : IDD_CONNECT_ERROR;
    EXPECT_EQ(Frame->PageErr.GetDlgItemText(IDC_MESSAGE), FindDialogTemplate(templateId)->Find(IDC_MESSAGE)->Text);
    const int asked = Answered();
    QTest::keyClick(Frame->PageErr.GetWidget()->focusWidget(), Qt::Key_Escape);
    ASSERT_TRUE(WaitForAnswers(asked + 1));
    EXPECT_EQ(Frame->GetCurrentState(), state);
  }
}

}  // namespace
