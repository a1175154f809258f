#include "transfer/RatePacer.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {

using namespace std::chrono_literals;
using Duration = std::chrono::steady_clock::duration;

// A clock that moves only when the pacer sleeps, as if every read took no
// time at all: whatever time passes is the pacer's own doing.
struct CPacedClock {
  std::chrono::steady_clock::time_point Now{};
  int Sleeps = 0;
  Duration Longest{};

  void Attach(CRatePacer& pacer) {
    pacer.SetTime([this] { return Now; },
                  [this](Duration span) {
                    Now += span;
                    ++Sleeps;
                    Longest = std::max(Longest, span);
                  });
  }
  double Seconds() const { return std::chrono::duration<double>(Now.time_since_epoch()).count(); }
};

constexpr std::int64_t KIB = 1024;

// Ten small bodies, each far below what libcurl's own per-request limit
// would ever hold back, must together keep to the rate: only the first
// quarter second's worth (at least MIN_BURST) may come ahead of it.
TEST(RatePacerTest, TheRateHoldsAcrossRequestsAndAfterAPause) {
  CRatePacer pacer;
  CPacedClock clock;
  clock.Attach(pacer);
  pacer.SetRate(100 * KIB);
  for (int request = 0; request < 10; ++request)
    for (int read = 0; read < 5; ++read) pacer.Take(10 * KIB, [] { return false; });
  // 500 KiB at 100 KiB/s, 100 KiB of them at once: 4 s, give or take a read.
  EXPECT_GE(clock.Seconds(), 3.9);
  EXPECT_LE(clock.Seconds(), 4.1);
  EXPECT_LE(clock.Longest, Duration(20ms)) << "a closed request must be noticed within a step";

  // A long pause lends no more than the burst.
  clock.Now += 60s;
  const double before = clock.Seconds();
  for (int read = 0; read < 50; ++read) pacer.Take(10 * KIB, [] { return false; });
  EXPECT_GE(clock.Seconds() - before, 3.9);

  pacer.SetRate(0);
  const int sleeps = clock.Sleeps;
  for (int read = 0; read < 50; ++read) pacer.Take(10 * KIB, [] { return false; });
  EXPECT_EQ(clock.Sleeps, sleeps) << "no limit, no wait";
}

// A request closed while its bytes are far ahead of the rate ends the wait
// at the next step instead of sleeping off what it owes.
TEST(RatePacerTest, AClosedRequestEndsALongWait) {
  CRatePacer pacer;
  CPacedClock clock;
  clock.Attach(pacer);
  pacer.SetRate(KIB);
  bool closed = false;
  pacer.Take(10 * 1024 * KIB, [&] {
    if (clock.Sleeps == 3) closed = true;
    return closed;
  });
  EXPECT_TRUE(closed);
  EXPECT_EQ(clock.Sleeps, 3);
  EXPECT_LT(clock.Seconds(), 0.1) << "10 MiB owed at 1 KiB/s";
}

}  // namespace
