#pragma once

#include "app/Parcel2SubDlg.h"

// The download-complete page (template 138).
class CParcel2Dlg04 : public CParcel2SubDlg {};
