#include "platform/WorkerThreads.h"

#include <atomic>
#include <list>
#include <memory>
#include <mutex>
#include <thread>

namespace {

struct CWorker {
  std::thread Thread;
  std::shared_ptr<std::atomic<bool>> Finished;
};

std::mutex WorkersLock;
std::list<CWorker> Workers;
std::atomic<int> Running{0};

// Joins the finished workers so the list does not grow over a long run.
// Called with WorkersLock held; joining a finished thread does not block.
void ReapFinishedWorkers() {
  for (auto worker = Workers.begin(); worker != Workers.end();) {
    if (worker->Finished->load()) {
      worker->Thread.join();
      worker = Workers.erase(worker);
    } else {
      ++worker;
    }
  }
}

}  // namespace

void BeginWorkerThread(std::function<void()> work) {
  auto finished = std::make_shared<std::atomic<bool>>(false);
  std::lock_guard<std::mutex> lock(WorkersLock);
  ReapFinishedWorkers();
  Running.fetch_add(1);
  std::thread thread([work = std::move(work), finished] {
    work();
    Running.fetch_sub(1);
    finished->store(true);
  });
  Workers.push_back(CWorker{std::move(thread), std::move(finished)});
}

int JoinWorkerThreads() {
  int joined = 0;
  for (;;) {
    std::list<CWorker> waiting;
    {
      std::lock_guard<std::mutex> lock(WorkersLock);
      waiting.swap(Workers);
    }
    if (waiting.empty()) return joined;
    for (CWorker& worker : waiting) {
      worker.Thread.join();
      ++joined;
    }
  }
}

int RunningWorkerThreads() { return Running.load(); }
