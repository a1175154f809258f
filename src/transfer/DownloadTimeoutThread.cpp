#include "transfer/DownloadTimeoutThread.h"

#include "platform/HttpRequest.h"

#include <chrono>

namespace {

void SleepTick() { std::this_thread::sleep_for(std::chrono::milliseconds(CDownloadTimeoutThread::TICK_MS)); }

}  // namespace

CDownloadTimeoutThread::~CDownloadTimeoutThread() {
  if (Thread.joinable()) {
    StopRequest.store(1);
    Thread.join();
  }
}

void CDownloadTimeoutThread::Start() {
  if (Thread.joinable()) return;
  Thread = std::thread([this] { Run(); });
  for (int poll = 0; poll < START_POLLS && Running.load() != 1; ++poll) SleepTick();
}

void CDownloadTimeoutThread::Stop() {
  StopRequest.store(1);
  const int polls = TimeoutMs.load() / TICK_MS;
  for (int poll = 0; poll < polls && Running.load() != 0; ++poll) SleepTick();
  // The request stays up until the thread is joined: a watchdog that starts
  // late, or was starved, must still see it, or with Paused set it would
  // never end and the join would never return.
  if (Thread.joinable()) Thread.join();
  StopRequest.store(0);
  Running.store(0);
}

// Runs on the watchdog thread.
int CDownloadTimeoutThread::Run() {
  Running.store(1);
  Ticks.store(0);
  const int limit = TimeoutMs.load() / TICK_MS;
  while (Ticks.load() < limit) {
    if (StopRequest.load() == 1) {
      StopRequest.store(0);
      Running.store(0);
      return 1;
    }
    SleepTick();
    // An add, not a store: the transfer resets Ticks before every read
    // and that reset must not be lost.
    if (Paused.load() == 0) Ticks.fetch_add(1);
  }
  if (CHttpRequest* request = Request.load()) request->Close();
  StopRequest.store(0);
  Running.store(0);
  return 0;
}
