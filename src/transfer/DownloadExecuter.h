#pragma once

#include "platform/FileIdentity.h"
#include "transfer/FileChecker.h"

#include <QString>

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class CCheckedParts;
class CProductAssembly;
struct CDownloadLane;
class CDownload;
class CDownloadEntry;
class CDownloadList;
class CLogWriter;

// Downloads every part of the list that is not marked yet, each into its
// own file in the working folder, checks it against its digest and marks
// it; failed parts get up to three passes. Keeps an estimate of the time
// left from the mean time of the last 20 parts.
//
// A part that breaks off keeps what it received and is resumed from there;
// attempts that add bytes do not use up a pass.
//
// A part is hashed while it is written, so its check reads nothing back:
// the executer gives the transfer a sink (CPartSink) that writes the part's
// file and feeds the digest and the assembly. With a ledger, each part that
// passes is recorded there; with an assembly, over parts that come one
// after the other the product's digest is carried on and the product is put
// together in the working folder as they are written.
//
// With several connections the parts are fetched that many at once, each
// lane with its own transfer, digest and thread; a pass ends when every part
// it handed out has come back. A host that answers a lane with 429 or 503
// gets one lane fewer (down to one), and the part goes back to the queue
// without using up its pass. Log lines then name their part.
//
// Execute runs on the download worker; the progress page sets PauseFlag and
// CancelFlag and reads RemainingSeconds, RunningPart and the marks from the
// UI thread.
class CDownloadExecuter {
public:
  using Clock = std::function<std::int64_t()>;  // seconds
  using Sleeper = std::function<void(int milliseconds)>;

  static constexpr int PASS_COUNT = 3;
  static constexpr int AVERAGE_WINDOW = 20;
  static constexpr int PAUSE_POLL_MS = 200;
  static constexpr int MAX_LANES = 8;

  struct CRunningPart {
    int Part = 0;
    std::int64_t Bytes = 0;
  };

  // The logger must outlive the executer.
  explicit CDownloadExecuter(CLogWriter& logger);
  virtual ~CDownloadExecuter();
  CDownloadExecuter(const CDownloadExecuter&) = delete;
  CDownloadExecuter& operator=(const CDownloadExecuter&) = delete;

  // Where the parts come from: the host's base address, the purchase, and
  // the command line's test mode (bit 1 selects the test body request).
  void SetPurchase(const QString& hostUrl, int purchaseNo, const QString& purchaseKey, int testMode);
  // The transfer's bandwidth limit in bytes per second (0: none): the
  // estimate is never below what the parts left need at that rate.
  void SetRateLimit(std::int64_t bytesPerSecond) { RateLimit.store(bytesPerSecond); }
  // How many parts are fetched at once, 1 to MAX_LANES; set before Execute.
  // The bandwidth limit stays a total: each lane gets its share.
  void SetConnections(int count);
  // After Execute: the lanes it ended with (fewer when the host was busy).
  int GetLaneCount() const { return LaneLimit.load(); }
  // Tests replace the clock and the pause wait.
  void SetClock(Clock clock) { Now = std::move(clock); }
  void SetSleeper(Sleeper sleeper) { Sleep = std::move(sleeper); }
  // Tests: called on the lane's thread with the part's number just before
  // its request, when the assembly has been found ready for it.
  void SetRequestObserver(std::function<void(int part)> observer) { RequestObserver = std::move(observer); }

  // 1: every part is downloaded and verified; 0: cancelled, or parts still
  // missing after three passes. Runs on the download worker.
  int Execute();

  // The body request of one part: the part's file name goes in as it is.
  QString MakeBodyUrl(const CDownloadEntry& entry) const;

  // Any thread: the parts the lanes after the first are fetching with what
  // each has received (the first lane's are RunningPart and the transfer's
  // received size), and the bytes those lanes received so far in all.
  std::vector<CRunningPart> GetOtherLanesRunning() const;
  std::int64_t GetOtherLanesReceived() const;
  // Any thread: the requests of the lanes after the first end now and
  // until AllowOtherLanes, lanes made meanwhile included; the first lane's
  // transfer is the caller's to stop.
  void AbortOtherLanes();
  void AllowOtherLanes();

  std::atomic<std::int32_t> PauseFlag{0};
  CFileChecker Checker;
  std::atomic<std::int32_t> CancelFlag{0};
  std::atomic<std::uint32_t> RemainingSeconds{0};
  // The part the first lane is fetching, 0 before the first; the
  // transfer's received size belongs to it from the moment it is set.
  std::atomic<std::int32_t> RunningPart{0};
  // Set when a part could not be written for want of room: the run ends at
  // once, since no retry would find more.
  std::atomic<std::int32_t> DiskFull{0};
  CDownload* Transfer = nullptr;
  CDownloadList* List = nullptr;
  CCheckedParts* Ledger = nullptr;        // not owned; none: nothing is recorded
  CProductAssembly* Product = nullptr;    // not owned; none: nothing is assembled

private:
  // PART_HOST_BUSY: refused with 429 or 503, nothing received.
  enum EPartOutcome { PART_VERIFIED, PART_FAILED_CHECK, PART_NOT_FETCHED, PART_DISK_FULL, PART_HOST_BUSY };
  // What the passes came to besides 1 and 0.
  enum { RUN_CANCELLED = -1, RUN_DISK_FULL = 2 };
  struct CEstimate;
  struct CPass;

  int CountDownloaded(int entryCount) const;
  std::uint32_t SecondsAtTheLimit(int entryCount) const;
  void NoteVerified(CEstimate& estimate, int entryCount);
  EPartOutcome DownloadPart(CDownloadLane& lane, int part, CDownloadEntry& entry, const QString& path);
  std::int64_t FetchPart(CDownloadLane& lane, int part, CDownloadEntry& entry, const QString& path,
                         std::int64_t resumeFrom);
  int CheckFetchedPart(CDownloadLane& lane, int part, CDownloadEntry& entry, const QString& path);
  int CheckPart(CDownloadEntry* entry);
  // One pass over the parts not marked: 1 when all were verified, 0 when
  // another pass should follow, RUN_CANCELLED or RUN_DISK_FULL.
  int RunSerialPass(int entryCount, CEstimate& estimate);
  int RunParallelPass(int entryCount, std::int64_t limit, CEstimate& estimate);
  void PrepareLanes();
  void RunLane(CDownloadLane& lane, CPass& pass, CEstimate& estimate, int entryCount, std::int64_t rateLimit);
  CDownloadLane* PrepareLane(int index);
  static void LeaveLane(CPass& pass);
  int Cancel();
  // False when cancelled, before or during the pause.
  bool WaitWhilePaused();

  CLogWriter& Logger;
  QString HostUrl;
  int PurchaseNo = 0;
  QString PurchaseKey;
  int TestMode = 0;
  Clock Now;
  Sleeper Sleep;
  std::function<void(int part)> RequestObserver;
  std::atomic<std::int64_t> RateLimit{0};
  std::atomic<int> Connections{1};
  std::atomic<int> LaneLimit{1};
  // The lanes; the lock guards making them against the UI thread's reads
  // and aborts. A lane, once made, stays as long as the executer.
  mutable std::mutex LaneLock;
  std::array<std::unique_ptr<CDownloadLane>, MAX_LANES> Lanes;
  bool LanesAborted = false;  // under LaneLock
  std::mutex CheckLock;       // the checker is used by one lane at a time
};
