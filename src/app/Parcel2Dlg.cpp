#include "app/Parcel2Dlg.h"

#include "app/AboutDlg.h"
#include "log/Log.h"
#include "pages/InstallThread.h"
#include "platform/WorkerThreads.h"
#include "platform/ui/Artwork.h"
#include "res/ResourceIds.h"
#include "res/Strings.h"
#include "wizard/Parcel2App.h"
#include "wizard/WizardEvents.h"

#include <QFrame>
#include <QMenu>
#include <QPainter>

CParcel2Dlg::CParcel2Dlg() {
  TitleFont.setPixelSize(14);
  TitleFont.setWeight(QFont::Bold);
}

CParcel2Dlg::~CParcel2Dlg() { DestroyWindow(); }

int CParcel2Dlg::DoModal() { return CDialogWindow::DoModal(FindDialogTemplate(IDD_PARCEL2_DIALOG)); }

bool CParcel2Dlg::CreateModeless() { return CDialogWindow::CreateModeless(FindDialogTemplate(IDD_PARCEL2_DIALOG)); }

bool CParcel2Dlg::OnInitDialog() {
  // The header image is painted over control 1000; its own frame would
  // draw a border across the picture.
  if (auto* header = GetControl<QFrame>(IDC_HEADER)) header->setFrameStyle(QFrame::NoFrame);
  BuildSystemMenu();
  GetWidget()->setWindowIcon(LoadAppIcon());
  CurrentAction = nullptr;
  SwitchToState(ST_WELCOME);
  ShowDlgItem(IDC_LOG, GetApp().LogEnabled.load() != 0);
  return true;
}

// Window managers here keep the title bar's menu to themselves, so the two
// items live in the context menu of the header and the title band.
void CParcel2Dlg::BuildSystemMenu() {
  SystemMenu = new QMenu(GetWidget());
  const QString reacquire = LoadString(IDS_REACQUIRE);
  if (!reacquire.isEmpty()) {
    SystemMenu->addSeparator();
    ReacquireItem = SystemMenu->addAction(reacquire, [this] { OnSysCommand(IDM_REACQUIRE); });
    ReacquireItem->setCheckable(true);
    ReacquireItem->setChecked(GetApp().ReacquireDownloadInfo.load() != 0);
  }
  const QString about = LoadString(IDS_ABOUTBOX);
  if (!about.isEmpty()) {
    SystemMenu->addSeparator();
    SystemMenu->addAction(about, [this] { OnSysCommand(IDM_ABOUTBOX); });
  }
}

void CParcel2Dlg::OnSysCommand(int id) {
  if ((id & ~0xF) == IDM_ABOUTBOX) {
    CAboutDlg about;
    about.DoModal(GetWidget());
  } else if ((id & ~0xF) == IDM_REACQUIRE) {
    CParcel2App& app = GetApp();
    app.ReacquireDownloadInfo = app.ReacquireDownloadInfo.load() ? 0 : 1;
    if (ReacquireItem) ReacquireItem->setChecked(app.ReacquireDownloadInfo.load() != 0);
  }
}

void CParcel2Dlg::OnContextMenu(const QPoint& globalPos, bool fromKeyboard) {
  QWidget* widget = GetWidget();
  if (!widget || !SystemMenu) return;
  const QRect band = GetDlgItemRect(IDC_HEADER).united(GetDlgItemRect(IDC_TITLE_BAND));
  if (fromKeyboard) {
    SystemMenu->popup(widget->mapToGlobal(band.bottomLeft()));
  } else if (band.contains(widget->mapFromGlobal(globalPos))) {
    SystemMenu->popup(globalPos);
  }
}

void CParcel2Dlg::OnWindowMessage(unsigned message, CMessageWParam wParam, CMessageLParam) {
  if (message == WM_WIZARD_EVENT) OnWizardEvent(static_cast<int>(static_cast<CMessageLParam>(wParam)));
  else if (message == WM_WIZARD_QUIT) OnWizardQuit();
  else if (message == WM_ENTER_PURCHASE) OnEnterPurchase();
}

void CParcel2Dlg::OnWindowMessage(unsigned message, CMessageWParam wParam, CMessageLParam lParam,
                                  const std::any& payload) {
  const auto* report = std::any_cast<CWizardReport>(&payload);
  if (message == WM_WIZARD_EVENT && report) OnWizardEvent(static_cast<int>(static_cast<CMessageLParam>(wParam)), *report);
  else OnWindowMessage(message, wParam, lParam);
}

bool CParcel2Dlg::OnCommand(int commandId) {
  if (commandId == ID_LOG_TOGGLE) {
    OnLogToggle();
    return true;
  }
  if (commandId == ID_NO_ACTION) return true;
  return CDialogWindow::OnCommand(commandId);
}

void CParcel2Dlg::OnLogToggle() {
  CParcel2App& app = GetApp();
  const bool enabled = app.LogEnabled.load() == 0;
  app.LogEnabled = enabled ? 1 : 0;
  ShowDlgItem(IDC_LOG, enabled);
  if (!enabled) LogInfo(app.Logger, "* Log Stop **************************************");
  app.Logger.SetLevel(enabled ? 6 : 0, true);
  if (enabled) {
    LogInfo(app.Logger, "* Log Start *************************************");
    app.LogProgramVersion();
    app.LogSystemLine();
  }
}

void CParcel2Dlg::OnOK() { PostWizardEvent(GetSafeHwnd(), EV_NEXT); }

void CParcel2Dlg::OnCancel() {
  if (ShowMessageBox(GetSafeHwnd(), LoadString(IDS_CANCEL_QUESTION), LoadString(IDS_CANCEL_CAPTION),
                     MB_YESNO | MB_DEFBUTTON2) == IDYES)
    EndWizard();
}

void CParcel2Dlg::OnWizardQuit() {
  if (!IsEnded()) OnCancel();
}

// The page goes with the wizard, so its timers stop and its workers' reports
// find no window to reach.
void CParcel2Dlg::EndWizard() {
  InstallStop->store(1);
  DestroyCurrentPage();
  EndDialog(IDCANCEL);
}

void CParcel2Dlg::OnPaint(QPainter& painter) {
  painter.fillRect(GetDlgItemRect(IDC_TITLE_BAND), Qt::white);
  painter.setFont(TitleFont);
  painter.setPen(Qt::black);
  painter.drawText(GetDlgItemRect(IDC_TITLE), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, TitleText);
  const QRect header = GetDlgItemRect(IDC_HEADER);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(QRect(QPoint(0, 0), header.size()), LoadHeaderImage());
}

void CParcel2Dlg::OnDestroy() {
  InstallStop->store(1);
  DestroyCurrentPage();
  SystemMenu = nullptr;
  ReacquireItem = nullptr;
}

// The list and the log are the application's, which joins every worker
// before it lets them go.
// A quit does not wait for a waited command: the flag tells the worker.
void CParcel2Dlg::StartInstallation() {
  CParcel2App& app = GetApp();
  InstallStop = std::make_shared<std::atomic<std::int32_t>>(0);
  CInstallJob job{GetSafeHwnd(), InstallStop};
  BeginWorkerThread([job, &list = app.DownloadList, &logger = app.Logger] { InstallThreadProc(job, list, logger); });
}
