#pragma once

#include "app/Parcel2SubDlg.h"

// The verification page, also the check of what is already on disk (template 144).
class CParcel2Dlg10 : public CParcel2SubDlg {};
