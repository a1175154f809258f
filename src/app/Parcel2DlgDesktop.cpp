#include "app/DesktopNotifier.h"
#include "app/Parcel2Dlg.h"
#include "log/Log.h"
#include "platform/UiLanguage.h"
#include "res/ResourceIds.h"
#include "res/Strings.h"
#include "wizard/Parcel2App.h"
#include "wizard/WizardEvents.h"

// The frame's side that faces the desktop: the purchase entered again after
// the host turned it down, and the notifications for a window out of sight.

// A wrong number or key is what the host's own refusal usually means: Try
// Again alone would send the same purchase again.
void CParcel2Dlg::OfferPurchaseEntry() {
  const bool refused = !CurrentReport.HostMessage.isEmpty() && CurrentReport.CertificateProblem.isEmpty();
  if (PurchaseEntry && refused && CurrentPage == &PageErr) PageErr.ShowDlgItem(IDC_ENTER_PURCHASE, true);
}

// The list worker has reported before the error page was shown, so nothing
// reads the purchase while it changes; the next acquisition sends the new one.
void CParcel2Dlg::OnEnterPurchase() {
  if (IsEnded() || !PurchaseEntry || GetCurrentState() != ST_CONNECT_ERROR) return;
  if (PurchaseEntry(GetWidget()) && !IsEnded() && GetCurrentState() == ST_CONNECT_ERROR) OnWizardEvent(EV_NEXT);
}

void CParcel2Dlg::NotifyIfUnseen(int state) {
  QWidget* window = GetWidget();
  if (!Notifier || !window) return;
  const bool unseen = !window->isVisible() || window->isMinimized();
  int textId = 0;
  if (state == ST_INSTALLING) textId = IDS_NOTIFY_INSTALLING;
  else if (state == ST_DOWNLOAD_COMPLETE && unseen) textId = IDS_NOTIFY_SAVED;
  if (textId == 0) return;
  CParcel2App& app = GetApp();
  CDownloadList& list = app.DownloadList;
  const QString product = app.UiLanguage.load() == LANG_JAPANESE ? list.SoftwareName : list.SoftwareEnName;
  if (Notifier->Notify(product, FormatString(textId, list.GetOutputFilePath())))
    LogTrace(app.Logger, "Desktop notification for state %d", state);
}
