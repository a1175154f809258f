#pragma once

#include "wizard/Parcel2SubDlg.h"

#include <QFont>
#include <QString>

#include <cstdint>
#include <functional>

// Chooses a folder, starting at a folder; empty when the user cancels.
// Runs on the UI thread, owned by the page's window.
using CBrowseForFolder = std::function<QString(QWidget* owner, const QString& title, const QString& start)>;

// Qt's directory dialog, directories only.
QString BrowseForFolderDialog(QWidget* owner, const QString& title, const QString& start);

// The folder selection page (template 139): any folder, typed or chosen,
// checked for existence and room (strictly more than needed), created when
// the user agrees, and recorded as the save folder.
class CParcel2Dlg05 : public CParcel2SubDlg {
public:
  std::uint64_t RequiredSpace = 0;
  std::uint64_t FreeSpace = 0;
  // Tests put their own chooser in.
  CBrowseForFolder BrowseForFolder = BrowseForFolderDialog;

protected:
  bool OnInitDialog() override;
  void OnOK() override;
  bool OnCommand(int commandId) override;

private:
  // Every change of the edit's text, typed or set here.
  void OnUpdateFolder();
  void OnBrowse();
  // The volumes' own folders are taken as typed, without the existence check.
  static bool IsVolumeRoot(const QString& path);

  QFont EditFont;
};
