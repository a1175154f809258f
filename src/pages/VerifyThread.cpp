#include "log/Log.h"
#include "pages/MarkedParts.h"
#include "pages/Parcel2Dlg10.h"
#include "platform/WorkerThreads.h"
#include "transfer/DigestPipeline.h"
#include "transfer/PartReaders.h"
#include "wizard/Parcel2App.h"
#include "wizard/WizardEvents.h"

#include <QFile>
#include <QFileInfo>

#include <optional>
#include <vector>

namespace {

void PostEvent(CParcel2Dlg10* page, int event) {
  PostWizardEvent(page->GetParentHandle(), event);
}

// A failure to delete is ignored: the next check finds the file wrong.
void DeleteProduct(const QString& path) {
  if (!path.isEmpty()) QFile::remove(path);
}

// What the verification knows of one part before it looks at its file.
struct CPartPlan {
  CDownloadEntry* Entry = nullptr;
  QString Path;
  CMD5Digest::Digest Expected{};
  bool Named = false;    // a digest that names a part file
  bool Trusted = false;  // checked by this process, and unchanged since
  bool WrongLength = false;  // a file that cannot be the part: not read
  int ReadIndex = -1;        // among the files being read
};

std::vector<CPartPlan> PlanParts(CDownloadList& list, const CCheckedParts& ledger) {
  std::vector<CPartPlan> plans(static_cast<std::size_t>(std::max(list.GetDownloadEntryCount(), 1)));
  for (std::size_t i = 1; i < plans.size(); ++i) {
    CPartPlan& plan = plans[i];
    plan.Entry = list.GetDownloadEntry(static_cast<int>(i));
    if (!plan.Entry) continue;
    plan.Path = list.GetTempFilePath(plan.Entry);
    plan.Named = !plan.Path.isEmpty() && CMD5Digest::ParseDigestText(plan.Entry->Digest, plan.Expected);
    plan.Trusted = plan.Named && ledger.IsUnchanged(plan.Path, plan.Expected);
    // The start of a part that broke off is read once, when it is resumed.
    const QFileInfo file(plan.Path);
    plan.WrongLength = plan.Named && !plan.Trusted && file.exists() && file.size() != plan.Entry->Size;
  }
  return plans;
}

bool AllUnchanged(const std::vector<CPartPlan>& plans, const CCheckedParts& ledger) {
  for (std::size_t i = 1; i < plans.size(); ++i) {
    const CPartPlan& plan = plans[i];
    if (!plan.Entry || !plan.Named || !ledger.IsUnchanged(plan.Path, plan.Expected)) return false;
  }
  return true;
}

// Runs on the verification worker. Every part is checked as before, but a
// part this process has checked itself and whose file is unchanged since
// is not read again, and the others are read several at once. When the
// marks say all parts are there, only parts that are no longer trusted are
// read, so a part changed on disk after its check is caught before the
// join. False when the worker ends here (an event was posted, or it was
// stopped).
bool CheckParts(CParcel2Dlg10* page, std::vector<CPartPlan>& plans) {
  CParcel2App& app = GetApp();
  CDownloadList& list = app.DownloadList;
  CFileChecker& checker = page->Checker;
  const int count = list.GetDownloadEntryCount();

  CountMarkedParts(list);
  const bool checkAll = list.IsAllDownloaded.load() == 0;
  if (checkAll) {
    checker.MissingCount.store(count - 1);
    checker.CurrentIndex.store(0);
  }
  std::vector<QString> paths;
  for (std::size_t i = 1; i < plans.size(); ++i) {
    CPartPlan& plan = plans[i];
    if (plan.Entry && plan.Named && !plan.Trusted && !plan.WrongLength) {
      plan.ReadIndex = static_cast<int>(paths.size());
      paths.push_back(plan.Path);
    }
  }
  CPartReaders readers(paths, &page->StopFlag, page->StepObserver);
  // The outcomes are taken in list order, so the log reads as it always has.
  for (int i = 1; i < count; ++i) {
    CPartPlan& plan = plans[static_cast<std::size_t>(i)];
    if (!plan.Entry) continue;
    if (!checkAll && plan.ReadIndex < 0 && !plan.WrongLength) continue;
    if (page->StopFlag.load()) return false;
    int result = 0;
    if (!plan.Named) {
      result = checker.Check(plan.Entry);
    } else if (plan.Trusted) {
      result = checker.CheckHashed(plan.Entry, CHashOutcome{CMD5Digest::HASH_DONE, plan.Expected});
    } else if (plan.WrongLength) {
      result = checker.CheckHashed(plan.Entry, CHashOutcome{CMD5Digest::HASH_WRONG_LENGTH, {}});
      app.CheckedParts.Forget(plan.Path);
    } else {
      CFileIdentity identity;
      result = checker.CheckHashed(plan.Entry, readers.Take(plan.ReadIndex, identity));
      if (result == 1) app.CheckedParts.Record(plan.Path, plan.Expected, identity);
      if (result == 0) app.CheckedParts.Forget(plan.Path);
    }
    if (result == CFileChecker::CHECK_STOPPED) return false;
    if (checkAll) {
      if (result == 1) checker.MissingCount.fetch_sub(1);
      checker.CurrentIndex.store(i - 1);
    }
  }
  if (checkAll && checker.MissingCount.load() > 0) {
    PostEvent(page, EV_INCOMPLETE);
    return false;
  }
  CountMarkedParts(list);
  if (list.IsAllDownloaded.load() == 0) {
    PostEvent(page, EV_INCOMPLETE);
    return false;
  }
  return true;
}

}  // namespace

// Runs on the verification worker. The product's digest comes from what
// was hashed already when every part arrived in order in this process and
// is unchanged, or is computed in the same pass as the join otherwise: the
// product is never read back to check it. A stop (the page is going) ends
// the work within a chunk, removes a half-joined product and posts nothing.
void CParcel2Dlg10::VerifyThreadFunction(CParcel2Dlg10* page) {
  CParcel2App& app = GetApp();
  CDownloadList& list = app.DownloadList;
  CCheckedParts& ledger = app.CheckedParts;
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
  if (page->StopFlag.load()) return;

  page->Phase.store(PHASE_PARTS);
  std::vector<CPartPlan> plans = PlanParts(list, ledger);
  if (!CheckParts(page, plans)) return;

  page->Phase.fetch_add(1);
  const std::optional<CMD5Context> known =
      AllUnchanged(plans, ledger) ? ledger.ProductOfAllParts(list) : std::nullopt;
  // The product was put together as the parts arrived: the join is a rename.
  std::int64_t assembledSize = 0;
  std::uint64_t joined = 0;
  if (known && ledger.IsAssemblyComplete(list, assembledSize))
    joined = page->Joint.Adopt(list, list.GetAssemblyFilePath(), static_cast<std::uint64_t>(assembledSize));
  const bool adopted = joined != 0;
  CDigestPipeline digest;
  if (!adopted) joined = page->Joint.Join(list, known ? nullptr : &digest);
  if (page->StopFlag.load()) {
    DeleteProduct(productPath);
    return;
  }
  if (joined == 0) {
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
  int same = 0;
  if (!known) {
    same = checker.CheckProductDigest(digest.GetProduct()->Final());
  } else if (adopted || AllUnchanged(plans, ledger)) {
    same = checker.CheckProductDigest(known->Final());
  } else {
    // A part was touched while it was copied: only the product itself can
    // say what was joined.
    same = checker.CheckProduct();
    if (page->StopFlag.load()) return;
  }
  if (same == 1) {
    LogTrace(app.Logger, "Identical digest:%s", product->FileName);
    PostEvent(page, EV_NEXT);
    page->Phase.fetch_add(1);
    BeginWorkerThread([list = &list] { RemoveTempFilesThreadFunction(list); });
    return;
  }
  LogTrace(app.Logger, "Differrent digest:%s", product->FileName);
  DeleteProduct(productPath);
  // Every part is checked again on the next visit, read from its file: any
  // of them may be the one that spoilt the product.
  for (int i = 1; i < count; ++i) {
    if (CDownloadEntry* entry = list.GetDownloadEntry(i)) entry->IsDownloaded.store(0);
  }
  list.IsAllDownloaded.store(0);
  ledger.Clear();
  PostEvent(page, EV_ERROR);
}

// Runs on its own worker, joined at exit.
void CParcel2Dlg10::RemoveTempFilesThreadFunction(CDownloadList* list) { list->RemoveTempFiles(); }
