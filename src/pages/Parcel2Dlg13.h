#pragma once

#include "app/Parcel2SubDlg.h"

// The drive selection page (template 147).
class CParcel2Dlg13 : public CParcel2SubDlg {};
