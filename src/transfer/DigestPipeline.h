#pragma once

#include "transfer/MD5Context.h"

#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <thread>

// Hashes a stream of bytes on a thread of its own while the caller goes on
// receiving and writing them: the caller fills the pipeline's buffers in
// order (NextBuffer, then Submit with what it put there) and the hashing
// thread feeds each buffer to one or two MD5 streams in a single pass, the
// part's own digest and, when it is being carried on, the product's. So the
// bytes are hashed once, while they are still in the cache, and the time of
// the hashing hides behind the time of the network or the disk.
//
// One producer thread (NextBuffer, Submit, Restart, Drain and the getters)
// and the pipeline's own hashing thread, which is started on the first
// Submit and joined by the destructor. Memory stays at BUFFER_COUNT buffers.
class CDigestPipeline {
public:
  static constexpr std::size_t BUFFER_SIZE = 102400;
  static constexpr int BUFFER_COUNT = 6;

  CDigestPipeline();
  ~CDigestPipeline();
  CDigestPipeline(const CDigestPipeline&) = delete;
  CDigestPipeline& operator=(const CDigestPipeline&) = delete;

  // A new stream: everything submitted before is forgotten. The part's
  // digest starts from nothing when hashPart is set; the product's, when
  // given, from where the parts before this one left it.
  void Restart(bool hashPart, const std::optional<CMD5Context>& product);

  // A buffer to fill; waits while the hashing thread still holds all of
  // them. The same buffer comes back until it is submitted.
  std::span<char> NextBuffer();
  // The first size bytes of the buffer from NextBuffer join the stream
  // (never more than it holds).
  void Submit(std::size_t size);
  // Waits until every byte submitted has been hashed.
  void Drain();

  // After Drain: the streams as they stand.
  const CMD5Context& GetPart() const { return Part; }
  const std::optional<CMD5Context>& GetProduct() const { return Product; }
  std::uint64_t GetSubmittedBytes() const { return Submitted; }

private:
  void Run();

  std::unique_ptr<char[]> Memory;
  std::size_t Sizes[BUFFER_COUNT] = {};
  int Head = 0;    // the buffer the producer fills next
  int Queued = 0;  // buffers handed to the hashing thread and not yet hashed
  bool Hashing = false;
  bool Quit = false;
  bool HashPart = true;
  std::uint64_t Submitted = 0;
  CMD5Context Part;
  std::optional<CMD5Context> Product;
  std::mutex Lock;
  std::condition_variable Changed;
  std::thread Worker;
};
