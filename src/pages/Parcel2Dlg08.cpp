#include "pages/Parcel2Dlg08.h"

#include "log/Log.h"
#include "platform/WorkerThreads.h"
#include "res/ResourceIds.h"
#include "res/Strings.h"
#include "wizard/Parcel2App.h"

#include <QProgressBar>

namespace {

// The worker stops before its next attempt, and the request under way is
// closed: a host that sends the list a byte at a time holds up neither the
// wizard nor the program's end.
void StopWorker(CDlListFlags& flags) {
  flags.CancelRequested = 1;
  if (flags.Ended.load() == 0) GetApp().UrlDownload.AbortRequests();
}

}  // namespace

bool CParcel2Dlg08::OnInitDialog() {
  // No measure of the wait: the bar only shows that the page is busy.
  if (auto* bar = GetControl<QProgressBar>(IDC_PROGRESS)) bar->setRange(0, 0);
  Flags = std::make_shared<CDlListFlags>();
  if (StartsWorker) {
    GetApp().UrlDownload.AllowRequests();
    const CDlListJob job{Flags, GetSafeHwnd(), GetParentHandle(), PausePollMs};
    BeginWorkerThread([job] {
      GetDlListThreadFunction(job);
      job.Flags->Ended = 1;
    });
  } else {
    Flags->Ended = 1;
  }
  // Counts from the page's opening, across all attempts.
  SetTimer(TIMEOUT_TIMER_ID, TimeoutMs);
  return true;
}

// A tick while the cancel question is open does nothing; the next one comes
// a whole period later.
void CParcel2Dlg08::OnTimer(int timerId) {
  if (timerId == TIMEOUT_TIMER_ID && Flags->CancelPaused.load() == 0) {
    LogError(GetApp().Logger, "Time-Out get download-list-file");
    Flags->TimedOut = 1;
    StopWorker(*Flags);
    KillTimer(TIMEOUT_TIMER_ID);
  }
  CParcel2SubDlg::OnTimer(timerId);
}

// The page's own question instead of the frame's: the worker holds off its
// next attempt while it is shown.
void CParcel2Dlg08::OnCancel() {
  const std::shared_ptr<CDlListFlags> flags = Flags;
  flags->CancelPaused = 1;
  if (ShowMessageBox(GetSafeHwnd(), LoadString(IDS_CANCEL_QUESTION), LoadString(IDS_CANCEL_CAPTION),
                     MB_YESNO | MB_DEFBUTTON2) == IDYES) {
    StopWorker(*flags);
    LogError(GetApp().Logger, "GetDownloadList Cancel");
  }
  flags->CancelPaused = 0;
}

bool CParcel2Dlg08::OnCommand(int commandId) {
  if (commandId == IDC_ERROR_TEST) {
    OnError();
    return true;
  }
  return CParcel2SubDlg::OnCommand(commandId);
}

// The window goes before the worker has reported only when the wizard was
// closed under it: the worker then stops instead of trying the host again
// for a wizard that is gone.
void CParcel2Dlg08::OnDestroy() { StopWorker(*Flags); }
