#pragma once

#include "wizard/Parcel2App.h"

#include <functional>

class CParcel2Dlg;

// The running program: the application object with the wizard's frame on
// top. The pages below see only CParcel2App.
class CParcel2Program : public CParcel2App {
public:
  using CParcel2App::CParcel2App;

  // Prepares, then runs the frame modally. Always false: the program ends
  // when it returns.
  bool InitInstance();
  void RunWizard();

  // Called with the frame before it runs (the unattended mode watches it).
  void SetFrameObserver(std::function<void(CParcel2Dlg&)> observer) { FrameObserver = std::move(observer); }
  // Called once the frame has ended, before the program waits for its workers.
  void SetWizardEndObserver(std::function<void()> observer) { WizardEndObserver = std::move(observer); }

private:
  std::function<void(CParcel2Dlg&)> FrameObserver;
  std::function<void()> WizardEndObserver;
};
