#include "pages/Parcel2Dlg11.h"

#include "app/Parcel2App.h"
#include "res/ResourceIds.h"

// With nothing to install only Finish is left.
bool CParcel2Dlg11::OnInitDialog() {
  if (GetApp().DownloadList.GetInstallEntryCount() <= 0) EnableDlgItem(IDOK, false);
  return true;
}
