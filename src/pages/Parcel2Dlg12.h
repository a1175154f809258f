#pragma once

#include "app/Parcel2SubDlg.h"

// The folder confirmation page (template 146).
class CParcel2Dlg12 : public CParcel2SubDlg {};
