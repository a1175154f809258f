#pragma once

#include "wizard/Parcel2SubDlg.h"
#include "wizard/WizardEvents.h"

// The download and connection error pages (templates 148 and 149), and on
// template 149 the page for a list whose signature did not hold.
class CParcel2DlgErr : public CParcel2SubDlg {
public:
  // What the event that led here reported; the frame sets it before the
  // page is shown.
  CWizardReport Report;

protected:
  bool OnInitDialog() override;
  // "Enter Purchase" (shown by the window mode) asks the frame for it.
  bool OnCommand(int commandId) override;

private:
  // On the connection error page, the host's own error answer or an
  // untrusted certificate replaces the usual text, so neither a wrong
  // purchase key nor a host we must not trust looks like a network fault.
  void ShowHostMessage();
};
