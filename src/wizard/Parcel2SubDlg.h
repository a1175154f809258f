#pragma once

#include "platform/ui/DialogWindow.h"

// The base of every wizard page: a child window of the frame that reports
// to it only by posting. The primary button posts EV_NEXT, the secondary
// button (1007) EV_BACK, Cancel and Esc ask the frame to put the quit
// question, and the page's accelerators reach the frame's commands.
class CParcel2SubDlg : public CDialogWindow {
public:
  // Any thread: workers report through their page. Both only post; a page
  // whose OnOK checks something first is not one a worker reports through.
  void OnOK() override;
  virtual void OnError();

protected:
  // Pages that touch the working folder's files hold it first; when
  // another run holds it, the page posts EV_FOLDER_BUSY and does nothing
  // more (false).
  bool ClaimWorkingFolder(bool make);
  void OnCancel() override;
  bool OnCommand(int commandId) override;
  bool PreTranslateKey(QKeyEvent& key) override;
};
