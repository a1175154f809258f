#pragma once

#include "app/Parcel2SubDlg.h"

// The install page (template 145).
class CParcel2Dlg11 : public CParcel2SubDlg {};
