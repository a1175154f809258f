#include "app/Parcel2Dlg.h"
#include "log/Log.h"
#include "res/ResourceIds.h"
#include "res/Strings.h"
#include "wizard/Parcel2App.h"
#include "wizard/WizardEvents.h"

// The state half of the frame: the transition table's lookup and what each
// state shows. This is the one place where the wizard's state changes.

namespace {

struct CStatePage {
  int State;
  int TemplateId;
  int TitleId;        // 0: no title
  int MessageNumber;  // the list message a message state shows, 0 for none
};

const CStatePage STATE_PAGES[] = {
    {ST_WELCOME, IDD_WELCOME, IDS_TITLE_WELCOME, 0},
    {ST_CONFIRM_SOFTWARE, IDD_CONFIRM_SOFTWARE, IDS_TITLE_CONFIRM_SOFTWARE, 0},
    {ST_DOWNLOADING, IDD_DOWNLOADING, IDS_TITLE_DOWNLOADING, 0},
    {ST_DOWNLOAD_COMPLETE, IDD_DOWNLOAD_COMPLETE, IDS_TITLE_DOWNLOAD_COMPLETE, 0},
    {ST_SELECT_FOLDER, IDD_SELECT_FOLDER, IDS_TITLE_SELECT_FOLDER, 0},
    {ST_VERIFY, IDD_VERIFY, IDS_TITLE_VERIFY, 0},
    {ST_ACQUIRE_INFO, IDD_ACQUIRE_INFO, IDS_TITLE_ACQUIRE_INFO, 0},
    {ST_INSTALLING, 0, 0, 0},
    {ST_INSTALL, IDD_INSTALL, IDS_TITLE_INSTALL, 0},
    {ST_CONFIRM_FOLDER, IDD_CONFIRM_FOLDER, IDS_TITLE_CONFIRM_FOLDER, 0},
    {ST_SELECT_DRIVE, IDD_SELECT_DRIVE, IDS_TITLE_SELECT_DRIVE, 0},
    {ST_CHECK_EXISTING, IDD_VERIFY, IDS_TITLE_VERIFY, 0},
    {ST_DOWNLOAD_ERROR, IDD_DOWNLOAD_ERROR, IDS_TITLE_DOWNLOAD_ERROR, 0},
    {ST_CONNECT_ERROR, IDD_CONNECT_ERROR, IDS_TITLE_CONNECT_ERROR, 0},
    {ST_LIST_NOT_VERIFIED, IDD_CONNECT_ERROR, IDS_TITLE_LIST_NOT_VERIFIED, 0},
    {ST_MESSAGE_1, IDD_WELCOME, IDS_TITLE_MESSAGE, 1},
    {ST_MESSAGE_2, IDD_WELCOME, IDS_TITLE_MESSAGE, 2},
    {ST_MESSAGE_3, IDD_WELCOME, IDS_TITLE_MESSAGE, 3},
    {ST_MESSAGE_4, IDD_WELCOME, IDS_TITLE_MESSAGE, 4},
    {ST_MESSAGE_5, IDD_WELCOME, IDS_TITLE_MESSAGE, 5},
    {ST_MESSAGE_6, IDD_FINISH_MESSAGE, IDS_TITLE_MESSAGE, 6},
    {ST_MESSAGE_9, IDD_FINISH_MESSAGE, IDS_TITLE_MESSAGE, 9},
    {ST_VERSION_ERROR, IDD_FINISH_MESSAGE, IDS_TITLE_VERSION_ERROR, 0},
    {ST_FOLDER_BUSY, IDD_WELCOME, IDS_TITLE_FOLDER_BUSY, 0},
};

const CStatePage* FindStatePage(int state) {
  for (const CStatePage& page : STATE_PAGES)
    if (page.State == state) return &page;
  return nullptr;
}

}  // namespace

int CParcel2Dlg::GetCurrentState() const { return CurrentAction ? CurrentAction->NextState : ST_WELCOME; }

void CParcel2Dlg::OnWizardEvent(int event, const CWizardReport& report) {
  // Once the wizard has ended, a late worker or a queued event moves nothing:
  // the application is on its way to shut down.
  if (IsEnded()) return;
  CParcel2App& app = GetApp();
  const CActionEntry* row = app.Config.FindAction(GetCurrentState(), event);
  if (!row) {
    LogFatal(app.Logger, "Undefined User-message:Cmd=%d", event);
    EndWizard();
    return;
  }
  if (event == EV_CANCEL && row->NextState == ST_END) {
    if (ShowMessageBox(GetSafeHwnd(), LoadString(IDS_CANCEL_QUESTION), LoadString(IDS_CANCEL_CAPTION), MB_YESNO) ==
        IDYES)
      EndWizard();
    return;
  }
  CurrentAction = row;
  CurrentReport = report;
  if (!SwitchToState(row->NextState)) EndWizard();
}

bool CParcel2Dlg::EnterState(int state, const CWizardReport& report) {
  for (const auto& row : GetApp().Config.ActionTable) {
    if (row->NextState == state) {
      CurrentAction = row.get();
      CurrentReport = report;
      return SwitchToState(state);
    }
  }
  return false;
}

bool CParcel2Dlg::SwitchToState(int state) {
  const bool shown = ShowState(state);
  // Every change of state, and whether a page waits for the customer in it:
  // the log tells which pages were seen, and tests on a real display wait
  // for a page by it.
  if (CurrentPage) LogTrace(GetApp().Logger, "Wizard state %d", state);
  else LogTrace(GetApp().Logger, "Wizard state %d without a page", state);
  if (StateObserver) StateObserver(state);
  return shown;
}

bool CParcel2Dlg::ShowState(int state) {
  DestroyCurrentPage();
  const CStatePage* info = FindStatePage(state);
  if (!info) return false;

  if (state == ST_INSTALLING) {
    GetWidget()->hide();
    StartInstallation();
  } else if (info->MessageNumber > 0 && !GetApp().DownloadList.HasMessage(info->MessageNumber)) {
    // Nothing to say here: move on as if the user had gone past it.
    PostWizardEvent(GetSafeHwnd(), EV_BACK);
  } else {
    CParcel2SubDlg* page = &Page00;
    // The message page serves several states: only the one that sets a
    // text shows it.
    Page00.TextId = -1;
    Page00.TextArgument.clear();
    switch (state) {
      case ST_WELCOME: Page00.MessageIndex = -1; break;
      case ST_VERSION_ERROR: Page00.TextId = IDS_VERSION_ERROR; break;
      case ST_FOLDER_BUSY:
        Page00.MessageIndex = -1;
        Page00.TextId = IDS_FOLDER_BUSY;
        Page00.TextArgument = GetApp().DownloadList.DownloadTempDir;
        break;
      case ST_CONFIRM_SOFTWARE: page = &Page02; break;
      case ST_DOWNLOADING: page = &Page03; break;
      case ST_DOWNLOAD_COMPLETE: page = &Page04; break;
      case ST_SELECT_FOLDER: page = &Page05; break;
      case ST_ACQUIRE_INFO: page = &Page08; break;
      case ST_VERIFY:
      case ST_CHECK_EXISTING: page = &Page10; break;
      case ST_INSTALL: page = &Page11; break;
      case ST_CONFIRM_FOLDER: page = &Page12; break;
      case ST_SELECT_DRIVE: page = &Page13; break;
      case ST_DOWNLOAD_ERROR:
      case ST_CONNECT_ERROR:
      case ST_LIST_NOT_VERIFIED:
        PageErr.Report = CurrentReport;
        page = &PageErr;
        break;
      default: Page00.MessageIndex = info->MessageNumber; break;
    }
    if (state == ST_MESSAGE_6) GetWidget()->show();
    ShowPage(*page, info->TemplateId);
  }
  SetTitle(info->TitleId ? LoadString(info->TitleId) : QString());
  if (state == ST_CONNECT_ERROR) OfferPurchaseEntry();
  NotifyIfUnseen(state);
  return true;
}

void CParcel2Dlg::ShowPage(CParcel2SubDlg& page, int templateId) {
  if (!page.Create(FindDialogTemplate(templateId), *this)) return;
  QWidget* window = page.GetWidget();
  window->move(GetDlgItemRect(IDC_PAGE_AREA).topLeft());
  window->raise();
  window->show();
  page.FocusFirstControl();
  CurrentPage = &page;
}

void CParcel2Dlg::DestroyCurrentPage() {
  if (!CurrentPage) return;
  CParcel2SubDlg* page = CurrentPage;
  CurrentPage = nullptr;
  page->DestroyWindow();
}

// The new title is painted before the next message is handled.
void CParcel2Dlg::SetTitle(const QString& title) {
  TitleText = title;
  if (QWidget* window = GetWidget()) window->repaint(GetDlgItemRect(IDC_TITLE));
}
