#include "app/Parcel2Program.h"

#include "app/DesktopNotifier.h"
#include "app/Parcel2Dlg.h"
#include "app/SingleInstance.h"
#include "app/ProgramArguments.h"
#include "app/PurchaseDlg.h"
#include "log/Log.h"
#include "log/PurchaseKeyMask.h"
#include "platform/MessageBox.h"
#include "platform/UiLanguage.h"
#include "res/ResourceIds.h"
#include "res/Strings.h"

#include <memory>

bool CParcel2Program::InitInstance() {
  if (PrepareInstance() && SettlePurchase()) RunWizard();
  return false;
}

CParcel2Program::~CParcel2Program() = default;

void CParcel2Program::RunWizard() {
  auto frame = std::make_unique<CParcel2Dlg>();
  if (FrameObserver) FrameObserver(*frame);
  // Only a customer at the window can type a purchase or see a notification.
  if (MayAskForPurchase) {
    frame->SetPurchaseEntry([this](QWidget* owner) { return AskForPurchase(owner, QString()); });
    Notifier = std::make_unique<CDesktopNotifier>();
    frame->SetNotifier(Notifier.get());
  }
  Frame = frame.get();
  frame->DoModal();
  Frame = nullptr;
  if (WizardEndObserver) WizardEndObserver();
  // A notification sent as the wizard ended still reaches the desktop.
  if (Notifier) Notifier->Flush();
  // The pages wait for their workers as they go; a worker still waiting for
  // a box gets its default answer first, or the two would wait on each other.
  CloseMessageBoxes();
  frame.reset();
}

bool CParcel2Program::SettlePurchase() {
  if (Link && !TakeLink(*Link)) {
    StartExitCode = EXIT_USAGE;
    return false;
  }
  if ((PurchaseNo > 0 && !PurchaseKey.isEmpty()) || !MayAskForPurchase) return true;
  return AskForPurchase(nullptr, PurchaseKey);
}

bool CParcel2Program::AskForPurchase(QWidget* owner, const QString& key) {
  CPurchaseDlg dialog;
  dialog.Number = PurchaseNo;
  dialog.Key = key;
  if (dialog.DoModal(owner) != IDOK) {
    LogInfo(Logger, "The purchase dialog was cancelled");
    return false;
  }
  PurchaseNo = dialog.Number;
  PurchaseKey = dialog.Key;
  SetMaskedPurchaseKey(PurchaseKey);
  // Never the key itself, even masked.
  LogInfo(Logger, "Purchase No=%d (entered)", PurchaseNo);
  return true;
}

void CParcel2Program::OnSecondStart(const QStringList& arguments) {
  LogInfo(Logger, "A second start handed over %d arguments", static_cast<int>(arguments.size()));
  BringWizardForward(Frame ? Frame->GetWidget() : nullptr);
  // The purchase it names, if any: a link's, or the number after -P.
  const CProgramArguments parsed = ParseProgramArguments(arguments);
  int number = parsed.HasLink ? parsed.Link.Number : 0;
  const qsizetype switchAt = arguments.indexOf(QStringLiteral("-P"));
  if (switchAt >= 0 && switchAt + 1 < arguments.size()) number = ReadPurchaseNumber(arguments[switchAt + 1]);
  if (number > 0 && PurchaseNo > 0 && number != PurchaseNo)
    ShowMessageBox(Frame ? Frame->GetSafeHwnd() : 0, FormatString(IDS_ALREADY_RUNNING, PurchaseNo), LoadString(IDS_SAVE_CAPTION),
                   MB_OK | MB_ICONEXCLAMATION);
}

// A link comes from a web page: it may not send the customer's key to a
// host that nobody vouches for unless the customer says so (No is the
// default answer).
bool CParcel2Program::TakeLink(const CPurchaseLink& link) {
  const QString caption = LoadString(IDS_SAVE_CAPTION);
  if (link.Problem != LINK_OK) {
    const int reason = PurchaseLinkProblemText(link.Problem);
    LogError(Logger, "Purchase link refused: %s", LoadString(reason, LANG_ENGLISH_US));
    ShowMessageBox(0, FormatString(IDS_LINK_REFUSED, LoadString(reason)), caption, MB_OK | MB_ICONEXCLAMATION);
    return false;
  }
  if (link.Host == LINK_HOST_UNTRUSTED &&
      ShowMessageBox(0, FormatString(IDS_DOWNLOAD_FROM, link.HostShown), caption,
                     MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES) {
    LogInfo(Logger, "Purchase link: the customer declined the host %s", link.HostShown);
    return false;
  }
  PurchaseNo = link.Number;
  PurchaseKey = link.Key;
  SetMaskedPurchaseKey(PurchaseKey);
  if (!link.HostUrl.isEmpty()) HostUrl = link.HostUrl;
  LogInfo(Logger, "Purchase link: Purchase No=%d", PurchaseNo);
  LogInfo(Logger, "Host=%s", HostUrl);
  return true;
}
