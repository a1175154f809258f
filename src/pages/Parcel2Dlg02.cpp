#include "app/Parcel2Dlg02.h"

#include "app/Parcel2App.h"
#include "platform/UiLanguage.h"
#include "res/ResourceIds.h"

bool CParcel2Dlg02::OnInitDialog() {
  const CParcel2App& app = GetApp();
  SetDlgItemText(IDC_PRODUCT_NAME, app.UiLanguage.load() == LANG_JAPANESE ? app.DownloadList.SoftwareName
                                                                          : app.DownloadList.SoftwareEnName);
  return true;
}
