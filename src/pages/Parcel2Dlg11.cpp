#include "pages/Parcel2Dlg11.h"

#include "res/ResourceIds.h"
#include "wizard/Parcel2App.h"

// With nothing to install only Finish is left.
bool CParcel2Dlg11::OnInitDialog() {
  if (GetApp().DownloadList.GetInstallEntryCount() <= 0) EnableDlgItem(IDOK, false);
  return true;
}
