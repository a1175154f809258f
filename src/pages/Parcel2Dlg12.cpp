#include "pages/Parcel2Dlg12.h"

#include "install/DiskUtilities.h"
#include "install/FolderOperations.h"
#include "log/Log.h"
#include "pages/SaveLocation.h"
#include "pages/SizeText.h"
#include "res/ResourceIds.h"
#include "res/Strings.h"
#include "wizard/Parcel2App.h"
#include "wizard/WizardEvents.h"

namespace {

// Posted to the page itself, so the box about a missing volume comes up
// over the page rather than over an empty frame.
constexpr unsigned WM_NO_VOLUME_WITH_SPACE = WM_USER + 12;

}  // namespace

bool CParcel2Dlg12::OnInitDialog() {
  CParcel2App& app = GetApp();
  Volumes = GetFixedVolumes();
  TargetFolder = app.DownloadList.TargetSaveDir;
  bool noVolumeFound = false;
  if (TargetFolder.isEmpty()) noVolumeFound = !PickDriveWithSpace();
  LogInfo(app.Logger, "Target save dir='%s'", TargetFolder);
  SetDlgItemText(IDC_FOLDER, TargetFolder);
  ShowSpace();
  if (noVolumeFound) PostMessage(GetSafeHwnd(), WM_NO_VOLUME_WITH_SPACE);
  SetTimer(UPDATE_TIMER, UPDATE_PERIOD_MS);
  return true;
}

bool CParcel2Dlg12::PickDriveWithSpace() {
  CParcel2App& app = GetApp();
  const std::uint64_t required = app.DownloadList.GetRequiredSpace();
  for (const CVolume& volume : Volumes) {
    if (GetDriveFreeSpace(app.Logger, volume.BaseFolder) > required) {
      TargetFolder = DefaultSaveFolder(volume);
      return true;
    }
  }
  return false;
}

void CParcel2Dlg12::ShowSpace() {
  SetDlgItemText(IDC_FREE_SPACE, FormatSizeText(GetDriveFreeSpace(GetApp().Logger, TargetFolder)));
  RequiredSpace = GetRequiredSpaceFor(TargetFolder);
  SetDlgItemText(IDC_REQUIRED_SPACE, FormatSizeText(RequiredSpace));
}

void CParcel2Dlg12::OnTimer(int) { ShowSpace(); }

void CParcel2Dlg12::OnWindowMessage(unsigned message, CMessageWParam wParam, CMessageLParam lParam) {
  if (message == WM_NO_VOLUME_WITH_SPACE) {
    ShowSaveMessage(*this, IDS_NOT_ENOUGH_SPACE, SAVE_ERROR);
    return;
  }
  CParcel2SubDlg::OnWindowMessage(message, wParam, lParam);
}

bool CParcel2Dlg12::OnCommand(int commandId) {
  if (commandId == IDC_BACK) {
    OnChangeFolder();
    return true;
  }
  return CParcel2SubDlg::OnCommand(commandId);
}

void CParcel2Dlg12::OnChangeFolder() {
  if (!GetApp().DownloadList.TargetSaveDir.isEmpty() &&
      ShowSaveMessage(*this, IDS_CHANGE_FOLDER, SAVE_WARNING_QUESTION) != IDYES)
    return;
  KillTimer(UPDATE_TIMER);
  PostToParent(WM_WIZARD_EVENT, EV_BACK);
}

void CParcel2Dlg12::OnOK() {
  CParcel2App& app = GetApp();
  CDownloadList& list = app.DownloadList;
  const std::uint64_t free = GetDriveFreeSpace(app.Logger, TargetFolder);
  const std::uint64_t required = list.GetRequiredSpace();
  // Without a volume with room there is no folder: only Change Folder leads on.
  if (!AcceptFolderOnNext(*this, TargetFolder, free, required)) return;
  CreateFolder(TargetFolder);  // a failure shows later as a failed download
  list.SetTargetSaveDir(TargetFolder);
  list.AppendTargetSaveDir();
  PostToParent(WM_WIZARD_EVENT, EV_NEXT);
  KillTimer(UPDATE_TIMER);
}
