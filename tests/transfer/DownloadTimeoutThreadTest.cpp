#include "transfer/DownloadTimeoutThread.h"

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <future>

namespace {

// A paused watchdog that has not seen the stop request by the time Stop
// stops polling (no polls at all here) must still end: Stop keeps the
// request up until the thread is joined.
TEST(DownloadTimeoutThread, StopEndsAPausedWatchdogThatMissedThePolls) {
  for (int round = 0; round < 20; ++round) {
    CDownloadTimeoutThread watchdog;
    watchdog.TimeoutMs = 60000;
    watchdog.Paused = 1;
    watchdog.Start();
    watchdog.TimeoutMs = 0;  // Stop polls TimeoutMs / 10 times: none
    auto stopped = std::async(std::launch::async, [&] { watchdog.Stop(); });
    const bool ended = stopped.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    if (!ended) watchdog.Ticks = INT_MAX;  // lets the stuck thread go, so the test fails instead of hanging
    stopped.wait();
    ASSERT_TRUE(ended) << "round " << round;
    EXPECT_EQ(watchdog.StopRequest.load(), 0);
    EXPECT_FALSE(watchdog.IsStarted());
  }
}

}  // namespace
