#include "pages/Parcel2Dlg03.h"

#include "log/Log.h"
#include "pages/ProgressPosition.h"
#include "pages/SizeText.h"
#include "platform/UiLanguage.h"
#include "res/ResourceIds.h"
#include "res/Strings.h"
#include "wizard/Parcel2App.h"

#include <QProgressBar>

#include <chrono>

CParcel2Dlg03::CParcel2Dlg03() : Executer(GetApp().Logger) {
  Now = [] {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
  };
}

// The frame can end while the download runs; the worker is stopped when
// the window goes and waited for here.
CParcel2Dlg03::~CParcel2Dlg03() {
  if (Worker.IsRunning() && Executed.load() == 0) StopDownload();
  Worker.Wait();
}

void CParcel2Dlg03::SetTimerPeriods(int displayMs, int stallMs) {
  DisplayPeriodMs = displayMs;
  StallPeriodMs = stallMs;
}

bool CParcel2Dlg03::OnInitDialog() {
  CParcel2App& app = GetApp();
  CDownloadList& list = app.DownloadList;
  // Two runs into one folder would write the same part files.
  if (!ClaimWorkingFolder(true)) return true;
  SetDlgItemText(IDC_PRODUCT_NAME, app.UiLanguage.load() == LANG_JAPANESE ? list.SoftwareName : list.SoftwareEnName);
  if (auto* bar = GetControl<QProgressBar>(IDC_PROGRESS)) bar->setRange(0, PROGRESS_STEPS);
  // The bytes of this visit's parts were not received at this speed.
  Executer.RunningPart.store(0);
  Speed.Clear();
  Speed.Add(Now(), TotalReceived());
  ShowProgress();
  LastRoundedSeconds = -1;
  PartsAtLastCheck = list.CountMarkedParts();
  BytesAtLastCheck = TotalReceived();
  SetDlgItemText(IDC_REMAINING_TIME, LoadString(IDS_CALCULATING));
  SetTimer(DISPLAY_TIMER, DisplayPeriodMs);
  SetTimer(STALL_TIMER, StallPeriodMs);

  // Cleared here rather than on the worker, so that a cancel that comes
  // before the worker runs is not undone by it.
  Cancelled.store(0);
  Executed.store(0);
  app.UrlDownload.AllowRequests();
  Executer.AllowOtherLanes();
  Worker.Begin([this] { DownloadThreadFunction(this); });
  return true;
}

void CParcel2Dlg03::OnTimer(int timerId) {
  const int marked = GetApp().DownloadList.CountMarkedParts();
  if (timerId == DISPLAY_TIMER) UpdateDisplay();
  else if (timerId == STALL_TIMER) CheckForStall(marked);
  CParcel2SubDlg::OnTimer(timerId);
}

// "Calculating" stays until a tick has produced a nonzero estimate; from
// the tick after it the estimate is rewritten every time.
void CParcel2Dlg03::UpdateDisplay() {
  Speed.Add(Now(), TotalReceived());
  ShowProgress();
  std::uint64_t rounded = 0;
  const QString text = FormatRemainingTime(Executer.RemainingSeconds.load(), &rounded);
  if (LastRoundedSeconds != -1) SetDlgItemText(IDC_REMAINING_TIME, text);
  if (rounded != 0) LastRoundedSeconds = static_cast<int>(rounded);
}

// Each running part is read before its size: the executer clears the size
// before it names a new part, so that size is never the previous part's.
CByteProgress CParcel2Dlg03::MeasureProgress() const {
  const int first = Executer.RunningPart.load();
  std::vector<CPartBytes> running{{first, GetApp().UrlDownload.GetReceivedSize()}};
  for (const CDownloadExecuter::CRunningPart& lane : Executer.GetOtherLanesRunning())
    running.push_back(CPartBytes{lane.Part, lane.Bytes});
  return MeasureDownload(GetApp().DownloadList, running);
}

std::int64_t CParcel2Dlg03::TotalReceived() const {
  return GetApp().UrlDownload.GetTotalReceived() + Executer.GetOtherLanesReceived();
}

void CParcel2Dlg03::ShowProgress() {
  const CByteProgress progress = MeasureProgress();
  if (auto* bar = GetControl<QProgressBar>(IDC_PROGRESS))
    SetProgressPosition(*bar, ProgressSteps(progress, PROGRESS_STEPS));
  SetDlgItemText(IDC_PROGRESS_BYTES, FormatByteProgress(progress, Speed.BytesPerSecond()));
}

// Bytes count, not parts: on a slow line a long part may take longer than
// the period, and only a line that brought less than 64 KiB in a whole
// period (and marked nothing) is stopped.
void CParcel2Dlg03::CheckForStall(int marked) {
  const std::int64_t received = TotalReceived();
  if (marked == PartsAtLastCheck && received - BytesAtLastCheck < STALL_MIN_BYTES && Executed.load() == 0) {
    StopDownload();
    LogError(GetApp().Logger, "Download Time-Out");
  }
  PartsAtLastCheck = marked;
  BytesAtLastCheck = received;
}

void CParcel2Dlg03::OnCancel() {
  Executer.PauseFlag.store(1);
  // Owned by the frame: the worker may end and the page go while it is open.
  const int answer = ShowMessageBox(GetParentHandle(), LoadString(IDS_CANCEL_QUESTION),
                                    LoadString(IDS_CANCEL_CAPTION), MB_YESNO | MB_DEFBUTTON2);
  if (answer == IDYES && HasWindow()) {
    Cancelled.store(1);
    StopDownload();
    LogError(GetApp().Logger, "Download Cancel");
  }
  Executer.PauseFlag.store(0);
}

// The hidden "Error-Test" button, for trying the error page by hand.
bool CParcel2Dlg03::OnCommand(int commandId) {
  if (commandId == IDC_ERROR_TEST) {
    OnError();
    return true;
  }
  return CParcel2SubDlg::OnCommand(commandId);
}

void CParcel2Dlg03::StopDownload() {
  Executer.CancelFlag.store(1);
  GetApp().UrlDownload.AbortRequests();
  Executer.AbortOtherLanes();
}

void CParcel2Dlg03::OnDestroy() {
  // The wizard ended while parts were still coming.
  if (Worker.IsRunning() && Executed.load() == 0) StopDownload();
  CParcel2SubDlg::OnDestroy();
}
