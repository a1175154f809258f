#include "platform/WindowMessages.h"
#include "platform/WorkerThreads.h"
#include "support/EventLoop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace {

struct CRecordedMessage {
  unsigned Message;
  CMessageWParam WParam;
  CMessageLParam LParam;
};

class CRecordingSink : public CMessageSink {
public:
  void OnWindowMessage(unsigned message, CMessageWParam wParam, CMessageLParam lParam) override {
    Messages.push_back({message, wParam, lParam});
    Delivered.fetch_add(1);
  }
  void OnTimer(int timerId) override { Ticks.push_back(timerId); }

  std::vector<CRecordedMessage> Messages;
  std::vector<int> Ticks;
  std::atomic<int> Delivered{0};  // read by workers
};

class WindowMessages : public ::testing::Test {
protected:
  void SetUp() override { EnsureCoreApplication(); }
};

TEST_F(WindowMessages, WorkersPostInOrderAndTheUiThreadReceives) {
  CRecordingSink sink;
  CMessageWindow window(sink);
  constexpr int THREADS = 4;
  constexpr int PER_THREAD = 200;
  std::vector<std::thread> threads;
  for (int t = 0; t < THREADS; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < PER_THREAD; ++i)
        EXPECT_TRUE(PostMessage(window.GetHandle(), WM_USER + t, static_cast<CMessageWParam>(i), -i));
    });
  for (std::thread& thread : threads) thread.join();
  EXPECT_TRUE(sink.Messages.empty()) << "posting must never deliver on the poster's stack";

  ASSERT_TRUE(WaitUntil([&] { return sink.Messages.size() == THREADS * PER_THREAD; }));
  std::vector<int> next(THREADS, 0);
  for (const CRecordedMessage& message : sink.Messages) {
    const int t = static_cast<int>(message.Message - WM_USER);
    ASSERT_GE(t, 0);
    ASSERT_LT(t, THREADS);
    EXPECT_EQ(message.WParam, static_cast<CMessageWParam>(next[t]));
    EXPECT_EQ(message.LParam, -next[t]);
    ++next[t];
  }
}

TEST_F(WindowMessages, MessagesForADestroyedWindowAreDropped) {
  CRecordingSink sink;
  auto window = std::make_unique<CMessageWindow>(sink);
  const CWindowHandle handle = window->GetHandle();
  EXPECT_TRUE(IsWindow(handle));
  EXPECT_TRUE(PostMessage(handle, WM_USER, 1, 0));  // queued, never delivered
  window.reset();
  EXPECT_FALSE(IsWindow(handle));
  EXPECT_FALSE(PostMessage(handle, WM_USER, 2, 0));
  EXPECT_FALSE(IsWindow(0));

  // A new window never gets the old handle, nor the old window's mail.
  CRecordingSink successorSink;
  CMessageWindow successor(successorSink);
  EXPECT_NE(successor.GetHandle(), handle);
  PostMessage(successor.GetHandle(), WM_USER, 3, 0);
  ASSERT_TRUE(WaitUntil([&] { return !successorSink.Messages.empty(); }));
  EXPECT_EQ(successorSink.Messages.size(), 1u);
  EXPECT_EQ(successorSink.Messages[0].WParam, 3u);
  EXPECT_TRUE(sink.Messages.empty());
}

TEST_F(WindowMessages, WorkerSeesTheWindowGoWhileItPosts) {
  CRecordingSink sink;
  auto window = std::make_unique<CMessageWindow>(sink);
  const CWindowHandle handle = window->GetHandle();
  std::atomic<bool> stop{false};
  std::atomic<int> refused{0};
  std::thread worker([&] {
    // At most a few messages in flight: a worker that floods the queue
    // keeps a slow UI thread (a sanitizer's) from ever getting through it.
    int posted = 0;
    while (!stop.load()) {
      if (IsWindow(handle) && posted - sink.Delivered.load() > 8) {
        std::this_thread::yield();
        continue;
      }
      if (PostMessage(handle, WM_USER, 0, 0)) ++posted;
      else refused.fetch_add(1);
      if (!IsWindow(handle) && refused.load() > 0) return;
    }
  });
  ASSERT_TRUE(WaitUntil([&] { return sink.Messages.size() > 10; }));
  window.reset();
  ASSERT_TRUE(WaitUntil([&] { return refused.load() > 0; }));
  stop.store(true);
  worker.join();
}

TEST_F(WindowMessages, TimersTickUntilKilled) {
  CRecordingSink sink;
  CMessageWindow window(sink);
  window.SetTimer(7, 1);
  EXPECT_TRUE(window.HasTimer(7));
  ASSERT_TRUE(WaitUntil([&] { return sink.Ticks.size() >= 2; }));
  for (int id : sink.Ticks) EXPECT_EQ(id, 7);
  window.KillTimer(7);
  EXPECT_FALSE(window.HasTimer(7));
  window.KillTimer(8);  // unknown ids are ignored
  const std::size_t ticks = sink.Ticks.size();
  QCoreApplication::processEvents();
  EXPECT_EQ(sink.Ticks.size(), ticks);
}

TEST(WorkerThreads, JoinWaitsForEveryWorkerAndTheWorkersTheyStart) {
  std::atomic<bool> release{false};
  std::atomic<int> finished{0};
  BeginWorkerThread([&] {
    while (!release.load()) std::this_thread::yield();
    // A worker that starts a further worker while being joined.
    BeginWorkerThread([&] { finished.fetch_add(1); });
    finished.fetch_add(1);
  });
  EXPECT_EQ(RunningWorkerThreads(), 1);
  std::thread releaser([&] { release.store(true); });
  EXPECT_EQ(JoinWorkerThreads(), 2);
  releaser.join();
  EXPECT_EQ(finished.load(), 2);
  EXPECT_EQ(RunningWorkerThreads(), 0);
  EXPECT_EQ(JoinWorkerThreads(), 0);
}

}  // namespace
