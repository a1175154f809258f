#pragma once

#include "platform/FileIdentity.h"
#include "transfer/FileChecker.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>

class CAssemblyCopy;
class CCheckedParts;
class CDigestPipeline;
class CProductAssembly;
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

  // The logger must outlive the executer.
  explicit CDownloadExecuter(CLogWriter& logger);
  virtual ~CDownloadExecuter() = default;
  CDownloadExecuter(const CDownloadExecuter&) = delete;
  CDownloadExecuter& operator=(const CDownloadExecuter&) = delete;

  // Where the parts come from: the host's base address, the purchase, and
  // the command line's test mode (bit 1 selects the test body request).
  void SetPurchase(const QString& hostUrl, int purchaseNo, const QString& purchaseKey, int testMode);
  // The transfer's bandwidth limit in bytes per second (0: none): the
  // estimate is never below what the parts left need at that rate.
  void SetRateLimit(std::int64_t bytesPerSecond) { RateLimit.store(bytesPerSecond); }
  // Tests replace the clock and the pause wait.
  void SetClock(Clock clock) { Now = std::move(clock); }
  void SetSleeper(Sleeper sleeper) { Sleep = std::move(sleeper); }

  // 1: every part is downloaded and verified; 0: cancelled, or parts still
  // missing after three passes. Runs on the download worker.
  int Execute();

  // The body request of one part: the part's file name goes in as it is.
  QString MakeBodyUrl(const CDownloadEntry& entry) const;

  std::atomic<std::int32_t> PauseFlag{0};
  CFileChecker Checker;
  std::atomic<std::int32_t> CancelFlag{0};
  std::atomic<std::uint32_t> RemainingSeconds{0};
  // The part being fetched, 0 before the first; the transfer's received
  // size belongs to it from the moment it is set.
  std::atomic<std::int32_t> RunningPart{0};
  // Set when a part could not be written for want of room: the run ends at
  // once, since no retry would find more.
  std::atomic<std::int32_t> DiskFull{0};
  CDownload* Transfer = nullptr;
  CDownloadList* List = nullptr;
  CCheckedParts* Ledger = nullptr;        // not owned; none: nothing is recorded
  CProductAssembly* Product = nullptr;    // not owned; none: nothing is assembled

private:
  enum EPartOutcome { PART_VERIFIED, PART_FAILED_CHECK, PART_NOT_FETCHED, PART_DISK_FULL };

  int CountDownloaded(int entryCount) const;
  std::uint32_t SecondsAtTheLimit(int entryCount) const;
  EPartOutcome DownloadPart(int part, CDownloadEntry& entry, const QString& path, CDigestPipeline& digest,
                            CAssemblyCopy& assembly);
  std::int64_t FetchPart(int part, CDownloadEntry& entry, const QString& path, CDigestPipeline& digest, CAssemblyCopy& assembly,
                std::int64_t resumeFrom);
  int CheckFetchedPart(int part, CDownloadEntry& entry, const QString& path, const CDigestPipeline& digest,
                       const CAssemblyCopy& assembly);
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
  CFileIdentity ClosedIdentity;  // of the part file last written
  std::atomic<std::int64_t> RateLimit{0};
};
