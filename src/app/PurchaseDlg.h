#pragma once

#include "platform/ui/DialogWindow.h"

#include <QString>

// Asks for the purchase when the command line brings none, as a customer
// who starts the program from the desktop's menu sees it: the purchase
// number (digits only), then the key (dots unless "show" is ticked). OK is
// the default button and stays disabled until both make sense, with the
// reason under the fields when one is wrong (not merely missing); Cancel,
// Esc and the window's close button end the program. UI thread.
class CPurchaseDlg : public CDialogWindow {
public:
  int DoModal(QWidget* owner = nullptr);
  // Without a modal loop (tests and the render tool).
  bool CreateModeless(QWidget* owner = nullptr);

  // In: a number to start with (0: none). Out, after OK: what was typed.
  int Number = 0;
  QString Key;

protected:
  bool OnInitDialog() override;
  void OnOK() override;
  bool OnCommand(int commandId) override;
  void OnPaint(QPainter& painter) override;

private:
  // The number and the key as they would be taken; false when OK must wait.
  bool ReadInput(int& number, QString& key) const;
  void OnInputChanged();
};
