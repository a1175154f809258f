#include "pages/Parcel2Dlg10.h"

#include "log/Log.h"
#include "pages/ProgressPosition.h"
#include "res/ResourceIds.h"
#include "wizard/Parcel2App.h"
#include "wizard/WizardEvents.h"

#include <QProgressBar>

#include <climits>

CParcel2Dlg10::CParcel2Dlg10() : Checker(GetApp().Logger, nullptr), Joint(GetApp().Logger) {
  Checker.Hasher.SetStopFlag(&StopFlag);
  Joint.SetStopFlag(&StopFlag);
  Joint.SetWriteFailureReport(ShowWriteFailureBox);
}

// The wizard can end while a check or a join runs: it was stopped when the
// window went, and is waited for here.
CParcel2Dlg10::~CParcel2Dlg10() {
  StopFlag.store(1);
  Worker.Wait();
}

void CParcel2Dlg10::SetStepObserver(std::function<void()> observer) {
  StepObserver = observer;
  Checker.Hasher.SetStepObserver(observer);
  Joint.SetStepObserver(observer);
}

void CParcel2Dlg10::OnDestroy() {
  StopFlag.store(1);
  CParcel2SubDlg::OnDestroy();
}

bool CParcel2Dlg10::OnInitDialog() {
  CParcel2App& app = GetApp();
  Phase.store(PHASE_EXISTING);
  if (!app.DownloadList.GetDownloadEntry(0)) {
    LogFatal(app.Logger, "Could not get DL-Entry0");
    // Without a product there is nothing to verify, and Cancel is disabled
    // here: the download error page is the way on.
    OnError();
    return true;
  }
  ProgressHigh.store(400);
  if (auto* bar = GetControl<QProgressBar>(IDC_PROGRESS)) {
    bar->setRange(0, 400);
    SetProgressPosition(*bar, 0);
  }
  Checker.List = &app.DownloadList;
  // The worker of an earlier visit has ended: the page changes only after
  // it has posted its event, or when the wizard ends.
  StopFlag.store(0);
  Worker.Begin([this] { VerifyThreadFunction(this); });
  SetTimer(DISPLAY_TIMER, DisplayPeriodMs);
  return true;
}

void CParcel2Dlg10::OnTimer(int timerId) {
  CDownloadList& list = GetApp().DownloadList;
  const CDownloadEntry* product = list.GetDownloadEntry(0);
  auto* bar = GetControl<QProgressBar>(IDC_PROGRESS);
  if (timerId == DISPLAY_TIMER && product && bar) {
    if (bar->maximum() != ProgressHigh.load()) bar->setRange(0, ProgressHigh.load());
    const double size = static_cast<double>(static_cast<std::uint32_t>(product->Size));
    const double parts = list.GetDownloadEntryCount() - 1;
    double position = 0;
    switch (Phase.load()) {
      case PHASE_EXISTING:
        position = size == 0 ? 0 : Checker.GetHashedBytes() / (size / 100);
        break;
      case PHASE_PARTS:
        position = parts == 0 ? 100 : Checker.CurrentIndex.load() / (parts / 100) + 100;
        break;
      case PHASE_JOIN:
        position = size == 0 ? 200 : Joint.GetJoinedBytes() / (size / 100) + 200;
        break;
      case PHASE_PRODUCT:
        position = size == 0 ? 300 : Checker.GetHashedBytes() / (size / 100) + 300;
        break;
      default: break;
    }
    // Truncated; a file longer than its entry says is held at the bar's end.
    SetProgressPosition(*bar, position >= INT_MAX ? INT_MAX : static_cast<int>(position));
  }
  CParcel2SubDlg::OnTimer(timerId);
}
