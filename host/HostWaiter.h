#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

// The host's delays, stalls and throttling wait here, so that stopping the
// host (or a test releasing the stalls) ends every wait at once instead of
// holding a worker thread until its time is up.
class CHostWaiter {
public:
  // Waits the given time (forever when negative). False when the host is
  // stopping; true when the time is up or, with releasable, on ReleaseStalls.
  bool Wait(std::chrono::milliseconds duration, bool releasable = false);
  void ReleaseStalls();  // ends the stalls waiting now
  void Stop();           // ends every wait, now and later
  void Reset();          // ready for a new start
  bool IsStopping() const;
  int GetStalledCount() const;  // stalls waiting now
  // Waits until at least count stalls are waiting; false on time-out.
  bool WaitForStalled(int count, std::chrono::milliseconds timeout);

private:
  mutable std::mutex Lock;
  std::condition_variable Changed;  // any change of the fields below
  bool Stopping = false;
  std::uint64_t ReleaseGeneration = 0;
  int Stalled = 0;
};
