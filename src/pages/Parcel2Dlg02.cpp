#include "pages/Parcel2Dlg02.h"

#include "platform/UiLanguage.h"
#include "res/ResourceIds.h"
#include "wizard/Parcel2App.h"

bool CParcel2Dlg02::OnInitDialog() {
  const CParcel2App& app = GetApp();
  SetDlgItemText(IDC_PRODUCT_NAME, app.UiLanguage.load() == LANG_JAPANESE ? app.DownloadList.SoftwareName
                                                                          : app.DownloadList.SoftwareEnName);
  return true;
}
