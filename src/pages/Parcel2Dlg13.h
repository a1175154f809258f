#pragma once

#include "install/VolumeTable.h"
#include "wizard/Parcel2SubDlg.h"

#include <cstdint>
#include <vector>

// The drive selection page (template 147): lists the fixed volumes and
// saves into the default folder on the chosen one. Leaving the previous
// folder is asked first and throws its parts away. Its hidden Change
// Folder button would lead to the folder page.
class CParcel2Dlg13 : public CParcel2SubDlg {
public:
  std::uint64_t RequiredSpace = 0;
  std::vector<CVolume> Volumes;

protected:
  bool OnInitDialog() override;
  void OnOK() override;

private:
  // The first volume with strictly more free space than the product needs
  // twice; -1 when none has.
  int SelectDriveWithSpace();
  void OnSelChange();
  // The volume of the selected item, nullptr when none is selected.
  const CVolume* GetSelectedVolume() const;
};
