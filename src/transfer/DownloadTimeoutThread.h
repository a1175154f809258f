#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

class CHttpRequest;

// The watchdog of one transfer attempt. The transfer owns the record and
// shares it with the watchdog thread; while Paused is 0 the watchdog counts
// 10 ms ticks, and when they reach TimeoutMs it closes Request, which makes
// the transfer's waiting send or read fail.
class CDownloadTimeoutThread {
public:
  static constexpr int TICK_MS = 10;
  static constexpr int START_POLLS = 1000;

  CDownloadTimeoutThread() = default;
  ~CDownloadTimeoutThread();
  CDownloadTimeoutThread(const CDownloadTimeoutThread&) = delete;
  CDownloadTimeoutThread& operator=(const CDownloadTimeoutThread&) = delete;

  // Starts the watchdog thread and waits (polling, at most START_POLLS
  // ticks) until it runs. Only when no watchdog is running.
  void Start();
  // Asks the watchdog to end, waits for it as the transfer always has
  // (TimeoutMs/10 polls), then joins it so the record can go away.
  void Stop();
  bool IsStarted() const { return Thread.joinable(); }

  // The watchdog thread's body: 1 when asked to stop, 0 after a time-out.
  int Run();

  std::atomic<std::int32_t> Paused{0};
  std::atomic<std::int32_t> Ticks{0};
  std::atomic<std::int32_t> TimeoutMs{0};
  std::atomic<std::int32_t> Running{0};
  std::atomic<std::int32_t> StopRequest{0};
  std::atomic<CHttpRequest*> Request{nullptr};

private:
  std::thread Thread;
};
