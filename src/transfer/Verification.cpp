#include "transfer/Verification.h"

#include "list/DownloadList.h"
#include "log/Log.h"
#include "platform/NoFollowFile.h"
#include "transfer/CheckedParts.h"
#include "transfer/DigestPipeline.h"
#include "transfer/FileChecker.h"
#include "transfer/FileJoint.h"
#include "transfer/PartReaders.h"
#include "transfer/ProductAssembly.h"

#include <QFile>
#include <QFileInfo>

#include <optional>

namespace {

// A failure to delete is ignored: the next check finds the file wrong.
// A pipe or device named like the product is not ours to remove.
void DeleteProduct(const QString& path) {
  if (!path.isEmpty() && IsRegularOrMissing(path)) QFile::remove(path);
}

}  // namespace

// What the verification knows of one part before it looks at its file.
struct CVerification::CPartPlan {
  CDownloadEntry* Entry = nullptr;
  QString Path;
  CMD5Digest::Digest Expected{};
  bool Named = false;        // a digest that names a part file
  bool Trusted = false;      // checked by this process, and unchanged since
  bool WrongLength = false;  // a file that cannot be the part: not read
  int ReadIndex = -1;        // among the files being read
};

namespace {

template <typename CPlan>
std::vector<CPlan> PlanParts(CDownloadList& list, const CCheckedParts& ledger) {
  std::vector<CPlan> plans(static_cast<std::size_t>(std::max(list.GetDownloadEntryCount(), 1)));
  for (std::size_t i = 1; i < plans.size(); ++i) {
    CPlan& plan = plans[i];
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

template <typename CPlan>
bool AllUnchanged(const std::vector<CPlan>& plans, const CCheckedParts& ledger) {
  for (std::size_t i = 1; i < plans.size(); ++i) {
    const CPlan& plan = plans[i];
    if (!plan.Entry || !plan.Named || !ledger.IsUnchanged(plan.Path, plan.Expected)) return false;
  }
  return true;
}

}  // namespace

CVerification::CVerification(CLogWriter& logger, const CParts& parts, CFileChecker& checker, CFileJoint& joint,
                             const std::atomic<int>& stop, std::atomic<std::int32_t>& phase)
    : Logger(logger), Parts(parts), Checker(checker), Joint(joint), Stop(stop), Phase(phase) {}

// Every part is checked as before, but a part this process has checked
// itself and whose file is unchanged since is not read again, and the
// others are read several at once. When the marks say all parts are there,
// only parts that are no longer trusted are read, so a part changed on disk
// after its check is caught before the join. False when the verification
// ends here (with the outcome).
bool CVerification::CheckParts(std::vector<CPartPlan>& plans, EOutcome& outcome) {
  CDownloadList& list = Parts.List;
  CCheckedParts& ledger = Parts.Ledger;
  const int count = list.GetDownloadEntryCount();

  list.CountMarkedParts();
  const bool checkAll = list.IsAllDownloaded.load() == 0;
  if (checkAll) {
    Checker.MissingCount.store(count - 1);
    Checker.CurrentIndex.store(0);
  }
  std::vector<QString> paths;
  for (std::size_t i = 1; i < plans.size(); ++i) {
    CPartPlan& plan = plans[i];
    if (plan.Entry && plan.Named && !plan.Trusted && !plan.WrongLength) {
      plan.ReadIndex = static_cast<int>(paths.size());
      paths.push_back(plan.Path);
    }
  }
  CPartReaders readers(paths, &Stop, StepObserver);
  outcome = VERIFY_STOPPED;
  // The outcomes are taken in list order, so the log reads as it always has.
  for (int i = 1; i < count; ++i) {
    CPartPlan& plan = plans[static_cast<std::size_t>(i)];
    if (!plan.Entry) continue;
    if (!checkAll && plan.ReadIndex < 0 && !plan.WrongLength) continue;
    if (Stop.load()) return false;
    int result = 0;
    if (!plan.Named) {
      result = Checker.Check(plan.Entry);
    } else if (plan.Trusted) {
      result = Checker.CheckHashed(plan.Entry, CHashOutcome{CMD5Digest::HASH_DONE, plan.Expected});
    } else if (plan.WrongLength) {
      result = Checker.CheckHashed(plan.Entry, CHashOutcome{CMD5Digest::HASH_WRONG_LENGTH, {}});
      ledger.Forget(plan.Path);
    } else {
      CFileIdentity identity;
      result = Checker.CheckHashed(plan.Entry, readers.Take(plan.ReadIndex, identity));
      if (result == 1) ledger.Record(plan.Path, plan.Expected, identity);
      if (result == 0) ledger.Forget(plan.Path);
    }
    if (result == CFileChecker::CHECK_STOPPED) return false;
    if (checkAll) {
      if (result == 1) Checker.MissingCount.fetch_sub(1);
      Checker.CurrentIndex.store(i - 1);
    }
  }
  outcome = VERIFY_INCOMPLETE;
  if (checkAll && Checker.MissingCount.load() > 0) return false;
  list.CountMarkedParts();
  return list.IsAllDownloaded.load() != 0;
}

CVerification::EOutcome CVerification::Run() {
  CDownloadList& list = Parts.List;
  CCheckedParts& ledger = Parts.Ledger;
  CProductAssembly& assembly = Parts.Product;
  const int count = list.GetDownloadEntryCount();

  // A product that is already there and right needs nothing more; one that
  // is not right stays as it is for now (the join replaces it).
  const QString productPath = list.GetOutputFilePath();
  QFile existing;
  if (!productPath.isEmpty() && OpenRegularForReading(existing, productPath)) {
    existing.close();
    if (Checker.CheckProduct() == 1) return VERIFY_EXISTING;
  }
  if (Stop.load()) return VERIFY_STOPPED;

  Phase.store(PHASE_PARTS);
  std::vector<CPartPlan> plans = PlanParts<CPartPlan>(list, ledger);
  EOutcome outcome = VERIFY_STOPPED;
  if (!CheckParts(plans, outcome)) return outcome;

  Phase.fetch_add(1);
  const std::optional<CMD5Context> known =
      AllUnchanged(plans, ledger) ? assembly.ProductOfAllParts(list) : std::nullopt;
  // The product was put together as the parts arrived: the join is a rename.
  std::int64_t assembledSize = 0;
  std::uint64_t joined = 0;
  if (known && assembly.IsAssemblyComplete(list, assembledSize))
    joined = Joint.Adopt(list, list.GetAssemblyFilePath(), static_cast<std::uint64_t>(assembledSize));
  const bool adopted = joined != 0;
  CDigestPipeline digest;
  if (!adopted) {
    // An assembly that cannot be adopted (left by a cancel or a failed
    // part) would hold a third copy of the product while the join writes.
    QFile::remove(list.GetAssemblyFilePath());
    assembly.RecordAssembly(0, CFileIdentity());
    joined = Joint.Join(list, known ? nullptr : &digest);
  }
  if (Stop.load()) {
    DeleteProduct(productPath);
    return VERIFY_STOPPED;
  }
  if (joined == 0) {
    LogError(Logger, "FileJoint Error");
    DeleteProduct(productPath);
    return VERIFY_JOIN_FAILED;
  }

  Phase.fetch_add(1);
  const CDownloadEntry* product = list.GetDownloadEntry(0);
  if (!product) {
    LogFatal(Logger, "Could not get DL-Entry0");
    return VERIFY_JOIN_FAILED;
  }
  int same = 0;
  if (!known) {
    same = Checker.CheckProductDigest(digest.GetProduct()->Final());
  } else if (adopted || AllUnchanged(plans, ledger)) {
    same = Checker.CheckProductDigest(known->Final());
  } else {
    // A part was touched while it was copied: only the product itself can
    // say what was joined.
    same = Checker.CheckProduct();
    if (Stop.load()) return VERIFY_STOPPED;
  }
  if (same == 1) {
    LogTrace(Logger, "Identical digest:%s", product->FileName);
    return VERIFY_COMPLETE;
  }
  LogTrace(Logger, "Differrent digest:%s", product->FileName);
  DeleteProduct(productPath);
  // Every part is checked again on the next visit, read from its file: any
  // of them may be the one that spoilt the product.
  for (int i = 1; i < count; ++i) {
    if (CDownloadEntry* entry = list.GetDownloadEntry(i)) entry->IsDownloaded.store(0);
  }
  list.IsAllDownloaded.store(0);
  ledger.Clear();
  assembly.Clear();
  return VERIFY_MISMATCH;
}
