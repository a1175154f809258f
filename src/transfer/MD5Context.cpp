#include "transfer/MD5Context.h"

#include <algorithm>
#include <bit>
#include <cstring>

// The block functions keep the chaining words in locals for a whole run of
// blocks and spell out all 64 steps, so the compiler can hold the state in
// registers and fold every constant and shift into the code. The steps are
// listed once and used twice: for one stream, and for two streams whose
// steps are interleaved.
namespace {

inline std::uint32_t Load32(const std::uint8_t* p) {
  std::uint32_t word;
  std::memcpy(&word, p, sizeof word);
  if constexpr (std::endian::native == std::endian::big) word = __builtin_bswap32(word);
  return word;
}

inline void Store32(std::uint8_t* p, std::uint32_t word) {
  if constexpr (std::endian::native == std::endian::big) word = __builtin_bswap32(word);
  std::memcpy(p, &word, sizeof word);
}

#define MD5_F(x, y, z) ((((y) ^ (z)) & (x)) ^ (z))
#define MD5_G(x, y, z) (((x) & (z)) + ((y) & ~(z)))
#define MD5_H(x, y, z) ((x) ^ (y) ^ (z))
#define MD5_I(x, y, z) ((y) ^ ((x) | ~(z)))

#define MD5_ROUNDS(STEP) \
  STEP(MD5_F, a, b, c, d, 0, 7, 0xd76aa478u) \
  STEP(MD5_F, d, a, b, c, 1, 12, 0xe8c7b756u) \
  STEP(MD5_F, c, d, a, b, 2, 17, 0x242070dbu) \
  STEP(MD5_F, b, c, d, a, 3, 22, 0xc1bdceeeu) \
  STEP(MD5_F, a, b, c, d, 4, 7, 0xf57c0fafu) \
  STEP(MD5_F, d, a, b, c, 5, 12, 0x4787c62au) \
  STEP(MD5_F, c, d, a, b, 6, 17, 0xa8304613u) \
  STEP(MD5_F, b, c, d, a, 7, 22, 0xfd469501u) \
  STEP(MD5_F, a, b, c, d, 8, 7, 0x698098d8u) \
  STEP(MD5_F, d, a, b, c, 9, 12, 0x8b44f7afu) \
  STEP(MD5_F, c, d, a, b, 10, 17, 0xffff5bb1u) \
  STEP(MD5_F, b, c, d, a, 11, 22, 0x895cd7beu) \
  STEP(MD5_F, a, b, c, d, 12, 7, 0x6b901122u) \
  STEP(MD5_F, d, a, b, c, 13, 12, 0xfd987193u) \
  STEP(MD5_F, c, d, a, b, 14, 17, 0xa679438eu) \
  STEP(MD5_F, b, c, d, a, 15, 22, 0x49b40821u) \
  STEP(MD5_G, a, b, c, d, 1, 5, 0xf61e2562u) \
  STEP(MD5_G, d, a, b, c, 6, 9, 0xc040b340u) \
  STEP(MD5_G, c, d, a, b, 11, 14, 0x265e5a51u) \
  STEP(MD5_G, b, c, d, a, 0, 20, 0xe9b6c7aau) \
  STEP(MD5_G, a, b, c, d, 5, 5, 0xd62f105du) \
  STEP(MD5_G, d, a, b, c, 10, 9, 0x02441453u) \
  STEP(MD5_G, c, d, a, b, 15, 14, 0xd8a1e681u) \
  STEP(MD5_G, b, c, d, a, 4, 20, 0xe7d3fbc8u) \
  STEP(MD5_G, a, b, c, d, 9, 5, 0x21e1cde6u) \
  STEP(MD5_G, d, a, b, c, 14, 9, 0xc33707d6u) \
  STEP(MD5_G, c, d, a, b, 3, 14, 0xf4d50d87u) \
  STEP(MD5_G, b, c, d, a, 8, 20, 0x455a14edu) \
  STEP(MD5_G, a, b, c, d, 13, 5, 0xa9e3e905u) \
  STEP(MD5_G, d, a, b, c, 2, 9, 0xfcefa3f8u) \
  STEP(MD5_G, c, d, a, b, 7, 14, 0x676f02d9u) \
  STEP(MD5_G, b, c, d, a, 12, 20, 0x8d2a4c8au) \
  STEP(MD5_H, a, b, c, d, 5, 4, 0xfffa3942u) \
  STEP(MD5_H, d, a, b, c, 8, 11, 0x8771f681u) \
  STEP(MD5_H, c, d, a, b, 11, 16, 0x6d9d6122u) \
  STEP(MD5_H, b, c, d, a, 14, 23, 0xfde5380cu) \
  STEP(MD5_H, a, b, c, d, 1, 4, 0xa4beea44u) \
  STEP(MD5_H, d, a, b, c, 4, 11, 0x4bdecfa9u) \
  STEP(MD5_H, c, d, a, b, 7, 16, 0xf6bb4b60u) \
  STEP(MD5_H, b, c, d, a, 10, 23, 0xbebfbc70u) \
  STEP(MD5_H, a, b, c, d, 13, 4, 0x289b7ec6u) \
  STEP(MD5_H, d, a, b, c, 0, 11, 0xeaa127fau) \
  STEP(MD5_H, c, d, a, b, 3, 16, 0xd4ef3085u) \
  STEP(MD5_H, b, c, d, a, 6, 23, 0x04881d05u) \
  STEP(MD5_H, a, b, c, d, 9, 4, 0xd9d4d039u) \
  STEP(MD5_H, d, a, b, c, 12, 11, 0xe6db99e5u) \
  STEP(MD5_H, c, d, a, b, 15, 16, 0x1fa27cf8u) \
  STEP(MD5_H, b, c, d, a, 2, 23, 0xc4ac5665u) \
  STEP(MD5_I, a, b, c, d, 0, 6, 0xf4292244u) \
  STEP(MD5_I, d, a, b, c, 7, 10, 0x432aff97u) \
  STEP(MD5_I, c, d, a, b, 14, 15, 0xab9423a7u) \
  STEP(MD5_I, b, c, d, a, 5, 21, 0xfc93a039u) \
  STEP(MD5_I, a, b, c, d, 12, 6, 0x655b59c3u) \
  STEP(MD5_I, d, a, b, c, 3, 10, 0x8f0ccc92u) \
  STEP(MD5_I, c, d, a, b, 10, 15, 0xffeff47du) \
  STEP(MD5_I, b, c, d, a, 1, 21, 0x85845dd1u) \
  STEP(MD5_I, a, b, c, d, 8, 6, 0x6fa87e4fu) \
  STEP(MD5_I, d, a, b, c, 15, 10, 0xfe2ce6e0u) \
  STEP(MD5_I, c, d, a, b, 6, 15, 0xa3014314u) \
  STEP(MD5_I, b, c, d, a, 13, 21, 0x4e0811a1u) \
  STEP(MD5_I, a, b, c, d, 4, 6, 0xf7537e82u) \
  STEP(MD5_I, d, a, b, c, 11, 10, 0xbd3af235u) \
  STEP(MD5_I, c, d, a, b, 2, 15, 0x2ad7d2bbu) \
  STEP(MD5_I, b, c, d, a, 9, 21, 0xeb86d391u)

#define MD5_STEP(f, a, b, c, d, k, s, t)           \
  a += f(b, c, d) + Load32(block + 4 * (k)) + (t); \
  a = std::rotl(a, s) + b;

// The second stream's words carry the suffix 2 (a2, b2...).
#define MD5_STEP_PAIR(f, a, b, c, d, k, s, t)                   \
  a += f(b, c, d) + Load32(block + 4 * (k)) + (t);              \
  a##2 += f(b##2, c##2, d##2) + Load32(block2 + 4 * (k)) + (t); \
  a = std::rotl(a, s) + b;                                      \
  a##2 = std::rotl(a##2, s) + b##2;

void ProcessBlocks(std::uint32_t* state, const std::uint8_t* block, std::size_t blocks) {
  std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
  for (; blocks > 0; --blocks, block += 64) {
    const std::uint32_t aa = a, bb = b, cc = c, dd = d;
    MD5_ROUNDS(MD5_STEP)
    a += aa;
    b += bb;
    c += cc;
    d += dd;
  }
  state[0] = a;
  state[1] = b;
  state[2] = c;
  state[3] = d;
}

void ProcessBlockPairs(std::uint32_t* state, const std::uint8_t* block, std::uint32_t* state2,
                       const std::uint8_t* block2, std::size_t blocks) {
  std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
  std::uint32_t a2 = state2[0], b2 = state2[1], c2 = state2[2], d2 = state2[3];
  for (; blocks > 0; --blocks, block += 64, block2 += 64) {
    const std::uint32_t aa = a, bb = b, cc = c, dd = d;
    const std::uint32_t aa2 = a2, bb2 = b2, cc2 = c2, dd2 = d2;
    MD5_ROUNDS(MD5_STEP_PAIR)
    a += aa;
    b += bb;
    c += cc;
    d += dd;
    a2 += aa2;
    b2 += bb2;
    c2 += cc2;
    d2 += dd2;
  }
  state[0] = a;
  state[1] = b;
  state[2] = c;
  state[3] = d;
  state2[0] = a2;
  state2[1] = b2;
  state2[2] = c2;
  state2[3] = d2;
}

// Fills the context's unfinished block from data and hashes it when it is
// full. Returns how many bytes it took.
std::size_t FillBlock(CMD5Context& context, const std::uint8_t* data, std::size_t size) {
  const std::size_t used = static_cast<std::size_t>((context.BitCount >> 3) & 63);
  if (used == 0) return 0;
  const std::size_t take = std::min<std::size_t>(64 - used, size);
  std::memcpy(context.Buffer + used, data, take);
  if (used + take == 64) ProcessBlocks(context.State, context.Buffer, 1);
  return take;
}

}  // namespace

void CMD5Context::Reset() {
  State[0] = 0x67452301u;
  State[1] = 0xefcdab89u;
  State[2] = 0x98badcfeu;
  State[3] = 0x10325476u;
  BitCount = 0;
  std::memset(Buffer, 0, sizeof Buffer);
}

void CMD5Context::Update(const void* data, std::size_t size) {
  if (size == 0) return;
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  const std::size_t taken = FillBlock(*this, bytes, size);
  BitCount += static_cast<std::uint64_t>(size) << 3;
  bytes += taken;
  size -= taken;
  // Whole blocks straight from the caller's memory, without a copy.
  if (size >= 64) {
    ProcessBlocks(State, bytes, size / 64);
    bytes += size & ~std::size_t{63};
    size &= 63;
  }
  if (size > 0) std::memcpy(Buffer, bytes, size);
}

void CMD5Context::UpdatePair(CMD5Context& first, CMD5Context& second, const void* data, std::size_t size) {
  if (size == 0) return;
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  // Each stream first completes its own unfinished block; after that their
  // whole blocks start at different places in data but are hashed together.
  const std::size_t start = FillBlock(first, bytes, size);
  const std::size_t start2 = FillBlock(second, bytes, size);
  first.BitCount += static_cast<std::uint64_t>(size) << 3;
  second.BitCount += static_cast<std::uint64_t>(size) << 3;
  std::size_t blocks = (size - start) / 64;
  std::size_t blocks2 = (size - start2) / 64;
  const std::size_t together = std::min(blocks, blocks2);
  ProcessBlockPairs(first.State, bytes + start, second.State, bytes + start2, together);
  if (blocks > together) ProcessBlocks(first.State, bytes + start + 64 * together, blocks - together);
  if (blocks2 > together) ProcessBlocks(second.State, bytes + start2 + 64 * together, blocks2 - together);
  const std::size_t rest = start + 64 * blocks;
  const std::size_t rest2 = start2 + 64 * blocks2;
  if (rest < size) std::memcpy(first.Buffer, bytes + rest, size - rest);
  if (rest2 < size) std::memcpy(second.Buffer, bytes + rest2, size - rest2);
}

CMD5Context::Digest CMD5Context::Final() const {
  CMD5Context finishing = *this;
  const std::uint64_t bits = BitCount;
  static const std::uint8_t PADDING[64] = {0x80};
  const std::size_t used = static_cast<std::size_t>((bits >> 3) & 63);
  finishing.Update(PADDING, used < 56 ? 56 - used : 120 - used);
  std::uint8_t length[8];
  for (int i = 0; i < 8; ++i) length[i] = static_cast<std::uint8_t>(bits >> (8 * i));
  finishing.Update(length, sizeof length);

  Digest digest;
  for (int i = 0; i < 4; ++i) Store32(digest.data() + 4 * i, finishing.State[i]);
  return digest;
}
