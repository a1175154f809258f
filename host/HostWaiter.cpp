#include "host/HostWaiter.h"

bool CHostWaiter::Wait(std::chrono::milliseconds duration, bool releasable) {
  std::unique_lock<std::mutex> guard(Lock);
  const std::uint64_t generation = ReleaseGeneration;
  const auto ended = [&] { return Stopping || (releasable && ReleaseGeneration != generation); };
  if (releasable) {
    ++Stalled;
    Changed.notify_all();
  }
  if (duration.count() < 0) {
    Changed.wait(guard, ended);
  } else {
    Changed.wait_for(guard, duration, ended);
  }
  if (releasable) --Stalled;
  return !Stopping;
}

void CHostWaiter::ReleaseStalls() {
  std::lock_guard<std::mutex> guard(Lock);
  ++ReleaseGeneration;
  Changed.notify_all();
}

void CHostWaiter::Stop() {
  std::lock_guard<std::mutex> guard(Lock);
  Stopping = true;
  Changed.notify_all();
}

void CHostWaiter::Reset() {
  std::lock_guard<std::mutex> guard(Lock);
  Stopping = false;
}

bool CHostWaiter::IsStopping() const {
  std::lock_guard<std::mutex> guard(Lock);
  return Stopping;
}

int CHostWaiter::GetStalledCount() const {
  std::lock_guard<std::mutex> guard(Lock);
  return Stalled;
}

bool CHostWaiter::WaitForStalled(int count, std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> guard(Lock);
  return Changed.wait_for(guard, timeout, [&] { return Stalled >= count; });
}
