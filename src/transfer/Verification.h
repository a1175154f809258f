#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

class CCheckedParts;
class CDownloadList;
class CFileChecker;
class CFileJoint;
class CLogWriter;
class CProductAssembly;

// The verification of a downloaded product: a product that is already
// there and right needs nothing more; otherwise every part is checked
// (those this process checked itself and that are unchanged are trusted,
// the others are read several at once), the parts are joined (or the
// product assembled while they arrived is adopted) and the product is
// checked against its digest.
//
// The product's digest comes from what was hashed already when every part
// arrived in order in this process and is unchanged, or is computed in the
// same pass as the join otherwise: the product is never read back to check
// it. A stop ends the work within a chunk, removes a half-joined product
// and reports VERIFY_STOPPED.
//
// Run runs on one worker thread; Phase is read by the page's timer.
class CVerification {
public:
  enum EOutcome {
    VERIFY_EXISTING,     // the product was there and right already
    VERIFY_COMPLETE,     // joined and right
    VERIFY_INCOMPLETE,   // parts are missing or wrong
    VERIFY_JOIN_FAILED,  // the product could not be made
    VERIFY_MISMATCH,     // the product is wrong: every part is read again next time
    VERIFY_STOPPED,
  };
  enum EPhase { PHASE_EXISTING = 0, PHASE_PARTS = 1, PHASE_JOIN = 2, PHASE_PRODUCT = 3, PHASE_DONE = 4 };

  struct CParts {
    CDownloadList& List;
    CCheckedParts& Ledger;
    CProductAssembly& Product;
  };

  // Everything given must outlive the object. The checker's and the
  // joint's stop flags are the caller's business; stop is looked at
  // between the steps.
  CVerification(CLogWriter& logger, const CParts& parts, CFileChecker& checker, CFileJoint& joint,
                const std::atomic<int>& stop, std::atomic<std::int32_t>& phase);

  // Tests: called on a reader after every chunk.
  void SetStepObserver(std::function<void()> observer) { StepObserver = std::move(observer); }

  EOutcome Run();

private:
  struct CPartPlan;
  bool CheckParts(std::vector<CPartPlan>& plans, EOutcome& outcome);

  CLogWriter& Logger;
  CParts Parts;
  CFileChecker& Checker;
  CFileJoint& Joint;
  const std::atomic<int>& Stop;
  std::atomic<std::int32_t>& Phase;
  std::function<void()> StepObserver;
};
