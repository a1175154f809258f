#include "pages/Parcel2Dlg04.h"

#include "res/ResourceIds.h"
#include "wizard/Parcel2App.h"

#include <QFontDatabase>
#include <QPlainTextEdit>

// A fixed-pitch face keeps a long path readable character by character.
CParcel2Dlg04::CParcel2Dlg04() : SavedFileFont(QFontDatabase::systemFont(QFontDatabase::FixedFont)) {
  SavedFileFont.setPixelSize(14);
  SavedFileFont.setWeight(QFont::Normal);
  SavedFileFont.setFixedPitch(true);
}

bool CParcel2Dlg04::OnInitDialog() {
  if (auto* edit = GetControl<QPlainTextEdit>(IDC_SAVED_FILE)) {
    edit->setFont(SavedFileFont);
    edit->setReadOnly(true);
    // A long path wraps inside the frame rather than scrolling sideways.
    edit->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  }
  SetDlgItemText(IDC_SAVED_FILE, GetApp().DownloadList.GetOutputFilePath());
  return true;
}
