#pragma once

#include <atomic>
#include <functional>

// What a long job over files (hashing, joining) offers whoever started it:
// a stop flag of the caller's, looked at before every chunk, and for tests
// an observer called at every chunk, to hold the work at a known point.
class CChunkedWork {
public:
  // The flag stays the caller's and must outlive the work; null: none.
  void SetStopFlag(const std::atomic<int>* stop) { Stop = stop; }
  bool IsStopped() const { return Stop && Stop->load() != 0; }
  // Tests: called on the working thread at every chunk.
  void SetStepObserver(std::function<void()> observer) { StepObserver = std::move(observer); }

protected:
  void ObserveStep() const {
    if (StepObserver) StepObserver();
  }

private:
  const std::atomic<int>* Stop = nullptr;
  std::function<void()> StepObserver;
};
