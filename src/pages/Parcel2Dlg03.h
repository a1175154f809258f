#pragma once

#include "pages/DownloadProgress.h"
#include "pages/PageWorker.h"
#include "transfer/DownloadExecuter.h"
#include "wizard/Parcel2SubDlg.h"

#include <atomic>
#include <cstdint>
#include <functional>

// The download progress page (template 137). Its worker runs the executer
// over the parts not yet marked; the page shows the product's name, a bar
// over the bytes (the parts marked and what the running parts hold), the
// bytes done of the total with the speed, and the time left; it asks before
// it cancels, and stops a download that in a whole stall period marked no
// part and received less than 64 KiB: a slow line that still brings bytes
// goes on, however long its parts take, while a host that trickles cannot
// hold the run up.
class CParcel2Dlg03 : public CParcel2SubDlg {
public:
  static constexpr int DISPLAY_TIMER = 1;
  static constexpr int STALL_TIMER = 2;
  static constexpr int DISPLAY_PERIOD_MS = 300;
  static constexpr int STALL_PERIOD_MS = 900000;
  // Less than this in a whole stall period is a host that trickles.
  static constexpr std::int64_t STALL_MIN_BYTES = 64 * 1024;
  // The bar's range: fine enough that every tick of a running part shows.
  static constexpr int PROGRESS_STEPS = 1000;
  using Clock = std::function<std::int64_t()>;  // milliseconds

  CParcel2Dlg03();
  ~CParcel2Dlg03() override;

  // Tests shorten (or lengthen) the periods before the page is shown.
  void SetTimerPeriods(int displayMs, int stallMs);
  // Tests replace the clock the speed is measured by.
  void SetClock(Clock clock) { Now = std::move(clock); }

  // UI thread: the bytes of the parts marked and of the running parts.
  CByteProgress MeasureProgress() const;
  // Any thread: body bytes received over every lane; only grows.
  std::int64_t TotalReceived() const;

  void OnTimer(int timerId) override;

  // Runs on the download worker, argument: the page.
  static void DownloadThreadFunction(CParcel2Dlg03* page);

  std::atomic<std::int32_t> Cancelled{0};
  // Set by the worker once the executer has returned: from then on there is
  // nothing left to stop.
  std::atomic<std::int32_t> Executed{0};
  int PartsAtLastCheck = 0;
  std::int64_t BytesAtLastCheck = 0;
  int LastRoundedSeconds = -1;
  CDownloadExecuter Executer;

protected:
  bool OnInitDialog() override;
  void OnCancel() override;
  bool OnCommand(int commandId) override;
  void OnDestroy() override;

private:
  void UpdateDisplay();
  void CheckForStall(int marked);
  // UI thread: the executer stops before its next part, and the parts
  // that are running end now.
  void StopDownload();

  void ShowProgress();

  int DisplayPeriodMs = DISPLAY_PERIOD_MS;
  int StallPeriodMs = STALL_PERIOD_MS;
  CPageWorker Worker;
  CSpeedMeter Speed;
  Clock Now;
};
