#pragma once

#include "wizard/Parcel2SubDlg.h"

// The welcome page, the pages of the list's messages, the version error
// page and the page of a working folder another run holds. The frame sets
// MessageIndex or TextId (with the argument of its %s) before it creates
// the window.
class CParcel2Dlg00 : public CParcel2SubDlg {
public:
  int TextId = -1;
  QString TextArgument;
  int MessageIndex = -1;

protected:
  bool OnInitDialog() override;
};
