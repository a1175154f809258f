#pragma once

#include "app/Parcel2SubDlg.h"

// The download progress page (template 137).
class CParcel2Dlg03 : public CParcel2SubDlg {};
