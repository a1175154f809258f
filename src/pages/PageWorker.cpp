#include "pages/PageWorker.h"

#include "platform/WorkerThreads.h"

void CPageWorker::Begin(std::function<void()> work) {
  {
    std::lock_guard<std::mutex> lock(State->Lock);
    ++State->Running;
  }
  BeginWorkerThread([state = State, work = std::move(work)] {
    work();
    std::lock_guard<std::mutex> lock(state->Lock);
    --state->Running;
    state->Ended.notify_all();
  });
}

bool CPageWorker::IsRunning() const {
  std::lock_guard<std::mutex> lock(State->Lock);
  return State->Running > 0;
}

void CPageWorker::Wait() {
  std::unique_lock<std::mutex> lock(State->Lock);
  State->Ended.wait(lock, [this] { return State->Running == 0; });
}
