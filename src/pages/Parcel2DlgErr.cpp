#include "pages/Parcel2DlgErr.h"

#include "res/ResourceIds.h"
#include "res/Strings.h"
#include "wizard/WizardEvents.h"

bool CParcel2DlgErr::OnInitDialog() {
  ShowHostMessage();
  return true;
}

bool CParcel2DlgErr::OnCommand(int commandId) {
  if (commandId != IDC_ENTER_PURCHASE) return CParcel2SubDlg::OnCommand(commandId);
  PostToParent(WM_ENTER_PURCHASE);
  return true;
}

void CParcel2DlgErr::ShowHostMessage() {
  if (GetTemplate() && GetTemplate()->Id == IDD_DOWNLOAD_ERROR && Report.DiskFull)
    SetDlgItemText(IDC_MESSAGE, LoadString(IDS_DOWNLOAD_ERROR_DISK_FULL));
  if (!GetTemplate() || GetTemplate()->Id != IDD_CONNECT_ERROR) return;
  if (!Report.ListProblem.isEmpty()) {
    SetDlgItemText(IDC_MESSAGE, FormatString(IDS_LIST_NOT_VERIFIED, Report.ListProblem));
    return;
  }
  const QString& problem = Report.CertificateProblem;
  const QString& message = Report.HostMessage;
  if (!problem.isEmpty())
    SetDlgItemText(IDC_MESSAGE, FormatString(IDS_CONNECT_ERROR_CERTIFICATE, problem));
  else if (!message.isEmpty())
    SetDlgItemText(IDC_MESSAGE, FormatString(IDS_CONNECT_ERROR_HOST_MESSAGE, message));
}
