#pragma once

#include "wizard/Parcel2SubDlg.h"

// The confirmation of the software to be downloaded: shows the product's
// name in the language the application chose.
class CParcel2Dlg02 : public CParcel2SubDlg {
protected:
  bool OnInitDialog() override;
};
