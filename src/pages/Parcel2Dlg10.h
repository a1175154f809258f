#pragma once

#include "pages/PageWorker.h"
#include "transfer/FileChecker.h"
#include "transfer/FileJoint.h"
#include "transfer/Verification.h"
#include "wizard/Parcel2SubDlg.h"

#include <atomic>
#include <cstdint>
#include <functional>

class CDownloadList;

// The verification page (template 144), shown for states 6 and 14. Its
// worker runs the verification (CVerification), posts what came of it and
// has the parts removed after a right product. The bar runs over four
// phases of 100 each.
//
// When the page goes while its worker runs (the customer quits), the
// worker is stopped: every read and every step of the join looks at
// StopFlag, a half-joined product is removed, and parts stay as they are.
class CParcel2Dlg10 : public CParcel2SubDlg {
public:
  static constexpr int DISPLAY_TIMER = 1;
  static constexpr int DISPLAY_PERIOD_MS = 300;
  static constexpr int PHASE_EXISTING = CVerification::PHASE_EXISTING;
  static constexpr int PHASE_PARTS = CVerification::PHASE_PARTS;
  static constexpr int PHASE_JOIN = CVerification::PHASE_JOIN;
  static constexpr int PHASE_PRODUCT = CVerification::PHASE_PRODUCT;
  static constexpr int PHASE_DONE = CVerification::PHASE_DONE;

  CParcel2Dlg10();
  ~CParcel2Dlg10() override;

  // Tests lengthen the period to drive the display themselves.
  void SetTimerPeriod(int displayMs) { DisplayPeriodMs = displayMs; }
  // Tests: called on the hashing or joining thread before or after every
  // chunk, to hold the work at a known point. Set before the page is shown.
  void SetStepObserver(std::function<void()> observer);

  void OnTimer(int timerId) override;

  // Run on their own workers: the first with the page, the second, started
  // by the first after a good product, with the list alone so it may run
  // on after the page is gone.
  static void VerifyThreadFunction(CParcel2Dlg10* page);
  static void RemoveTempFilesThreadFunction(CDownloadList* list);

  std::atomic<std::int32_t> Phase{PHASE_EXISTING};
  CFileChecker Checker;
  CFileJoint Joint;
  // The bar's upper end: 400, or 100 once an existing product has passed.
  std::atomic<std::int32_t> ProgressHigh{400};
  // Raised by the UI thread when the page goes; cleared when it is shown.
  std::atomic<int> StopFlag{0};
  std::function<void()> StepObserver;

protected:
  bool OnInitDialog() override;
  void OnDestroy() override;

private:
  int DisplayPeriodMs = DISPLAY_PERIOD_MS;
  CPageWorker Worker;
};
