#pragma once

#include "transfer/ChunkedWork.h"
#include "transfer/MD5Context.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

class CLogWriter;
struct CFileIdentity;

// MD5 (RFC 1321) of byte streams and files. Files are read in chunks of
// CHUNK_SIZE bytes and HashedBytes follows the reading, so a progress
// display on another thread can watch a long comparison; a stop flag, when
// one is given, is looked at before every chunk. One object hashes one
// thing at a time; only HashedBytes may be read from other threads.
class CMD5Digest : public CChunkedWork {
public:
  static constexpr qint64 CHUNK_SIZE = 102400;
  static constexpr int DIGEST_BYTES = CMD5Context::DIGEST_BYTES;
  using Digest = CMD5Context::Digest;
  // CompareFileDigest's result when the stop flag ended the reading.
  static constexpr int COMPARE_STOPPED = -2;

  // HASH_WRONG_LENGTH: not read, its length alone says it cannot match.
  enum EHashResult { HASH_DONE, HASH_UNREADABLE, HASH_STOPPED, HASH_WRONG_LENGTH };

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
  // The same, and when identity is given: the file's identity, provided it
  // stayed the same from the opening to the end of the reading (an empty
  // identity otherwise).
  EHashResult HashFile(const QString& path, Digest& digest, CFileIdentity* identity);

  // 1 when the file's digest equals expected, 0 when it differs, -1 when
  // the file cannot be opened or read, COMPARE_STOPPED when the stop flag
  // ended it (nothing is logged then).
  int CompareFileDigest(const QString& path, const Digest& expected);
  // The end of a comparison whose digest is known already (the bytes were
  // hashed as they arrived or as they were read elsewhere): the same
  // result and log line as CompareFileDigest.
  int CompareDigest(const QString& path, const Digest& actual, const Digest& expected);
  // The warning of a file that could not be read.
  void LogUnreadable(const QString& path);
  // The end of a comparison that needed no reading: the file differs. 0.
  int ReportDifferent(const QString& path);

  // A comparison that needed no reading still moves the progress on.
  void SetHashedBytes(qint64 bytes) { HashedBytes.store(bytes, std::memory_order_relaxed); }

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
  CMD5Context Context;
  std::atomic<qint64> HashedBytes{0};
  CLogWriter* Logger = nullptr;
};
