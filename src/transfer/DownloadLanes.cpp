#include "transfer/DownloadExecuter.h"

#include "list/DownloadList.h"
#include "log/Log.h"
#include "transfer/Download.h"
#include "transfer/DownloadLane.h"
#include "transfer/ExecuterEstimate.h"
#include "transfer/ProductCatchUp.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <optional>
#include <thread>

// Several parts at once: each lane runs on a thread of its own and takes
// the next part of the pass's queue when it is free.

// One pass over the parts not marked when it began. Under Lock.
struct CDownloadExecuter::CPass {
  std::mutex Lock;
  std::condition_variable Changed;  // a part verified, or a lane ended
  bool Verified = false;            // since the worker last looked
  std::deque<int> Queue;
  int Running = 0;  // lanes still taking parts
  bool Succeeded = true;
  bool Ended = false;  // nothing more is handed out
  bool Cancelled = false;
  QString DiskFullPath;
};

// The worker's own thread. Null when no other transfer can be made.
CDownloadLane* CDownloadExecuter::PrepareLane(int index) {
  std::lock_guard<std::mutex> guard(LaneLock);
  if (!Lanes[index]) {
    std::unique_ptr<CDownload> transfer = Transfer->MakeSibling();
    if (!transfer) return nullptr;
    if (LanesAborted) transfer->AbortRequests();
    Lanes[index] = std::make_unique<CDownloadLane>();
    Lanes[index]->OwnTransfer = std::move(transfer);
    Lanes[index]->Transfer = Lanes[index]->OwnTransfer.get();
  }
  if (index == 0) Lanes[0]->Transfer = Transfer;
  Lanes[index]->CarriesProduct = false;
  return Lanes[index].get();
}

// The lanes for this run, as many as the connections allow and can be made.
void CDownloadExecuter::PrepareLanes() {
  int lanes = 0;
  while (lanes < Connections.load() && PrepareLane(lanes)) ++lanes;
  LaneLimit.store(lanes);
  LogInfo(Logger, "DownloadExecuter Connections=%d", lanes);
}

// The lanes share the bandwidth limit out among themselves: the first
// lane's transfer holds only its share while they run.
int CDownloadExecuter::RunParallelPass(int entryCount, std::int64_t limit, CEstimate& estimate) {
  CPass pass;
  for (int i = 1; i < entryCount; ++i) {
    const CDownloadEntry* entry = List->GetDownloadEntry(i);
    if (entry && !entry->IsDownloaded.load()) pass.Queue.push_back(i);
  }
  const int lanes = std::clamp(static_cast<int>(pass.Queue.size()), 1, LaneLimit.load());
  pass.Running = lanes;
  std::vector<std::thread> threads;
  for (int k = 0; k < lanes; ++k)
    threads.emplace_back([this, k, limit, entryCount, &pass, &estimate] { RunLane(*Lanes[k], pass, estimate, entryCount, limit); });
  // Meanwhile the product's digest and assembly follow the parts verified
  // in order, on this thread, which would only wait otherwise.
  std::optional<CProductCatchUp> catchUp;
  if (Ledger && Product) catchUp.emplace(*List, *Ledger, *Product, CancelFlag);
  for (bool ended = false; !ended;) {
    {
      std::unique_lock<std::mutex> lock(pass.Lock);
      pass.Changed.wait(lock, [&pass] { return pass.Verified || pass.Running == 0; });
      pass.Verified = false;
      ended = pass.Running == 0;
    }
    if (catchUp) catchUp->Run();
  }
  for (std::thread& thread : threads) thread.join();
  if (!pass.DiskFullPath.isEmpty()) {
    LogError(Logger, "Disk full:%s", pass.DiskFullPath);
    return RUN_DISK_FULL;
  }
  if (pass.Cancelled) return RUN_CANCELLED;
  return pass.Succeeded ? 1 : 0;
}

// A lane's thread: parts from the queue until the pass ends. A part the
// host refused as busy goes back to the front of the queue for a lane that
// is still running, and this lane ends; to the last lane running a busy
// host is a part not fetched, as it is with one lane.
void CDownloadExecuter::RunLane(CDownloadLane& lane, CPass& pass, CEstimate& estimate, int entryCount,
                                std::int64_t rateLimit) {
  for (;;) {
    const bool goOn = WaitWhilePaused();
    int part = 0;
    int sharers = 1;
    {
      std::lock_guard<std::mutex> guard(pass.Lock);
      if (pass.Ended || pass.Queue.empty() || !goOn) {
        pass.Cancelled = pass.Cancelled || (!goOn && !pass.Ended && !pass.Queue.empty());
        pass.Ended = pass.Ended || pass.Cancelled;
        LeaveLane(pass);
        return;
      }
      part = pass.Queue.front();
      pass.Queue.pop_front();
      sharers = std::max(1, std::min(LaneLimit.load(), pass.Running));
    }
    const CLogLineTag tag(QStringLiteral("Part %1:").arg(part));
    CDownloadEntry* entry = List->GetDownloadEntry(part);
    const QString path = entry ? List->GetTempFilePath(entry) : QString();
    EPartOutcome outcome = PART_FAILED_CHECK;
    if (entry && !path.isEmpty()) {
      // The lanes running now keep to the limit together; a pass with
      // fewer parts than lanes runs fewer, and they share it among them.
      if (rateLimit > 0) lane.Transfer->SetMaxReceiveRate(std::max<std::int64_t>(1, rateLimit / sharers));
      outcome = DownloadPart(lane, part, *entry, path);
    } else if (entry) {
      CheckPart(entry);
    }
    std::lock_guard<std::mutex> guard(pass.Lock);
    const int running = std::min(LaneLimit.load(), pass.Running);
    if (outcome == PART_HOST_BUSY && running > 1) {
      LaneLimit.store(running - 1);
      LogWarning(Logger, "Host busy:Connections=%d", running - 1);
      pass.Queue.push_front(part);
      LeaveLane(pass);
      return;
    }
    if (outcome == PART_VERIFIED) {
      NoteVerified(estimate, entryCount);
      pass.Verified = true;
      pass.Changed.notify_one();
      continue;
    }
    pass.Succeeded = false;
    if (outcome == PART_DISK_FULL && pass.DiskFullPath.isEmpty()) pass.DiskFullPath = path;
    // As with one lane: a part that could not be fetched ends the pass.
    if (outcome != PART_FAILED_CHECK) pass.Ended = true;
  }
}

// Under the pass's lock.
void CDownloadExecuter::LeaveLane(CPass& pass) {
  --pass.Running;
  pass.Changed.notify_one();
}

std::vector<CDownloadExecuter::CRunningPart> CDownloadExecuter::GetOtherLanesRunning() const {
  std::vector<CRunningPart> running;
  std::lock_guard<std::mutex> guard(LaneLock);
  for (std::size_t k = 1; k < Lanes.size(); ++k) {
    if (!Lanes[k]) continue;
    // The part before its size: the size is cleared before a part is named.
    const int part = Lanes[k]->RunningPart->load();
    running.push_back(CRunningPart{part, Lanes[k]->Transfer->GetReceivedSize()});
  }
  return running;
}

std::int64_t CDownloadExecuter::GetOtherLanesReceived() const {
  std::int64_t received = 0;
  std::lock_guard<std::mutex> guard(LaneLock);
  for (std::size_t k = 1; k < Lanes.size(); ++k)
    if (Lanes[k]) received += Lanes[k]->Transfer->GetTotalReceived();
  return received;
}

void CDownloadExecuter::AbortOtherLanes() {
  std::lock_guard<std::mutex> guard(LaneLock);
  LanesAborted = true;
  for (std::size_t k = 1; k < Lanes.size(); ++k)
    if (Lanes[k]) Lanes[k]->Transfer->AbortRequests();
}

void CDownloadExecuter::AllowOtherLanes() {
  std::lock_guard<std::mutex> guard(LaneLock);
  LanesAborted = false;
  for (std::size_t k = 1; k < Lanes.size(); ++k)
    if (Lanes[k]) Lanes[k]->Transfer->AllowRequests();
}
