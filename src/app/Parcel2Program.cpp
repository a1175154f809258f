#include "app/Parcel2Program.h"

#include "app/Parcel2Dlg.h"

#include <memory>

bool CParcel2Program::InitInstance() {
  if (PrepareInstance()) RunWizard();
  return false;
}

void CParcel2Program::RunWizard() {
  auto frame = std::make_unique<CParcel2Dlg>();
  if (FrameObserver) FrameObserver(*frame);
  frame->DoModal();
  if (WizardEndObserver) WizardEndObserver();
  // The pages wait for their workers as they go; a worker still waiting for
  // a box gets its default answer first, or the two would wait on each other.
  CloseMessageBoxes();
  frame.reset();
}
