#include "app/Parcel2Dlg.h"
#include "platform/UiLanguage.h"
#include "platform/WorkerThreads.h"
#include "res/ResourceIds.h"
#include "wizard/Parcel2App.h"
#include "wizard/WizardEvents.h"
#include "support/EventLoop.h"
#include "support/QtPrint.h"
#include "support/TempFolder.h"

#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

// Stands in for the frame: records what its pages post and the commands
// they pass up.
class CRecordingFrame : public CDialogWindow {
public:
  std::vector<std::pair<unsigned, int>> Messages;
  std::vector<int> Commands;

  void OnWindowMessage(unsigned message, CMessageWParam wParam, CMessageLParam) override {
    Messages.emplace_back(message, static_cast<int>(static_cast<CMessageLParam>(wParam)));
  }

protected:
  bool OnCommand(int commandId) override {
    Commands.push_back(commandId);
    return true;
  }
};

struct CPageCase {
  CParcel2SubDlg* Page;
  int TemplateId;
};

// Every page, whatever its own Part adds later, reports through the base:
// the primary button posts EV_NEXT, 1007 posts EV_BACK, Cancel the quit
// question; OnError and OnOK post from any thread; the accelerators reach
// the parent. The download and verification pages start their workers as
// they open and ask their own cancel question; the frame's tests drive them.
TEST(PageBase, EveryPageReportsToItsParentByPosting) {
  SetUiLanguage(LANG_ENGLISH_US);
  CTempFolder logs;
  CParcel2App app(QString(), logs.Path());  // pages read the download list as they open
  CParcel2Dlg pages;  // only its page objects are used
  pages.Page08.StartsWorker = false;
  // The save-location pages check before they post and no worker reports
  // through them; their own tests drive them through the frame.
  const CPageCase cases[] = {
      {&pages.Page00, IDD_WELCOME},           {&pages.Page00, IDD_FINISH_MESSAGE},
      {&pages.Page04, IDD_DOWNLOAD_COMPLETE},
      {&pages.Page08, IDD_ACQUIRE_INFO},
      {&pages.Page11, IDD_INSTALL},
      {&pages.PageErr, IDD_DOWNLOAD_ERROR},   {&pages.PageErr, IDD_CONNECT_ERROR},
  };
  for (const CPageCase& c : cases) {
    SCOPED_TRACE(c.TemplateId);
    CRecordingFrame frame;
    ASSERT_TRUE(frame.CreateModeless(FindDialogTemplate(IDD_PARCEL2_DIALOG)));
    ASSERT_TRUE(c.Page->Create(FindDialogTemplate(c.TemplateId), frame));
    EXPECT_EQ(c.Page->GetParentHandle(), frame.GetSafeHwnd());
    c.Page->GetWidget()->show();

    std::vector<std::pair<unsigned, int>> expected;
    std::vector<int> passedUp;  // buttons the base does not handle
    for (const CControlTemplate& control : c.Page->GetTemplate()->Controls) {
      if (control.Kind != CTRL_BUTTON || !c.Page->ClickDlgItem(control.Id)) continue;
      if (control.Id == IDOK) expected.emplace_back(WM_WIZARD_EVENT, EV_NEXT);
      // The acquisition page asks its own question; unanswered, it posts nothing.
      if (control.Id == IDCANCEL && c.Page != &pages.Page08) expected.emplace_back(WM_WIZARD_QUIT, 0);
      if (control.Id == IDC_BACK) expected.emplace_back(WM_WIZARD_EVENT, EV_BACK);
      if (control.Id != IDOK && control.Id != IDCANCEL && control.Id != IDC_BACK) passedUp.push_back(control.Id);
    }
    BeginWorkerThread([page = c.Page] {
      page->OnError();
      page->OnOK();
    });
    JoinWorkerThreads();
    expected.emplace_back(WM_WIZARD_EVENT, EV_ERROR);
    expected.emplace_back(WM_WIZARD_EVENT, EV_NEXT);
    ASSERT_TRUE(WaitUntil([&] { return frame.Messages.size() >= expected.size(); }));
    EXPECT_EQ(frame.Messages, expected);

    QTest::keyClick(c.Page->GetWidget(), Qt::Key_F9);
    QTest::keyClick(c.Page->GetWidget(), Qt::Key_L, Qt::ControlModifier | Qt::AltModifier);
    QTest::keyClick(c.Page->GetWidget(), Qt::Key_F12);
    passedUp.insert(passedUp.end(), {ID_LOG_TOGGLE, ID_LOG_TOGGLE, ID_NO_ACTION});
    EXPECT_EQ(frame.Commands, passedUp);
    c.Page->DestroyWindow();
  }
  SetUiLanguage(0);
}

}  // namespace
