#include "support/QtPrint.h"
#include "support/WizardFixture.h"

#include "res/ResourceIds.h"

#include <QPushButton>
#include <QTest>

namespace {

// These tests post the acquisition's outcome themselves.
class WizardFlow : public CWizardFixture {
protected:
  CParcel2Dlg& OpenFrame() {
    CParcel2Dlg& frame = CWizardFixture::OpenFrame();
    frame.Page08.StartsWorker = false;
    return frame;
  }
};

// Next on the welcome page, then the acquisition's success as its worker
// would post it.
TEST_F(WizardFlow, WithoutMessagesTheListLeadsStraightToTheConfirmation) {
  OpenFrame();
  EXPECT_EQ(Frame->GetTitleText(), "Download the software");
  ASSERT_TRUE(Frame->GetCurrentPage() == &Frame->Page00);
  ASSERT_TRUE(Frame->Page00.ClickDlgItem(IDOK));
  ASSERT_TRUE(WaitForState(ST_ACQUIRE_INFO));
  EXPECT_TRUE(Frame->GetCurrentPage() == &Frame->Page08);
  EXPECT_EQ(Frame->GetTitleText(), "Acquiring download information");

  Post(EV_NEXT);  // states 31, 39 and 34 skip themselves
  ASSERT_TRUE(WaitForState(ST_CONFIRM_SOFTWARE));
  EXPECT_TRUE(Frame->GetCurrentPage() == &Frame->Page02);
  EXPECT_EQ(Frame->GetTitleText(), "Download and check the software");
  const QStringList states = LogLines().filter("Wizard state");
  EXPECT_EQ(states, (QStringList{"TRACE  Wizard state 0", "TRACE  Wizard state 8", "TRACE  Wizard state 31 without a page",
                                 "TRACE  Wizard state 39 without a page", "TRACE  Wizard state 34 without a page",
                                 "TRACE  Wizard state 2"}));

  // Back returns to the welcome page; Next there acquires again.
  ASSERT_TRUE(Frame->Page02.ClickDlgItem(IDC_BACK));
  ASSERT_TRUE(WaitForState(ST_WELCOME));
  EXPECT_TRUE(Frame->GetCurrentPage() == &Frame->Page00);
  ASSERT_TRUE(Frame->Page00.ClickDlgItem(IDOK));
  ASSERT_TRUE(WaitForState(ST_ACQUIRE_INFO));
  EXPECT_TRUE(Responder.Asked().empty());
}

TEST_F(WizardFlow, SkippedMessageStateStillSetsItsTitle) {
  OpenFrame();
  EXPECT_TRUE(Frame->SwitchToState(ST_MESSAGE_1));
  EXPECT_EQ(Frame->GetCurrentPage(), nullptr);
  EXPECT_EQ(Frame->GetTitleText(), "Message");
  EXPECT_FALSE(Frame->SwitchToState(77)) << "a state without a page";
  EXPECT_EQ(Frame->GetTitleText(), "Message") << "left untouched";
}

TEST_F(WizardFlow, MessageNineStopsTheWizard) {
  LoadList({"MS,9,Closed for maintenance.//Come back tomorrow."});
  OpenFrame();
  Post(EV_NEXT);
  ASSERT_TRUE(WaitForState(ST_ACQUIRE_INFO));
  Post(EV_NEXT);
  ASSERT_TRUE(WaitForState(ST_MESSAGE_9));
  EXPECT_EQ(Frame->Page00.GetTemplate()->Id, IDD_FINISH_MESSAGE);
  EXPECT_EQ(Frame->Page00.GetDlgItemText(IDC_MESSAGE), "Closed for maintenance.\nCome back tomorrow.");
  ASSERT_TRUE(Frame->Page00.ClickDlgItem(IDOK));  // Finish
  ASSERT_TRUE(WaitForEnd());
  EXPECT_EQ(Frame->GetCurrentState(), ST_END);
}

TEST_F(WizardFlow, EventsWithoutARowEndTheWizardWithOneFatalLine) {
  struct CCase {
    std::vector<int> Path;  // events that reach the state
    int Event;
    const char* Line;
  };
  const CCase cases[] = {
      {{}, EV_ABORT, "FATAL  Undefined User-message:Cmd=-1"},
      {{EV_NEXT}, EV_ABORT, "FATAL  Undefined User-message:Cmd=-1"},
      {{EV_NEXT, EV_NEXT}, EV_ERROR, "FATAL  Undefined User-message:Cmd=9"},
      {{}, EV_INCOMPLETE, "FATAL  Undefined User-message:Cmd=4"},
  };
  for (const CCase& c : cases) {
    SCOPED_TRACE(c.Line);
    OpenFrame();
    for (int event : c.Path) {
      const int state = Frame->GetCurrentState();
      Post(event);
      ASSERT_TRUE(WaitUntil([&] { return Frame->GetCurrentState() != state; }));
    }
    const qsizetype fatalBefore = LogLines().filter("FATAL").size();
    Post(c.Event);
    ASSERT_TRUE(WaitForEnd());
    const QStringList fatal = LogLines().filter("FATAL");
    ASSERT_EQ(fatal.size(), fatalBefore + 1);
    EXPECT_EQ(fatal.last(), c.Line);
    EXPECT_TRUE(Responder.Asked().empty());
  }
}

TEST_F(WizardFlow, CancelEventAsksAndNoLeavesEverythingAsItWas) {
  OpenFrame();
  Post(EV_NEXT);
  ASSERT_TRUE(WaitForState(ST_ACQUIRE_INFO));
  Post(EV_NEXT);
  ASSERT_TRUE(WaitForState(ST_CONFIRM_SOFTWARE));
  const CWindowHandle page = Frame->Page02.GetSafeHwnd();

  Responder.SetAnswer(IDNO);
  Post(EV_CANCEL);
  ASSERT_TRUE(WaitForAnswers(1));
  const CMessageBoxRequest asked = Responder.Asked()[0];
  EXPECT_EQ(asked.Text, "Are you sure you wannt to cancel download?");
  EXPECT_EQ(asked.Caption, "Cancel Download");
  EXPECT_EQ(asked.Type, unsigned(MB_YESNO)) << "Yes is the default here";
  EXPECT_EQ(asked.Owner, Frame->GetSafeHwnd());
  EXPECT_FALSE(Frame->IsEnded());
  EXPECT_EQ(Frame->GetCurrentState(), ST_CONFIRM_SOFTWARE);
  EXPECT_EQ(Frame->Page02.GetSafeHwnd(), page);
  EXPECT_TRUE(IsWindow(page));

  Responder.SetAnswer(IDYES);
  Post(EV_CANCEL);
  ASSERT_TRUE(WaitForEnd());
}

TEST_F(WizardFlow, CancelButtonsAndEscAskWithNoAsTheDefault) {
  SetUiLanguage(LANG_JAPANESE);
  OpenFrame();
  ASSERT_TRUE(Frame->Page00.ClickDlgItem(IDCANCEL));
  ASSERT_TRUE(WaitForAnswers(1));
  EXPECT_EQ(Responder.Asked()[0].Type, unsigned(MB_YESNO | MB_DEFBUTTON2));
  EXPECT_EQ(Responder.Asked()[0].Caption, QString::fromUtf16(u"ダウンロードの中止"));
  EXPECT_FALSE(Frame->IsEnded());
  EXPECT_EQ(Frame->GetCurrentState(), ST_WELCOME);

  // The version error page: Esc asks, Finish ends.
  Post(EV_NEXT);
  ASSERT_TRUE(WaitForState(ST_ACQUIRE_INFO));
  Post(EV_VERSION_ERROR);
  ASSERT_TRUE(WaitForState(ST_VERSION_ERROR));
  EXPECT_EQ(Frame->Page00.GetDlgItemText(IDC_MESSAGE),
            QString::fromUtf16(u"お使いのダウンロードプログラムではダウンロードできません。\n\n最新のダウンロードプログラムをご使用ください。"));
  QTest::keyClick(Frame->Page00.GetWidget()->focusWidget(), Qt::Key_Escape);
  ASSERT_TRUE(WaitForAnswers(2));
  EXPECT_EQ(Responder.Asked()[1].Type, unsigned(MB_YESNO | MB_DEFBUTTON2));
  EXPECT_FALSE(Frame->IsEnded());
  Responder.SetAnswer(IDYES);
  ASSERT_TRUE(Frame->Page00.ClickDlgItem(IDOK));
  ASSERT_TRUE(WaitForEnd());
  EXPECT_EQ(Answered(), 2) << "Finish ends without asking";
}

TEST_F(WizardFlow, EnterPressesTheDefaultButton) {
  OpenFrame();
  QWidget* focused = Frame->Page00.GetWidget()->focusWidget();
  ASSERT_NE(focused, nullptr);
  EXPECT_EQ(focused, Frame->Page00.GetDlgItem(IDOK));
  QTest::keyClick(Frame->Page00.GetWidget(), Qt::Key_Return);
  ASSERT_TRUE(WaitForState(ST_ACQUIRE_INFO));
  // On the acquisition page Next is hidden and disabled: Enter does nothing.
  QTest::keyClick(Frame->Page08.GetWidget(), Qt::Key_Return);
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(Frame->GetCurrentState(), ST_ACQUIRE_INFO);
}

TEST_F(WizardFlow, RevisitingAStateBuildsAFreshWindowFromTheSamePage) {
  OpenFrame();
  const CWindowHandle first = Frame->Page00.GetSafeHwnd();
  Post(EV_NEXT);
  ASSERT_TRUE(WaitForState(ST_ACQUIRE_INFO));
  EXPECT_FALSE(IsWindow(first)) << "the old page's window goes before the new one comes";
  EXPECT_FALSE(Frame->Page00.HasWindow());
  Post(EV_BACK);
  ASSERT_TRUE(WaitForState(ST_WELCOME));
  EXPECT_NE(Frame->Page00.GetSafeHwnd(), first);
  EXPECT_EQ(Frame->Page00.MessageIndex, -1);
  // A message posted to the old window is dropped.
  EXPECT_FALSE(PostMessage(first, WM_WIZARD_EVENT, EV_NEXT, 0));
}

// Late reports: a worker's page that was left, and events queued after the
// wizard has ended, move nothing and build nothing.
TEST_F(WizardFlow, NothingMovesAfterThePageIsLeftOrTheWizardHasEnded) {
  OpenFrame();
  Post(EV_NEXT);
  ASSERT_TRUE(WaitForState(ST_ACQUIRE_INFO));
  Frame->Page00.OnOK();  // the welcome page was left
  Frame->Page00.OnError();
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(Frame->GetCurrentState(), ST_ACQUIRE_INFO);

  Responder.SetAnswer(IDYES);
  PostMessage(Frame->GetSafeHwnd(), WM_WIZARD_QUIT);
  Post(EV_NEXT);
  ASSERT_TRUE(WaitForEnd());
  Frame->Page08.OnOK();  // the acquisition's worker reports after the end
  Post(EV_NEXT);
  Post(EV_ABORT);
  PostMessage(Frame->GetSafeHwnd(), WM_WIZARD_QUIT);
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(Answered(), 1);
  EXPECT_EQ(Frame->GetCurrentPage(), nullptr);
  EXPECT_FALSE(Frame->Page08.HasWindow() && Frame->Page08.GetWidget()->isVisible());
  EXPECT_TRUE(LogLines().filter("FATAL").isEmpty());

  OpenFrame();
  Post(EV_ABORT);
  Post(EV_NEXT);
  ASSERT_TRUE(WaitForEnd());
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(LogLines().filter("FATAL").size(), 1);
  EXPECT_EQ(Frame->GetCurrentPage(), nullptr);
  EXPECT_FALSE(Frame->Page08.HasWindow());
}

TEST_F(WizardFlow, InstallationHidesTheFrameAndMessageSixShowsItAgain) {
  LoadList({"MS,6,Enjoy."});
  OpenFrame();
  ASSERT_TRUE(Frame->SwitchToState(ST_INSTALLING));
  EXPECT_FALSE(Frame->GetWidget()->isVisible());
  EXPECT_EQ(Frame->GetCurrentPage(), nullptr);
  EXPECT_EQ(Frame->GetTitleText(), "");
  ASSERT_TRUE(Frame->SwitchToState(ST_MESSAGE_6));
  EXPECT_TRUE(Frame->GetWidget()->isVisible());
  EXPECT_EQ(Frame->Page00.GetDlgItemText(IDC_MESSAGE), "Enjoy.");
}

}  // namespace
