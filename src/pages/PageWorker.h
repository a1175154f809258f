#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

// The worker of one page. The page object outlives its windows but not the
// frame, and the frame can go while a worker still runs (the user quits
// during a verification): the page waits here before its members go away.
// The count lives apart from the page, so a worker's last step touches
// nothing of the page.
class CPageWorker {
public:
  CPageWorker() = default;
  CPageWorker(const CPageWorker&) = delete;
  CPageWorker& operator=(const CPageWorker&) = delete;

  // UI thread (or a worker): runs work on a worker thread (joined at exit).
  void Begin(std::function<void()> work);
  // Any thread.
  bool IsRunning() const;
  // UI thread: until every worker begun here has ended.
  void Wait();

private:
  struct CState {
    mutable std::mutex Lock;
    std::condition_variable Ended;
    int Running = 0;
  };
  std::shared_ptr<CState> State = std::make_shared<CState>();
};
