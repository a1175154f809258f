#include "log/Log.h"
#include "pages/Parcel2Dlg03.h"
#include "wizard/Parcel2App.h"
#include "wizard/WizardEvents.h"

// Runs on the download worker. The page reads the executer's estimate and
// the marks on its timer; the worker reports only by its final event.
void CParcel2Dlg03::DownloadThreadFunction(CParcel2Dlg03* page) {
  CParcel2App& app = GetApp();
  CDownloadExecuter& executer = page->Executer;
  executer.List = &app.DownloadList;
  executer.Checker.List = &app.DownloadList;
  executer.Transfer = &app.UrlDownload;
  executer.Ledger = &app.CheckedParts;
  executer.Product = &app.ProductAssembly;
  executer.SetPurchase(app.HostUrl, app.PurchaseNo, app.PurchaseKey, app.TestMode.load());
  executer.SetRateLimit(app.UrlDownload.GetMaxReceiveRate());
  executer.SetConnections(app.Connections.load());
  if (app.UrlDownload.GetMaxReceiveRate() > 0)
    LogInfo(app.Logger, "Bandwidth limit=%s bytes/s", QString::number(app.UrlDownload.GetMaxReceiveRate()));
  app.UrlDownload.SetDigestCheck(0);

  const int result = executer.Execute();
  page->Executed.store(1);
  app.UrlDownload.Disconnect();

  if (page->Cancelled.load() == 1) {
    PostWizardEvent(page->GetParentHandle(), EV_ABORT);
  } else if (result == 0) {
    LogError(app.Logger, "Download Error");
    CWizardReport report;
    report.DiskFull = executer.DiskFull.load() != 0;
    PostWizardEvent(page->GetParentHandle(), EV_ERROR, std::move(report));
  } else {
    LogTrace(app.Logger, "Finished download");
    page->OnOK();
  }
}
