#pragma once

#include "app/Parcel2SubDlg.h"

// The folder selection page (template 139).
class CParcel2Dlg05 : public CParcel2SubDlg {};
