#pragma once

#include "app/DesktopNotifier.h"
#include "app/PurchaseLink.h"
#include "wizard/Parcel2App.h"

#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class CParcel2Dlg;
class QWidget;

// The running program: the application object with the wizard's frame on
// top. The pages below see only CParcel2App.
class CParcel2Program : public CParcel2App {
public:
  using CParcel2App::CParcel2App;
  ~CParcel2Program() override;

  // Prepares, settles the purchase, then runs the frame modally. Always
  // false: the program ends when it returns.
  bool InitInstance();
  void RunWizard();

  // Called with the frame before it runs (the unattended mode watches it).
  void SetFrameObserver(std::function<void(CParcel2Dlg&)> observer) { FrameObserver = std::move(observer); }
  // Called once the frame has ended, before the program waits for its workers.
  void SetWizardEndObserver(std::function<void()> observer) { WizardEndObserver = std::move(observer); }

  // A parcel2:// link from the program's arguments, in place of -P, -K and -H.
  void SetPurchaseLink(const CPurchaseLink& link) { Link = link; }
  // Whether the customer may be asked for a purchase the command line lacks
  // (the window mode).
  void SetMayAskForPurchase(bool mayAsk) { MayAskForPurchase = mayAsk; }
  // After the command line is read: takes the link (the customer answers
  // for an unknown host, a link that cannot be used is refused with a box)
  // and asks for what is still missing. False when the wizard must not run.
  bool SettlePurchase();
  // 1 when a link was refused, else 0.
  int GetStartExitCode() const { return StartExitCode; }

  // A later start handed its arguments over (UI thread): the wizard comes
  // forward, and says it is busy when they name another purchase.
  void OnSecondStart(const QStringList& arguments);
  // The purchase dialog over owner, filled with the number and the given
  // key; false when it was cancelled. What was entered becomes the purchase.
  bool AskForPurchase(QWidget* owner, const QString& key);

private:
  bool TakeLink(const CPurchaseLink& link);

  std::function<void(CParcel2Dlg&)> FrameObserver;
  std::function<void()> WizardEndObserver;
  std::optional<CPurchaseLink> Link;
  bool MayAskForPurchase = false;
  int StartExitCode = 0;
  CParcel2Dlg* Frame = nullptr;  // while the wizard runs
  std::unique_ptr<CDesktopNotifier> Notifier;
};
