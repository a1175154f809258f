#pragma once

#include "pages/Parcel2Dlg00.h"
#include "pages/Parcel2Dlg02.h"
#include "pages/Parcel2Dlg03.h"
#include "pages/Parcel2Dlg04.h"
#include "pages/Parcel2Dlg05.h"
#include "pages/Parcel2Dlg08.h"
#include "pages/Parcel2Dlg10.h"
#include "pages/Parcel2Dlg11.h"
#include "pages/Parcel2Dlg12.h"
#include "pages/Parcel2Dlg13.h"
#include "pages/Parcel2DlgErr.h"
#include "platform/ui/DialogWindow.h"
#include "wizard/WizardEvents.h"

#include <QFont>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

class CActionEntry;
class CDesktopNotifier;
class QMenu;
class QAction;

// The wizard's frame: paints the header image and the current step's
// title, hosts the current page below it and runs the transition table.
// It owns one object of every page; a page's window exists only while its
// state is shown.
class CParcel2Dlg : public CDialogWindow {
public:
  CParcel2Dlg();
  ~CParcel2Dlg() override;

  int DoModal();
  // The frame without a modal loop, for tests and the render tool.
  bool CreateModeless();

  // The report rides with the event and stays the current state's.
  void OnWizardEvent(int event, const CWizardReport& report = {});
  void OnWizardQuit();
  bool SwitchToState(int state);
  // Shows a state as if the table's first row into it had been taken, so
  // later events go on from there (tests and the render tool).
  bool EnterState(int state, const CWizardReport& report = {});
  // Told of every state the frame switches to (-1 and unknown states too),
  // once the state's page is shown; the unattended mode drives the pages
  // through it.
  void SetStateObserver(std::function<void(int state)> observer) { StateObserver = std::move(observer); }
  // The window mode: asks for the purchase again over the frame, true when
  // a new one was entered. The connection error page then offers it when
  // the host turned the purchase down.
  void SetPurchaseEntry(std::function<bool(QWidget* owner)> entry) { PurchaseEntry = std::move(entry); }
  // The window mode: tells the desktop what the customer cannot see (the
  // install commands started, or the download completed while the window
  // was hidden or minimised). Not owned.
  void SetNotifier(CDesktopNotifier* notifier) { Notifier = notifier; }
  // The window-menu commands (offered as the header's context menu).
  void OnSysCommand(int id);

  // The state shown: the last row's next state, 0 before any.
  int GetCurrentState() const;
  // What the event that led to the current state reported.
  const CWizardReport& GetCurrentReport() const { return CurrentReport; }
  CParcel2SubDlg* GetCurrentPage() const { return CurrentPage; }
  const QString& GetTitleText() const { return TitleText; }
  QMenu* GetSystemMenu() const { return SystemMenu; }

  CParcel2Dlg00 Page00;
  CParcel2Dlg02 Page02;
  CParcel2Dlg03 Page03;
  CParcel2Dlg04 Page04;
  CParcel2Dlg05 Page05;
  CParcel2Dlg08 Page08;
  CParcel2Dlg10 Page10;
  CParcel2Dlg11 Page11;
  CParcel2Dlg12 Page12;
  CParcel2Dlg13 Page13;
  CParcel2DlgErr PageErr;

protected:
  bool OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;
  bool OnCommand(int commandId) override;
  void OnWindowMessage(unsigned message, CMessageWParam wParam, CMessageLParam lParam) override;
  void OnWindowMessage(unsigned message, CMessageWParam wParam, CMessageLParam lParam,
                       const std::any& payload) override;
  void OnPaint(QPainter& painter) override;
  void OnContextMenu(const QPoint& globalPos, bool fromKeyboard) override;
  void OnDestroy() override;
  // Starts the installation with the frame hidden; the install launcher's
  // thread posts EV_NEXT to the frame when it is done.
  virtual void StartInstallation();

private:
  void BuildSystemMenu();
  void OnLogToggle();
  bool ShowState(int state);
  void ShowPage(CParcel2SubDlg& page, int templateId);
  void DestroyCurrentPage();
  void SetTitle(const QString& title);
  void EndWizard();
  void OfferPurchaseEntry();
  void OnEnterPurchase();
  void NotifyIfUnseen(int state);

  QFont TitleFont;
  QString TitleText;
  const CActionEntry* CurrentAction = nullptr;
  CWizardReport CurrentReport;
  CParcel2SubDlg* CurrentPage = nullptr;
  QMenu* SystemMenu = nullptr;
  QAction* ReacquireItem = nullptr;
  std::function<void(int state)> StateObserver;
  std::function<bool(QWidget* owner)> PurchaseEntry;
  CDesktopNotifier* Notifier = nullptr;
  std::shared_ptr<std::atomic<std::int32_t>> InstallStop = std::make_shared<std::atomic<std::int32_t>>(0);
};
