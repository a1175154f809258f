#pragma once

#include "platform/ui/DialogWindow.h"

// The base of every wizard page: a child window of the frame that reports
// to it only by posting. The primary button posts EV_NEXT, the secondary
// button (1007) EV_BACK, Cancel and Esc ask the frame to put the quit
// question, and the page's accelerators reach the frame's commands.
class CParcel2SubDlg : public CDialogWindow {
public:
  // Any thread: workers call it on their page. Only posts.
  virtual void OnError();

protected:
  void OnOK() override;
  void OnCancel() override;
  bool OnCommand(int commandId) override;
  bool PreTranslateKey(QKeyEvent& key) override;
};
