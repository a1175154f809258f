#pragma once

#include "pages/DlListThread.h"
#include "wizard/Parcel2SubDlg.h"

#include <memory>

// The page that acquires the download information (template 142). It runs
// the list worker once per visit, bounds the whole wait with a timer, and
// asks before Cancel stops the work; the worker reports to the frame.
class CParcel2Dlg08 : public CParcel2SubDlg {
public:
  static constexpr int TIMEOUT_TIMER_ID = 1;
  static constexpr int TIMEOUT_MS = 120000;
  static constexpr int PAUSE_POLL_MS = 200;

  void OnTimer(int timerId) override;

  // Tests shorten the time-out and the worker's poll while the question is
  // shown; tests and the render tool that play the worker's part turn it off.
  int TimeoutMs = TIMEOUT_MS;
  int PausePollMs = PAUSE_POLL_MS;
  bool StartsWorker = true;

  // This visit's flags; a fresh set each time the page opens, so a second
  // visit starts clean.
  std::shared_ptr<CDlListFlags> Flags = std::make_shared<CDlListFlags>();

protected:
  bool OnInitDialog() override;
  void OnCancel() override;
  bool OnCommand(int commandId) override;
  void OnDestroy() override;
};
