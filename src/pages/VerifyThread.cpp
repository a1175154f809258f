#include "log/Log.h"
#include "pages/MarkedParts.h"
#include "pages/Parcel2Dlg10.h"
#include "platform/WorkerThreads.h"
#include "wizard/Parcel2App.h"
#include "wizard/WizardEvents.h"

#include <QFile>

namespace {

void PostEvent(CParcel2Dlg10* page, int event) {
  PostWizardEvent(page->GetParentHandle(), event);
}

// A failure to delete is ignored: the next check finds the file wrong.
void DeleteProduct(const QString& path) {
  if (!path.isEmpty()) QFile::remove(path);
}

}  // namespace

// Runs on the verification worker.
void CParcel2Dlg10::VerifyThreadFunction(CParcel2Dlg10* page) {
  CParcel2App& app = GetApp();
  CDownloadList& list = app.DownloadList;
  CFileChecker& checker = page->Checker;
  const int count = list.GetDownloadEntryCount();

  // A product that is already there and right needs nothing more; one that
  // is not right stays as it is for now (the join replaces it).
  const QString productPath = list.GetOutputFilePath();
  QFile existing(productPath);
  if (!productPath.isEmpty() && existing.open(QIODevice::ReadOnly)) {
    existing.close();
    if (checker.CheckProduct() == 1) {
      page->ProgressHigh.store(100);
      PostEvent(page, EV_BACK);
      return;
    }
  }

  page->Phase.store(PHASE_PARTS);
  CountMarkedParts(list);
  if (list.IsAllDownloaded.load() == 0) {
    checker.MissingCount.store(count - 1);
    checker.CurrentIndex.store(0);
    for (int i = 1; i < count; ++i) {
      CDownloadEntry* entry = list.GetDownloadEntry(i);
      if (!entry) continue;
      if (checker.Check(entry) == 1) checker.MissingCount.fetch_sub(1);
      checker.CurrentIndex.store(i - 1);
    }
    if (checker.MissingCount.load() > 0) {
      PostEvent(page, EV_INCOMPLETE);
      return;
    }
    CountMarkedParts(list);
    if (list.IsAllDownloaded.load() == 0) {
      PostEvent(page, EV_INCOMPLETE);
      return;
    }
  }

  page->Phase.fetch_add(1);
  if (page->Joint.Join(list) == 0) {
    LogError(app.Logger, "FileJoint Error");
    DeleteProduct(productPath);
    PostEvent(page, EV_ERROR);
    return;
  }

  page->Phase.fetch_add(1);
  const CDownloadEntry* product = list.GetDownloadEntry(0);
  if (!product) {
    LogFatal(app.Logger, "Could not get DL-Entry0");
    // Without an event the page would stay with nothing running.
    PostEvent(page, EV_ERROR);
    return;
  }
  if (checker.CheckProduct() == 1) {
    LogTrace(app.Logger, "Identical digest:%s", product->FileName);
    PostEvent(page, EV_NEXT);
    page->Phase.fetch_add(1);
    BeginWorkerThread([list = &list] { RemoveTempFilesThreadFunction(list); });
    return;
  }
  LogTrace(app.Logger, "Differrent digest:%s", product->FileName);
  DeleteProduct(productPath);
  // Every part is checked again on the next visit: any of them may be the
  // one that spoilt the product.
  for (int i = 1; i < count; ++i) {
    if (CDownloadEntry* entry = list.GetDownloadEntry(i)) entry->IsDownloaded.store(0);
  }
  list.IsAllDownloaded.store(0);
  PostEvent(page, EV_ERROR);
}

// Runs on its own worker, joined at exit.
void CParcel2Dlg10::RemoveTempFilesThreadFunction(CDownloadList* list) { list->RemoveTempFiles(); }
