#include "transfer/MD5Digest.h"

#include "log/Log.h"

#include <QFile>

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>
#include <memory>

// The block function keeps the four chaining words in locals for a whole
// run of blocks and spells out all 64 steps, so the compiler can hold the
// state in registers and fold every constant and shift into the code.
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
#define MD5_STEP(f, a, b, c, d, k, s, t)       \
  a += f(b, c, d) + Load32(block + 4 * (k)) + (t); \
  a = std::rotl(a, s) + b;

}  // namespace

CMD5Digest::CMD5Digest() { Reset(); }

CMD5Digest::CMD5Digest(CLogWriter& logger) : Logger(&logger) { Reset(); }

CMD5Digest::~CMD5Digest() = default;

void CMD5Digest::Reset() {
  State[0] = 0x67452301u;
  State[1] = 0xefcdab89u;
  State[2] = 0x98badcfeu;
  State[3] = 0x10325476u;
  BitCount = 0;
}

void CMD5Digest::ProcessBlocks(const std::uint8_t* block, std::size_t blocks) {
  std::uint32_t a = State[0], b = State[1], c = State[2], d = State[3];
  for (; blocks > 0; --blocks, block += 64) {
    const std::uint32_t aa = a, bb = b, cc = c, dd = d;

    MD5_STEP(MD5_F, a, b, c, d, 0, 7, 0xd76aa478u)
    MD5_STEP(MD5_F, d, a, b, c, 1, 12, 0xe8c7b756u)
    MD5_STEP(MD5_F, c, d, a, b, 2, 17, 0x242070dbu)
    MD5_STEP(MD5_F, b, c, d, a, 3, 22, 0xc1bdceeeu)
    MD5_STEP(MD5_F, a, b, c, d, 4, 7, 0xf57c0fafu)
    MD5_STEP(MD5_F, d, a, b, c, 5, 12, 0x4787c62au)
    MD5_STEP(MD5_F, c, d, a, b, 6, 17, 0xa8304613u)
    MD5_STEP(MD5_F, b, c, d, a, 7, 22, 0xfd469501u)
    MD5_STEP(MD5_F, a, b, c, d, 8, 7, 0x698098d8u)
    MD5_STEP(MD5_F, d, a, b, c, 9, 12, 0x8b44f7afu)
    MD5_STEP(MD5_F, c, d, a, b, 10, 17, 0xffff5bb1u)
    MD5_STEP(MD5_F, b, c, d, a, 11, 22, 0x895cd7beu)
    MD5_STEP(MD5_F, a, b, c, d, 12, 7, 0x6b901122u)
    MD5_STEP(MD5_F, d, a, b, c, 13, 12, 0xfd987193u)
    MD5_STEP(MD5_F, c, d, a, b, 14, 17, 0xa679438eu)
    MD5_STEP(MD5_F, b, c, d, a, 15, 22, 0x49b40821u)

    MD5_STEP(MD5_G, a, b, c, d, 1, 5, 0xf61e2562u)
    MD5_STEP(MD5_G, d, a, b, c, 6, 9, 0xc040b340u)
    MD5_STEP(MD5_G, c, d, a, b, 11, 14, 0x265e5a51u)
    MD5_STEP(MD5_G, b, c, d, a, 0, 20, 0xe9b6c7aau)
    MD5_STEP(MD5_G, a, b, c, d, 5, 5, 0xd62f105du)
    MD5_STEP(MD5_G, d, a, b, c, 10, 9, 0x02441453u)
    MD5_STEP(MD5_G, c, d, a, b, 15, 14, 0xd8a1e681u)
    MD5_STEP(MD5_G, b, c, d, a, 4, 20, 0xe7d3fbc8u)
    MD5_STEP(MD5_G, a, b, c, d, 9, 5, 0x21e1cde6u)
    MD5_STEP(MD5_G, d, a, b, c, 14, 9, 0xc33707d6u)
    MD5_STEP(MD5_G, c, d, a, b, 3, 14, 0xf4d50d87u)
    MD5_STEP(MD5_G, b, c, d, a, 8, 20, 0x455a14edu)
    MD5_STEP(MD5_G, a, b, c, d, 13, 5, 0xa9e3e905u)
    MD5_STEP(MD5_G, d, a, b, c, 2, 9, 0xfcefa3f8u)
    MD5_STEP(MD5_G, c, d, a, b, 7, 14, 0x676f02d9u)
    MD5_STEP(MD5_G, b, c, d, a, 12, 20, 0x8d2a4c8au)

    MD5_STEP(MD5_H, a, b, c, d, 5, 4, 0xfffa3942u)
    MD5_STEP(MD5_H, d, a, b, c, 8, 11, 0x8771f681u)
    MD5_STEP(MD5_H, c, d, a, b, 11, 16, 0x6d9d6122u)
    MD5_STEP(MD5_H, b, c, d, a, 14, 23, 0xfde5380cu)
    MD5_STEP(MD5_H, a, b, c, d, 1, 4, 0xa4beea44u)
    MD5_STEP(MD5_H, d, a, b, c, 4, 11, 0x4bdecfa9u)
    MD5_STEP(MD5_H, c, d, a, b, 7, 16, 0xf6bb4b60u)
    MD5_STEP(MD5_H, b, c, d, a, 10, 23, 0xbebfbc70u)
    MD5_STEP(MD5_H, a, b, c, d, 13, 4, 0x289b7ec6u)
    MD5_STEP(MD5_H, d, a, b, c, 0, 11, 0xeaa127fau)
    MD5_STEP(MD5_H, c, d, a, b, 3, 16, 0xd4ef3085u)
    MD5_STEP(MD5_H, b, c, d, a, 6, 23, 0x04881d05u)
    MD5_STEP(MD5_H, a, b, c, d, 9, 4, 0xd9d4d039u)
    MD5_STEP(MD5_H, d, a, b, c, 12, 11, 0xe6db99e5u)
    MD5_STEP(MD5_H, c, d, a, b, 15, 16, 0x1fa27cf8u)
    MD5_STEP(MD5_H, b, c, d, a, 2, 23, 0xc4ac5665u)

    MD5_STEP(MD5_I, a, b, c, d, 0, 6, 0xf4292244u)
    MD5_STEP(MD5_I, d, a, b, c, 7, 10, 0x432aff97u)
    MD5_STEP(MD5_I, c, d, a, b, 14, 15, 0xab9423a7u)
    MD5_STEP(MD5_I, b, c, d, a, 5, 21, 0xfc93a039u)
    MD5_STEP(MD5_I, a, b, c, d, 12, 6, 0x655b59c3u)
    MD5_STEP(MD5_I, d, a, b, c, 3, 10, 0x8f0ccc92u)
    MD5_STEP(MD5_I, c, d, a, b, 10, 15, 0xffeff47du)
    MD5_STEP(MD5_I, b, c, d, a, 1, 21, 0x85845dd1u)
    MD5_STEP(MD5_I, a, b, c, d, 8, 6, 0x6fa87e4fu)
    MD5_STEP(MD5_I, d, a, b, c, 15, 10, 0xfe2ce6e0u)
    MD5_STEP(MD5_I, c, d, a, b, 6, 15, 0xa3014314u)
    MD5_STEP(MD5_I, b, c, d, a, 13, 21, 0x4e0811a1u)
    MD5_STEP(MD5_I, a, b, c, d, 4, 6, 0xf7537e82u)
    MD5_STEP(MD5_I, d, a, b, c, 11, 10, 0xbd3af235u)
    MD5_STEP(MD5_I, c, d, a, b, 2, 15, 0x2ad7d2bbu)
    MD5_STEP(MD5_I, b, c, d, a, 9, 21, 0xeb86d391u)

    a += aa;
    b += bb;
    c += cc;
    d += dd;
  }
  State[0] = a;
  State[1] = b;
  State[2] = c;
  State[3] = d;
}

void CMD5Digest::Update(const void* data, std::size_t size) {
  if (size == 0) return;
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  std::size_t used = static_cast<std::size_t>((BitCount >> 3) & 63);
  BitCount += static_cast<std::uint64_t>(size) << 3;
  if (used > 0) {
    const std::size_t take = std::min<std::size_t>(64 - used, size);
    std::memcpy(Buffer + used, bytes, take);
    bytes += take;
    size -= take;
    if (used + take < 64) return;
    ProcessBlocks(Buffer, 1);
  }
  // Whole blocks straight from the caller's memory, without a copy.
  if (size >= 64) {
    ProcessBlocks(bytes, size / 64);
    bytes += size & ~std::size_t{63};
    size &= 63;
  }
  if (size > 0) std::memcpy(Buffer, bytes, size);
}

CMD5Digest::Digest CMD5Digest::Final() {
  const std::uint64_t bits = BitCount;
  static const std::uint8_t PADDING[64] = {0x80};
  const std::size_t used = static_cast<std::size_t>((bits >> 3) & 63);
  Update(PADDING, used < 56 ? 56 - used : 120 - used);
  std::uint8_t length[8];
  for (int i = 0; i < 8; ++i) length[i] = static_cast<std::uint8_t>(bits >> (8 * i));
  Update(length, sizeof length);

  Digest digest;
  for (int i = 0; i < 4; ++i) Store32(digest.data() + 4 * i, State[i]);
  Reset();
  return digest;
}

bool CMD5Digest::HashFile(const QString& path, Digest& digest) {
  HashedBytes.store(0, std::memory_order_relaxed);
  QFile file(path);
  // Unbuffered: each chunk goes from the kernel straight into our buffer.
  if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) return false;
  Reset();
  const auto chunk = std::make_unique<char[]>(CHUNK_SIZE);
  qint64 total = 0;
  for (;;) {
    const qint64 got = file.read(chunk.get(), CHUNK_SIZE);
    if (got < 0) {
      Reset();
      return false;
    }
    if (got == 0) break;
    Update(chunk.get(), static_cast<std::size_t>(got));
    total += got;
    HashedBytes.store(total, std::memory_order_relaxed);
  }
  digest = Final();
  return true;
}

int CMD5Digest::CompareFileDigest(const QString& path, const Digest& expected) {
  HashedBytes.store(0, std::memory_order_relaxed);
  Digest actual;
  if (!HashFile(path, actual)) {
    if (Logger) LogWarning(*Logger, "Cannot open input file %s", path);
    return -1;
  }
  if (actual == expected) {
    if (Logger) LogTrace(*Logger, "Identical digest:%s", path);
    return 1;
  }
  if (Logger) LogTrace(*Logger, "Differrent digest:%s", path);
  return 0;
}

QByteArray CMD5Digest::ReadDigestText(const QString& text) {
  QByteArray bytes;
  for (qsizetype i = 0; i < text.size(); i += 2) {
    // Only the pair itself is scanned: "%2x" skips white space and takes a
    // sign, and must not reach past its two characters.
    char pair[3] = {0, 0, 0};
    for (qsizetype k = 0; k < 2 && i + k < text.size(); ++k) {
      const char16_t unit = text.at(i + k).unicode();
      pair[k] = unit < 0x80 ? static_cast<char>(unit) : '?';
      if (pair[k] == '\0') pair[k] = '?';
    }
    unsigned int value = 0;
    if (std::sscanf(pair, "%2x", &value) == 1) bytes.append(static_cast<char>(value & 0xffu));
  }
  return bytes;
}

bool CMD5Digest::ParseDigestText(const QString& text, Digest& digest) {
  const QByteArray bytes = ReadDigestText(text);
  if (bytes.size() != DIGEST_BYTES) return false;
  std::memcpy(digest.data(), bytes.constData(), DIGEST_BYTES);
  return true;
}

QString CMD5Digest::ToHexText(const Digest& digest) {
  return QString::fromLatin1(
      QByteArray(reinterpret_cast<const char*>(digest.data()), DIGEST_BYTES).toHex());
}

CMD5Digest::Digest CMD5Digest::Of(const void* data, std::size_t size) {
  CMD5Digest md5;
  md5.Update(data, size);
  return md5.Final();
}
