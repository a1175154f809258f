#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

class CLogWriter;

// MD5 (RFC 1321) of byte streams and files. Files are read in chunks of
// CHUNK_SIZE bytes and HashedBytes follows the reading, so a progress
// display on another thread can watch a long comparison. One object hashes
// one thing at a time; only HashedBytes may be read from other threads.
class CMD5Digest {
public:
  static constexpr qint64 CHUNK_SIZE = 102400;
  static constexpr int DIGEST_BYTES = 16;
  using Digest = std::array<std::uint8_t, DIGEST_BYTES>;

  CMD5Digest();  // no log lines
  explicit CMD5Digest(CLogWriter& logger);
  virtual ~CMD5Digest();
  CMD5Digest(const CMD5Digest&) = delete;
  CMD5Digest& operator=(const CMD5Digest&) = delete;

  // Incremental hashing: Update any number of times, then Final, which
  // returns the digest and leaves the object ready for the next stream.
  void Reset();
  void Update(const void* data, std::size_t size);
  void Update(const QByteArray& bytes) { Update(bytes.constData(), static_cast<std::size_t>(bytes.size())); }
  Digest Final();

  // Hashes a whole file (on the calling worker thread). False when the file
  // cannot be opened or a read fails; HashedBytes counts what was hashed.
  bool HashFile(const QString& path, Digest& digest);

  // 1 when the file's digest equals expected, 0 when it differs, -1 when
  // the file cannot be opened or read.
  int CompareFileDigest(const QString& path, const Digest& expected);

  // Bytes of the current or last file hashed so far; 64-bit because
  // products run to several gigabytes.
  qint64 GetHashedBytes() const { return HashedBytes.load(std::memory_order_relaxed); }

  // The digest text as the list and the "Digest" header carry it: two
  // characters per byte, each pair read as a C "%2x" number. The result is
  // a digest only when it holds exactly DIGEST_BYTES bytes.
  static QByteArray ReadDigestText(const QString& text);
  static bool ParseDigestText(const QString& text, Digest& digest);

  static QString ToHexText(const Digest& digest);  // lower case
  static Digest Of(const void* data, std::size_t size);
  static Digest Of(const QByteArray& bytes) { return Of(bytes.constData(), static_cast<std::size_t>(bytes.size())); }

private:
  void ProcessBlocks(const std::uint8_t* data, std::size_t blocks);

  std::uint32_t State[4];
  std::uint64_t BitCount = 0;
  std::uint8_t Buffer[64];
  std::atomic<qint64> HashedBytes{0};
  CLogWriter* Logger = nullptr;
};
