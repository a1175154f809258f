#pragma once

#include "platform/ui/DialogWindow.h"

// The about box: the icon, the program's name, its version and a notice.
class CAboutDlg : public CDialogWindow {
public:
  int DoModal(QWidget* owner);
  bool CreateModeless(QWidget* owner);

protected:
  bool OnInitDialog() override;
};
