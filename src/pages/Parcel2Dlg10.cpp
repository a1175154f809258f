#include "pages/Parcel2Dlg10.h"

#include "log/Log.h"
#include "pages/ProgressPosition.h"
#include "res/ResourceIds.h"
#include "wizard/Parcel2App.h"
#include "wizard/WizardEvents.h"

#include <QProgressBar>

#include <algorithm>

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
  // Parts another run is writing are neither read nor joined nor removed.
  if (!ClaimWorkingFolder(false)) return true;
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
    const auto size = static_cast<std::uint64_t>(product->Size);
    const auto parts = static_cast<std::uint64_t>(std::max(list.GetDownloadEntryCount() - 1, 0));
    const auto hashed = static_cast<std::uint64_t>(std::max<qint64>(Checker.GetHashedBytes(), 0));
    int position = 0;
    switch (Phase.load()) {
      case PHASE_EXISTING: position = PhasePosition(0, hashed, size); break;
      case PHASE_PARTS:
        position = PhasePosition(100, static_cast<std::uint64_t>(std::max(Checker.CurrentIndex.load(), 0)), parts);
        break;
      case PHASE_JOIN: position = PhasePosition(200, Joint.GetJoinedBytes(), size); break;
      case PHASE_PRODUCT: position = PhasePosition(300, hashed, size); break;
      default: break;
    }
    SetProgressPosition(*bar, position);
  }
  CParcel2SubDlg::OnTimer(timerId);
}
