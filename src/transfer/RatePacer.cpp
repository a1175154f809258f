#include "transfer/RatePacer.h"

#include <algorithm>

namespace {

// The longest single sleep, so that a closed request is noticed at once.
constexpr auto STEP = std::chrono::milliseconds(20);

}  // namespace

void CRatePacer::SetRate(std::int64_t bytesPerSecond) {
  Rate = std::max<std::int64_t>(0, bytesPerSecond);
  Started = false;
}

void CRatePacer::Refill(std::chrono::steady_clock::time_point now) {
  const double burst = static_cast<double>(std::max(MIN_BURST, Rate / 4));
  if (!Started) {
    Started = true;
    Tokens = burst;
  } else {
    Tokens = std::min(burst, Tokens + std::chrono::duration<double>(now - Last).count() * static_cast<double>(Rate));
  }
  Last = now;
}

void CRatePacer::Take(std::int64_t bytes, const std::function<bool()>& stop) {
  if (Rate <= 0 || bytes <= 0) return;
  Refill(Now());
  Tokens -= static_cast<double>(bytes);
  while (Tokens < 0 && !stop()) {
    const auto owed = std::chrono::duration<double>(-Tokens / static_cast<double>(Rate));
    // Rounded up: a wait rounded down to nothing would find the tokens
    // still short and spin.
    Sleep(std::min<std::chrono::steady_clock::duration>(
        STEP, std::chrono::ceil<std::chrono::steady_clock::duration>(owed)));
    Refill(Now());
  }
}
