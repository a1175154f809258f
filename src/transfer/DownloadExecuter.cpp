#include "transfer/DownloadExecuter.h"

#include "list/DownloadList.h"
#include "log/Log.h"
#include "res/RequestAddresses.h"
#include "transfer/AssemblyCopy.h"
#include "transfer/CheckedParts.h"
#include "transfer/DigestPipeline.h"
#include "transfer/Download.h"
#include "transfer/DownloadLane.h"
#include "transfer/ExecuterEstimate.h"
#include "transfer/PartSink.h"
#include "transfer/ProductAssembly.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <limits>
#include <chrono>
#include <thread>

CDownloadExecuter::CDownloadExecuter(CLogWriter& logger)
    : Checker(logger, nullptr),
      Logger(logger),
      Now([] {
        return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
      }),
      Sleep([](int milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }) {
  Lanes[0] = std::make_unique<CDownloadLane>();
  Lanes[0]->RunningPart = &RunningPart;
}

CDownloadExecuter::~CDownloadExecuter() = default;

void CDownloadExecuter::SetConnections(int count) { Connections.store(std::clamp(count, 1, MAX_LANES)); }

void CDownloadExecuter::SetPurchase(const QString& hostUrl, int purchaseNo, const QString& purchaseKey,
                                    int testMode) {
  HostUrl = hostUrl;
  PurchaseNo = purchaseNo;
  PurchaseKey = purchaseKey;
  TestMode = testMode;
}

QString CDownloadExecuter::MakeBodyUrl(const CDownloadEntry& entry) const {
  const int id = (TestMode & 2) ? IDS_TEST_BODY_URL : IDS_BODY_URL;
  return FormatText(RequestAddress(id, HostUrl, PurchaseNo, PurchaseKey), entry.FileName);
}

// The parts not marked yet at the bandwidth limit; 0 without one.
std::uint32_t CDownloadExecuter::SecondsAtTheLimit(int entryCount) const {
  const std::int64_t limit = RateLimit.load();
  if (limit <= 0) return 0;
  double bytes = 0;
  for (int i = 1; i < entryCount; ++i) {
    const CDownloadEntry* entry = List->GetDownloadEntry(i);
    if (entry && !entry->IsDownloaded.load()) bytes += static_cast<double>(entry->Size);
  }
  return static_cast<std::uint32_t>(std::clamp(bytes / static_cast<double>(limit), 0.0, 4294967295.0));
}

int CDownloadExecuter::CountDownloaded(int entryCount) const {
  int count = 0;
  for (int i = 1; i < entryCount; ++i) {
    const CDownloadEntry* entry = List->GetDownloadEntry(i);
    if (entry && entry->IsDownloaded.load()) ++count;
  }
  return count;
}

// The part's bytes go through the digest pipeline as they are written, the
// product's digest too when this part follows the parts before it; then
// they are also put after those parts in the product being assembled.
std::int64_t CDownloadExecuter::FetchPart(CDownloadLane& lane, int part, CDownloadEntry& entry, const QString& path,
                                          std::int64_t resumeFrom) {
  CDigestPipeline& digest = lane.Digest;
  CAssemblyCopy& assembly = lane.Assembly;
  CBodyRules rules;
  // One byte past the part tells a longer body; a part of the largest size
  // gets no such byte.
  rules.MaxBodyBytes = entry.Size + (entry.Size < std::numeric_limits<std::int64_t>::max() ? 1 : 0);
  rules.ResumeFrom = resumeFrom;
  rules.WholeSize = entry.Size;
  std::int64_t offset = 0;
  const std::optional<CMD5Context> productBefore =
      Product && lane.CarriesProduct ? Product->ProductBefore(*List, part) : std::nullopt;
  CFileIdentity assembled;
  const bool assemble = productBefore && Product->IsAssemblyReadyFor(*List, part, offset, assembled);
  assembly.Aim(assemble ? List->GetAssemblyFilePath() : QString(), offset, assembled);
  digest.Restart(true, std::nullopt);
  CPartSink sink(path, digest, productBefore, assemble ? &assembly : nullptr);
  // The previous part's size is cleared first, so a reader that sees this
  // part never counts that size as this part's bytes.
  lane.Transfer->ClearReceivedSize();
  lane.RunningPart->store(part);
  if (RequestObserver) RequestObserver(part);
  const std::int64_t result = lane.Transfer->DownloadToSink(MakeBodyUrl(entry), sink, rules);
  digest.Drain();
  lane.ClosedIdentity = sink.GetClosedIdentity();
  lane.CloseFailed = sink.HasCloseFailed();
  if (sink.IsDiskFull()) DiskFull.store(1);
  // Whatever came of the part, the parts before it are still in place.
  if (assembly.IsStarted()) Product->RecordAssembly(part - 1, assembly.GetIdentity());
  return result;
}

// The digest computed while receiving stands for the file only when every
// byte the file holds went through it and the file closed cleanly (a
// failed close may have lost bytes the digest saw); otherwise the file is
// read.
int CDownloadExecuter::CheckFetchedPart(CDownloadLane& lane, int part, CDownloadEntry& entry, const QString& path) {
  const CDigestPipeline& digest = lane.Digest;
  const CAssemblyCopy& assembly = lane.Assembly;
  if (lane.CloseFailed || digest.GetSubmittedBytes() != static_cast<std::uint64_t>(entry.Size)) return CheckPart(&entry);
  CHashOutcome outcome;
  outcome.Result = CMD5Digest::HASH_DONE;
  outcome.Digest = digest.GetPart().Final();
  int result = 0;
  {
    std::lock_guard<std::mutex> guard(CheckLock);
    result = Checker.CheckHashed(&entry, outcome);
  }
  if (result == 1 && Ledger) Ledger->Record(path, outcome.Digest, lane.ClosedIdentity);
  if (result == 1 && Product) {
    if (digest.GetProduct()) Product->RecordProductAfter(*List, part, *digest.GetProduct());
    if (assembly.IsStarted()) Product->RecordAssembly(part, assembly.GetIdentity());
  }
  return result;
}

// A part that broke off keeps what it received, and the next attempt asks
// only for the rest; a file of the part's size or longer is fetched whole.
// An attempt that added bytes is followed by the next one at once and does
// not end the pass: only attempts that make no progress count. A part that
// was resumed and then fails its check is fetched whole once more, in case
// the bytes it kept were the wrong ones.
int CDownloadExecuter::CheckPart(CDownloadEntry* entry) {
  std::lock_guard<std::mutex> guard(CheckLock);
  return Checker.Check(entry);
}

CDownloadExecuter::EPartOutcome CDownloadExecuter::DownloadPart(CDownloadLane& lane, int part, CDownloadEntry& entry,
                                                                const QString& path) {
  bool mayResume = true;
  bool resumed = false;
  for (;;) {
    const std::int64_t kept = mayResume ? QFileInfo(path).size() : 0;
    const std::int64_t resumeFrom = kept > 0 && kept < entry.Size ? kept : 0;
    resumed = resumed || resumeFrom > 0;
    const std::int64_t fetched = FetchPart(lane, part, entry, path, resumeFrom);
    if (DiskFull.load()) return PART_DISK_FULL;
    if (fetched == entry.Size) {
      if (CheckFetchedPart(lane, part, entry, path) == 1) return PART_VERIFIED;
      if (!resumed || !mayResume) return PART_FAILED_CHECK;
      LogWarning(Logger, "Resumed part failed its check, fetched whole:%s", path);
      mayResume = false;
      continue;
    }
    // Progress: the file holds more of the part than the attempt began
    // with. A file left as it was, of the part's size or longer, holds none.
    const std::int64_t now = QFileInfo(path).size();
    const int status = lane.Transfer->GetLastStatus();
    if (fetched < 0 && now <= resumeFrom && (status == 429 || status == 503)) return PART_HOST_BUSY;
    if (!mayResume || CancelFlag.load() || now <= resumeFrom || now >= entry.Size) return PART_NOT_FETCHED;
    LogWarning(Logger, "DownloadExecuter Resume:%s:Received=%s", path, QString::number(now));
    // The cancel question may be open: no new request until it is answered.
    if (!WaitWhilePaused()) return PART_NOT_FETCHED;
  }
}

bool CDownloadExecuter::WaitWhilePaused() {
  while (PauseFlag.load()) {
    if (CancelFlag.load()) return false;
    Sleep(PAUSE_POLL_MS);
  }
  return CancelFlag.load() == 0;
}

int CDownloadExecuter::Cancel() {
  LogTrace(Logger, "Canceled DownloadExecuter::Execute");
  return 0;
}

// Runs on the download worker.
int CDownloadExecuter::Execute() {
  LogTrace(Logger, "Start DownloadExecuter::Execute");
  CancelFlag.store(0);
  PauseFlag.store(0);
  RunningPart.store(0);
  DiskFull.store(0);
  if (!List || !Transfer) return 0;
  if (!Checker.List) Checker.List = List;

  const int entryCount = List->GetDownloadEntryCount();
  const bool allDone = CountDownloaded(entryCount) == entryCount - 1;
  List->IsAllDownloaded.store(allDone ? 1 : 0);
  if (allDone) {
    LogTrace(Logger, "Finished DownloadExecuter::Execute:Rc=%d:Already downloaded", 1);
    return 1;
  }
  // Only the last component: the save folder must already exist. A failure
  // shows later as parts that cannot be written.
  if (!List->DownloadTempDir.isEmpty()) QDir().mkdir(List->DownloadTempDir);
  List->RemoveUnlistedParts();

  // With a bandwidth limit the time left is known before any part ends.
  if (RateLimit.load() > 0) RemainingSeconds.store(SecondsAtTheLimit(entryCount));
  CEstimate estimate(Now());
  const bool parallel = Connections.load() > 1;
  const std::int64_t limit = Transfer->GetMaxReceiveRate();
  if (parallel) PrepareLanes();
  int result = 0;
  for (int pass = 0; pass < PASS_COUNT && result == 0; ++pass) {
    if (pass > 0) LogWarning(Logger, "DownloadExecuter Retry #%d", pass);
    if (entryCount < 2) result = 1;
    else result = parallel ? RunParallelPass(entryCount, limit, estimate) : RunSerialPass(entryCount, estimate);
  }
  // The first lane's transfer goes on alone, at the whole rate.
  if (parallel) Transfer->SetMaxReceiveRate(limit);
  if (result == RUN_CANCELLED) return Cancel();
  if (result == RUN_DISK_FULL) return 0;
  LogTrace(Logger, "Finished DownloadExecuter::Execute:Rc=%d", result);
  return result;
}

// A part was verified: the estimate moves on.
void CDownloadExecuter::NoteVerified(CEstimate& estimate, int entryCount) {
  ++estimate.Verified;
  const std::int64_t now = Now();
  const int downloaded = CountDownloaded(entryCount);
  List->IsAllDownloaded.store(downloaded == entryCount - 1 ? 1 : 0);
  const int remaining = entryCount - 1 - downloaded;
  if (estimate.Verified > 0) estimate.Average.Add(static_cast<double>(now - estimate.PreviousFinish));
  const double seconds = std::clamp(remaining * estimate.Average.GetAverage(), 0.0, 4294967295.0);
  RemainingSeconds.store(std::max(static_cast<std::uint32_t>(seconds), SecondsAtTheLimit(entryCount)));
  estimate.PreviousFinish = now;
}

// One pass of one part after the other, on the download worker: 1 when
// every part it tried was verified, 0 when the next pass should try again,
// RUN_CANCELLED or RUN_DISK_FULL (logged).
int CDownloadExecuter::RunSerialPass(int entryCount, CEstimate& estimate) {
  CDownloadLane& lane = *Lanes[0];
  lane.Transfer = Transfer;
  lane.CarriesProduct = true;
  bool passSucceeded = true;
  for (int i = 1; i < entryCount; ++i) {
    if (!WaitWhilePaused()) return RUN_CANCELLED;
    CDownloadEntry* entry = List->GetDownloadEntry(i);
    if (!entry || entry->IsDownloaded.load()) continue;

    // A part whose digest cannot name a file (or a list without a save
    // folder) has nowhere to go: it is never requested and fails its check.
    const QString path = List->GetTempFilePath(entry);
    if (path.isEmpty()) {
      CheckPart(entry);
      passSucceeded = false;
      continue;
    }
    const EPartOutcome outcome = DownloadPart(lane, i, *entry, path);
    if (outcome == PART_DISK_FULL) {
      LogError(Logger, "Disk full:%s", path);
      return RUN_DISK_FULL;
    }
    if (outcome == PART_NOT_FETCHED || outcome == PART_HOST_BUSY) {
      passSucceeded = false;
      break;
    }
    if (outcome == PART_FAILED_CHECK) {
      passSucceeded = false;
      continue;
    }
    NoteVerified(estimate, entryCount);
  }
  return passSucceeded ? 1 : 0;
}
