#pragma once

#include "wizard/Parcel2SubDlg.h"

// The download and connection error pages (templates 148 and 149).
class CParcel2DlgErr : public CParcel2SubDlg {
protected:
  bool OnInitDialog() override;

private:
  // On the connection error page, the host's own error answer replaces the
  // usual text, so a wrong purchase key does not look like a network fault.
  void ShowHostMessage();
};
