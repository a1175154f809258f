#pragma once

#include "wizard/Parcel2SubDlg.h"

// The install page (template 145): Install runs the list's install
// commands, Finish (the base's secondary button) ends the wizard.
class CParcel2Dlg11 : public CParcel2SubDlg {
protected:
  bool OnInitDialog() override;
};
