#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <thread>

// Holds the body bytes of every request of a transfer to one rate. libcurl's
// own receive limit measures each request afresh and looks at it only
// between the reads of its loop, so a body of a few megabytes on a fast line
// (or each of several parts) comes at once; this token bucket counts every
// byte across requests and lets no more than a quarter second's worth, at
// least one read, go ahead of the rate, so a pause between parts lends no
// burst either.
//
// Used on the transfer's worker thread only.
class CRatePacer {
public:
  static constexpr std::int64_t MIN_BURST = 102400;

  using Clock = std::function<std::chrono::steady_clock::time_point()>;
  using Sleeper = std::function<void(std::chrono::steady_clock::duration)>;

  // Tests replace the clock and the sleep to see the waits without taking them.
  void SetTime(Clock clock, Sleeper sleeper) {
    Now = std::move(clock);
    Sleep = std::move(sleeper);
  }

  // Bytes per second; 0 ends the pacing.
  void SetRate(std::int64_t bytesPerSecond);
  std::int64_t GetRate() const { return Rate; }
  // Counts bytes just received, then waits while they are ahead of the
  // rate, unless stop says the request is over.
  void Take(std::int64_t bytes, const std::function<bool()>& stop);

private:
  void Refill(std::chrono::steady_clock::time_point now);

  std::int64_t Rate = 0;
  double Tokens = 0;
  bool Started = false;
  std::chrono::steady_clock::time_point Last;
  Clock Now = [] { return std::chrono::steady_clock::now(); };
  Sleeper Sleep = [](std::chrono::steady_clock::duration span) { std::this_thread::sleep_for(span); };
};
