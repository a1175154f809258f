#include "pages/Parcel2Dlg05.h"

#include "install/DiskUtilities.h"
#include "install/FolderOperations.h"
#include "pages/SaveLocation.h"
#include "pages/SizeText.h"
#include "res/ResourceIds.h"
#include "res/Strings.h"
#include "wizard/Parcel2App.h"
#include "wizard/WizardEvents.h"

#include <QFileDialog>
#include <QFontDatabase>
#include <QLineEdit>

QString BrowseForFolderDialog(QWidget* owner, const QString& title, const QString& start) {
  return QFileDialog::getExistingDirectory(owner, title, start, QFileDialog::ShowDirsOnly);
}

bool CParcel2Dlg05::OnInitDialog() {
  CParcel2App& app = GetApp();
  // Made here, not with the page object: the font database needs the
  // application, which the frame's pages may predate.
  EditFont = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  EditFont.setPixelSize(14);
  EditFont.setWeight(QFont::Normal);
  auto* edit = GetControl<QLineEdit>(IDC_FOLDER);
  edit->setFont(EditFont);
  QObject::connect(edit, &QLineEdit::textChanged, edit, [this] { OnUpdateFolder(); });

  QString folder = app.DownloadList.TargetSaveDir;
  if (folder.isEmpty()) folder = GetDocumentsFolderPath();
  SetDlgItemText(IDC_FOLDER, folder);
  if (folder.isEmpty()) OnUpdateFolder();  // setting an empty edit's text changes nothing

  // Kept for the whole visit, whatever volume the user types.
  RequiredSpace = app.DownloadList.GetRequiredSpace();
  SetDlgItemText(IDC_REQUIRED_SPACE, FormatSizeTextCoarse(RequiredSpace));
  return true;
}

void CParcel2Dlg05::OnUpdateFolder() {
  const QString text = GetDlgItemText(IDC_FOLDER);
  FreeSpace = GetDriveFreeSpace(GetApp().Logger, text);
  SetDlgItemText(IDC_FREE_SPACE, FormatSizeText(FreeSpace));
  EnableDlgItem(IDOK, !text.isEmpty());
}

bool CParcel2Dlg05::OnCommand(int commandId) {
  if (commandId == IDC_BROWSE) {
    OnBrowse();
    return true;
  }
  return CParcel2SubDlg::OnCommand(commandId);
}

// The chosen folder is taken whole: a path cut short names another folder.
void CParcel2Dlg05::OnBrowse() {
  if (!BrowseForFolder) return;
  const QString chosen = BrowseForFolder(GetWidget(), LoadString(IDS_BROWSE_TITLE), GetDlgItemText(IDC_FOLDER));
  if (!chosen.isEmpty() && HasWindow()) SetDlgItemText(IDC_FOLDER, chosen);
}

bool CParcel2Dlg05::IsVolumeRoot(const QString& path) {
  for (const CVolume& volume : GetFixedVolumes())
    if (path == volume.MountPoint || path == volume.BaseFolder) return true;
  return false;
}

void CParcel2Dlg05::OnOK() {
  CDownloadList& list = GetApp().DownloadList;
  QString path = GetDlgItemText(IDC_FOLDER);
  // Refused before any question: the list file could not keep it, so the
  // download could never resume there.
  if (HasListDelimiter(path)) {
    ShowSaveMessage(*this, IDS_NOT_A_FOLDER, SAVE_ERROR);
    return;
  }

  const QString previous = list.TargetSaveDir;
  bool invalidate = false;
  if (!previous.isEmpty() && previous != path) {
    if (ShowSaveMessage(*this, IDS_FOLDER_DIFFERS, SAVE_WARNING_QUESTION) != IDYES) {
      SetDlgItemText(IDC_FOLDER, previous);
      return;
    }
    invalidate = true;
  }

  bool create = false;
  if (!IsVolumeRoot(path)) {
    CFileStatus status;
    if (!GetFileStatus(path, status)) {
      // Too long to qualify: no name to create or record.
      if (status.FullName.isEmpty()) {
        ShowSaveMessage(*this, IDS_NOT_A_FOLDER, SAVE_ERROR);
        return;
      }
      if (ShowSaveMessage(*this, IDS_CREATE_FOLDER, SAVE_QUESTION) != IDYES) return;
      create = true;
    } else if (!(status.Attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      ShowSaveMessage(*this, IDS_NOT_A_FOLDER, SAVE_ERROR);
      return;
    }
    path = status.FullName;
    SetDlgItemText(IDC_FOLDER, path);
  }
  if (!IsRecordableFolder(path)) {
    ShowSaveMessage(*this, IDS_NOT_A_FOLDER, SAVE_ERROR);
    return;
  }

  FreeSpace = GetDriveFreeSpace(GetApp().Logger, path);
  SetDlgItemText(IDC_FREE_SPACE, FormatSizeText(FreeSpace));
  if (FreeSpace <= RequiredSpace) {
    ShowSaveMessage(*this, IDS_NOT_ENOUGH_SPACE, SAVE_ERROR);
    return;
  }
  // The previous folder itself stays, and so do parts another run holds.
  if (invalidate && GetApp().ClaimWorkingFolder(false)) list.RemoveTempFiles();
  if (create) CreateFolder(path);          // a failure shows later as a failed download
  list.SetTargetSaveDir(path);
  list.AppendTargetSaveDir();
  PostToParent(WM_WIZARD_EVENT, EV_NEXT);
}
