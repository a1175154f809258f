#include "transfer/PartReaders.h"

#include <algorithm>

CPartReaders::CPartReaders(std::vector<QString> paths, const std::atomic<int>* stop,
                           const std::function<void()>& stepObserver)
    : Paths(std::move(paths)), Stop(stop), StepObserver(stepObserver), Results(Paths.size()) {
  const int count = ReaderCount(static_cast<int>(Paths.size()));
  for (int i = 0; i < count; ++i) Readers.emplace_back([this] { Run(); });
}

CPartReaders::~CPartReaders() {
  for (std::thread& reader : Readers) reader.join();
}

int CPartReaders::ReaderCount(int files) {
  const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  return std::min({cores, MAX_READERS, files});
}

CHashOutcome CPartReaders::Take(int index, CFileIdentity& identity) {
  std::unique_lock<std::mutex> guard(Lock);
  CResult& result = Results[static_cast<std::size_t>(index)];
  Done.wait(guard, [&result] { return result.Ready; });
  identity = result.Identity;
  return result.Outcome;
}

// Runs on each reader thread: the files are taken in list order, so the
// one the caller waits for next is always among the first being read.
void CPartReaders::Run() {
  CMD5Digest hasher;
  hasher.SetStopFlag(Stop);
  if (StepObserver) hasher.SetStepObserver(StepObserver);
  for (;;) {
    const int index = Next.fetch_add(1);
    if (index >= static_cast<int>(Paths.size())) return;
    CResult result;
    result.Outcome.Result = hasher.HashFile(Paths[static_cast<std::size_t>(index)], result.Outcome.Digest,
                                            &result.Identity);
    result.Ready = true;
    {
      std::lock_guard<std::mutex> guard(Lock);
      Results[static_cast<std::size_t>(index)] = result;
    }
    Done.notify_all();
  }
}
