#include "transfer/DigestPipeline.h"

#include <algorithm>

CDigestPipeline::CDigestPipeline() : Memory(new char[BUFFER_SIZE * BUFFER_COUNT]) {}

CDigestPipeline::~CDigestPipeline() {
  {
    std::lock_guard<std::mutex> guard(Lock);
    Quit = true;
  }
  Changed.notify_all();
  if (Worker.joinable()) Worker.join();
}

void CDigestPipeline::Restart(bool hashPart, const std::optional<CMD5Context>& product) {
  Drain();
  HashPart = hashPart;
  Part.Reset();
  Product = product;
  Submitted = 0;
}

std::span<char> CDigestPipeline::NextBuffer() {
  std::unique_lock<std::mutex> guard(Lock);
  Changed.wait(guard, [this] { return Queued < BUFFER_COUNT; });
  return {Memory.get() + static_cast<std::size_t>(Head) * BUFFER_SIZE, BUFFER_SIZE};
}

void CDigestPipeline::Submit(std::size_t size) {
  if (size == 0) return;
  size = std::min(size, BUFFER_SIZE);
  if (!Worker.joinable()) Worker = std::thread([this] { Run(); });
  {
    std::lock_guard<std::mutex> guard(Lock);
    Sizes[Head] = size;
    Head = (Head + 1) % BUFFER_COUNT;
    ++Queued;
    Submitted += size;
  }
  Changed.notify_all();
}

void CDigestPipeline::Drain() {
  std::unique_lock<std::mutex> guard(Lock);
  Changed.wait(guard, [this] { return Queued == 0 && !Hashing; });
}

// Runs on the pipeline's own thread. The streams are touched here only
// while a buffer is being hashed; the producer reads them after Drain.
void CDigestPipeline::Run() {
  std::unique_lock<std::mutex> guard(Lock);
  for (;;) {
    Changed.wait(guard, [this] { return Queued > 0 || Quit; });
    if (Queued == 0) return;
    const int tail = (Head - Queued + BUFFER_COUNT) % BUFFER_COUNT;
    const char* data = Memory.get() + static_cast<std::size_t>(tail) * BUFFER_SIZE;
    const std::size_t size = Sizes[tail];
    Hashing = true;
    guard.unlock();
    if (HashPart && Product) {
      CMD5Context::UpdatePair(Part, *Product, data, size);
    } else if (HashPart) {
      Part.Update(data, size);
    } else if (Product) {
      Product->Update(data, size);
    }
    guard.lock();
    Hashing = false;
    --Queued;
    Changed.notify_all();
  }
}
