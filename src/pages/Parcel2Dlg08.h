#pragma once

#include "app/Parcel2SubDlg.h"

// The page that acquires the download information (template 142).
class CParcel2Dlg08 : public CParcel2SubDlg {};
