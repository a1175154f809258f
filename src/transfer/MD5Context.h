#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// The MD5 computation (RFC 1321) as a plain value: four chaining words, the
// bit count and the unfinished block. Being a value, the state where one
// stream of bytes stands can be kept and carried on later (the product's
// digest continues from part to part).
struct CMD5Context {
  static constexpr int DIGEST_BYTES = 16;
  using Digest = std::array<std::uint8_t, DIGEST_BYTES>;

  CMD5Context() { Reset(); }

  void Reset();
  void Update(const void* data, std::size_t size);
  // The digest of everything given so far; the context itself is unchanged,
  // so a stream may be finished and still be carried on.
  Digest Final() const;
  std::uint64_t GetByteCount() const { return BitCount >> 3; }

  // Both contexts take the same bytes in one pass: their blocks go through
  // the rounds side by side, which costs little more than one of them alone
  // because a single stream leaves most of the processor's arithmetic units
  // idle while each step waits for the one before it.
  static void UpdatePair(CMD5Context& first, CMD5Context& second, const void* data, std::size_t size);

  friend bool operator==(const CMD5Context&, const CMD5Context&) = default;

  std::uint32_t State[4];
  std::uint64_t BitCount;
  std::uint8_t Buffer[64];
};
