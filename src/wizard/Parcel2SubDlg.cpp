#include "wizard/Parcel2SubDlg.h"

#include "res/ResourceIds.h"
#include "wizard/Parcel2App.h"
#include "wizard/WizardEvents.h"

#include <QKeyEvent>

namespace {

struct CAccelerator {
  int Key;
  Qt::KeyboardModifiers Modifiers;
  int Command;
};

// The pages' accelerator table.
const CAccelerator PAGE_ACCELERATORS[] = {
    {Qt::Key_L, Qt::ControlModifier | Qt::AltModifier, ID_LOG_TOGGLE},
    {Qt::Key_F9, Qt::NoModifier, ID_LOG_TOGGLE},
    {Qt::Key_F12, Qt::NoModifier, ID_NO_ACTION},
};

}  // namespace

void CParcel2SubDlg::OnOK() { PostToParent(WM_WIZARD_EVENT, EV_NEXT); }

bool CParcel2SubDlg::ClaimWorkingFolder(bool make) {
  if (GetApp().ClaimWorkingFolder(make)) return true;
  PostToParent(WM_WIZARD_EVENT, EV_FOLDER_BUSY);
  return false;
}

void CParcel2SubDlg::OnCancel() { PostToParent(WM_WIZARD_QUIT); }

void CParcel2SubDlg::OnError() { PostToParent(WM_WIZARD_EVENT, EV_ERROR); }

bool CParcel2SubDlg::OnCommand(int commandId) {
  if (commandId == IDC_BACK) {
    PostToParent(WM_WIZARD_EVENT, EV_BACK);
    return true;
  }
  return CDialogWindow::OnCommand(commandId);
}

// The commands are the frame's: the page does not handle them, so they go
// on to its parent.
bool CParcel2SubDlg::PreTranslateKey(QKeyEvent& key) {
  const Qt::KeyboardModifiers modifiers = key.modifiers() & ~Qt::KeypadModifier;
  for (const CAccelerator& accelerator : PAGE_ACCELERATORS) {
    if (key.key() == accelerator.Key && modifiers == accelerator.Modifiers) {
      SendCommand(accelerator.Command);
      return true;
    }
  }
  return false;
}
