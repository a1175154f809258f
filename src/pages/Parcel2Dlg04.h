#pragma once

#include "wizard/Parcel2SubDlg.h"

#include <QFont>

// The download-complete page (template 138): shows where the product file
// was saved, in a read-only edit the user can copy the path from.
class CParcel2Dlg04 : public CParcel2SubDlg {
public:
  CParcel2Dlg04();

  const QFont& GetSavedFileFont() const { return SavedFileFont; }

protected:
  bool OnInitDialog() override;

private:
  QFont SavedFileFont;
};
