#pragma once

#include "wizard/Parcel2SubDlg.h"

// The welcome page, the pages of the list's messages and the version error
// page. The frame sets MessageIndex or TextId before it creates the window.
class CParcel2Dlg00 : public CParcel2SubDlg {
public:
  int TextId = -1;
  int MessageIndex = -1;

protected:
  bool OnInitDialog() override;
};
