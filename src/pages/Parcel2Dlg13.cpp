#include "pages/Parcel2Dlg13.h"

#include "install/DiskUtilities.h"
#include "install/FolderOperations.h"
#include "log/Log.h"
#include "pages/SaveLocation.h"
#include "pages/SizeText.h"
#include "res/ResourceIds.h"
#include "res/Strings.h"
#include "wizard/Parcel2App.h"
#include "wizard/WizardEvents.h"

#include <QAbstractItemView>
#include <QComboBox>

bool CParcel2Dlg13::OnInitDialog() {
  CParcel2App& app = GetApp();
  const QString previous = app.DownloadList.TargetSaveDir;
  auto* combo = GetControl<QComboBox>(IDC_DRIVE_LIST);
  Volumes = GetFixedVolumes();
  for (int i = 0; i < static_cast<int>(Volumes.size()); ++i)
    combo->addItem(FormatString(IDS_DRIVE_ENTRY, Volumes[i].MountPoint), i);
  // Mount points are longer than drive letters: the opened list shows them whole.
  combo->view()->setMinimumWidth(combo->view()->sizeHintForColumn(0) + 2 * combo->view()->frameWidth());

  int selected = -1;
  if (!previous.isEmpty()) {
    // Only the volume that holds the previous folder; none when it is not listed.
    const QString volume = VolumeOf(previous);
    for (int i = 0; i < combo->count() && !volume.isEmpty(); ++i) {
      if (Volumes[combo->itemData(i).toInt()].MountPoint == volume) {
        selected = i;
        break;
      }
    }
  } else {
    selected = SelectDriveWithSpace();
  }
  combo->setCurrentIndex(selected);

  RequiredSpace = GetRequiredSpaceFor(previous);
  SetDlgItemText(IDC_REQUIRED_SPACE, FormatSizeText(RequiredSpace));
  OnSelChange();
  QObject::connect(combo, &QComboBox::currentIndexChanged, combo, [this] { OnSelChange(); });
  return true;
}

int CParcel2Dlg13::SelectDriveWithSpace() {
  CParcel2App& app = GetApp();
  const std::uint64_t required = GetProductSpace();
  auto* combo = GetControl<QComboBox>(IDC_DRIVE_LIST);
  for (int i = 0; i < combo->count(); ++i)
    if (GetDriveFreeSpace(app.Logger, Volumes[combo->itemData(i).toInt()].BaseFolder) > required) return i;
  return -1;
}

const CVolume* CParcel2Dlg13::GetSelectedVolume() const {
  const auto* combo = GetControl<QComboBox>(IDC_DRIVE_LIST);
  if (!combo || combo->currentIndex() < 0) return nullptr;
  const int index = combo->currentData().toInt();
  return index >= 0 && index < static_cast<int>(Volumes.size()) ? &Volumes[index] : nullptr;
}

// Without a selection the folder stays empty, and Next finds no room there.
void CParcel2Dlg13::OnSelChange() {
  CParcel2App& app = GetApp();
  const CVolume* volume = GetSelectedVolume();
  const QString folder = volume ? DefaultSaveFolder(*volume) : QString();
  LogInfo(app.Logger, "Target save path='%s'", folder);
  SetDlgItemText(IDC_FOLDER, folder);
  SetDlgItemText(IDC_FREE_SPACE, FormatSizeText(volume ? GetDriveFreeSpace(app.Logger, volume->BaseFolder) : 0));
  RequiredSpace = GetRequiredSpaceFor(folder);
  SetDlgItemText(IDC_REQUIRED_SPACE, FormatSizeText(RequiredSpace));
}

void CParcel2Dlg13::OnOK() {
  CParcel2App& app = GetApp();
  CDownloadList& list = app.DownloadList;
  const QString folder = GetDlgItemText(IDC_FOLDER);
  const std::uint64_t free = GetDriveFreeSpace(app.Logger, folder);
  const std::uint64_t required = GetRequiredSpaceFor(folder);
  // Checked before the question: nothing may be thrown away for a folder
  // that cannot be recorded.
  if (!AcceptFolderOnNext(*this, folder, free, required)) return;
  const QString previous = list.TargetSaveDir;
  if (!previous.isEmpty() && previous != folder) {
    if (ShowSaveMessage(*this, IDS_FOLDER_DIFFERS, SAVE_WARNING_QUESTION) != IDYES) return;
    // Parts another run holds are its own.
    if (app.ClaimWorkingFolder(false)) list.RemoveTempFiles();
    // Goes only when empty, so a finished product in it stays.
    RemoveFolder(previous);
  }
  CreateFolder(folder);  // a failure shows later as a failed download
  list.SetTargetSaveDir(folder);
  list.AppendTargetSaveDir();
  PostToParent(WM_WIZARD_EVENT, EV_NEXT);
}
