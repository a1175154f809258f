#pragma once

#include "app/Parcel2SubDlg.h"

// The download and connection error pages (templates 148 and 149).
class CParcel2DlgErr : public CParcel2SubDlg {};
