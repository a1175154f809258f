#include "app/AboutDlg.h"

#include "platform/ui/Artwork.h"
#include "res/DialogTemplates.h"

int CAboutDlg::DoModal(QWidget* owner) { return CDialogWindow::DoModal(FindDialogTemplate(IDD_ABOUTBOX), owner); }

bool CAboutDlg::CreateModeless(QWidget* owner) { return CDialogWindow::CreateModeless(FindDialogTemplate(IDD_ABOUTBOX), owner); }

bool CAboutDlg::OnInitDialog() {
  GetWidget()->setWindowIcon(LoadAppIcon());
  return true;
}
