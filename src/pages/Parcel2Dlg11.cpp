#include "pages/Parcel2Dlg11.h"

#include "res/ResourceIds.h"
#include "wizard/Parcel2App.h"

#include <QPushButton>

// With nothing to install only Finish is left, and it looks like what Enter
// presses (it has the focus).
bool CParcel2Dlg11::OnInitDialog() {
  if (GetApp().DownloadList.GetInstallEntryCount() <= 0) {
    EnableDlgItem(IDOK, false);
    if (auto* finish = GetControl<QPushButton>(IDC_BACK)) finish->setDefault(true);
  }
  return true;
}
