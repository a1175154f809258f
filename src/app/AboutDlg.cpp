#include "app/AboutDlg.h"

#include "platform/ui/Artwork.h"

int CAboutDlg::DoModal(QWidget* owner) { return CDialogWindow::DoModal(IDD_ABOUTBOX, owner); }

bool CAboutDlg::CreateModeless(QWidget* owner) { return CDialogWindow::CreateModeless(IDD_ABOUTBOX, owner); }

bool CAboutDlg::OnInitDialog() {
  GetWidget()->setWindowIcon(LoadAppIcon());
  return true;
}
