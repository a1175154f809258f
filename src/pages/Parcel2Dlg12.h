#pragma once

#include "install/VolumeTable.h"
#include "wizard/Parcel2SubDlg.h"

#include <QString>

#include <cstdint>
#include <vector>

// The folder confirmation page (template 146): proposes the folder used
// last time, or the default folder on the first fixed volume with room,
// shows the space needed and free every second, and settles the folder on
// Next. Change Folder leads to the drive page.
class CParcel2Dlg12 : public CParcel2SubDlg {
public:
  static constexpr int UPDATE_TIMER = 1;
  static constexpr int UPDATE_PERIOD_MS = 1000;

  std::uint64_t RequiredSpace = 0;
  std::vector<CVolume> Volumes;
  QString TargetFolder;

protected:
  bool OnInitDialog() override;
  void OnOK() override;
  bool OnCommand(int commandId) override;
  void OnTimer(int timerId) override;
  void OnWindowMessage(unsigned message, CMessageWParam wParam, CMessageLParam lParam) override;

private:
  // The first volume with strictly more free space than still needed.
  bool PickDriveWithSpace();
  void ShowSpace();
  void OnChangeFolder();
};
