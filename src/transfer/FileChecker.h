#pragma once

#include "transfer/MD5Digest.h"

#include <atomic>
#include <cstdint>

class CDownloadEntry;
class CDownloadList;
class CLogWriter;

// What hashing a file elsewhere came to: a part hashed as it arrived, or
// read by a reader of its own.
struct CHashOutcome {
  CMD5Digest::EHashResult Result = CMD5Digest::HASH_UNREADABLE;
  CMD5Digest::Digest Digest{};
};

// Checks a part file in the working folder, or the finished product file,
// against the digest the download list gives for it. Runs on the download
// and verification worker threads; the progress fields are read by the
// verification page's timer on the UI thread.
class CFileChecker {
public:
  // Check's result when the hasher's stop flag ended the reading.
  static constexpr int CHECK_STOPPED = -2;

  CFileChecker(CLogWriter& logger, CDownloadList* list);
  virtual ~CFileChecker();
  CFileChecker(const CFileChecker&) = delete;
  CFileChecker& operator=(const CFileChecker&) = delete;

  // 1 when the entry's part file matches its digest, else 0. The entry's
  // mark follows the outcome, except for a digest text that is no digest
  // and a check that was stopped (CHECK_STOPPED).
  int Check(CDownloadEntry* entry);
  // The same check with the file's bytes hashed already: the same result,
  // mark and log lines, without reading the file.
  int CheckHashed(CDownloadEntry* entry, const CHashOutcome& outcome);
  // 1 when the product file matches the digest of entry 0, else 0.
  int CheckProduct();
  // The same for a product whose digest was computed as it was joined.
  int CheckProductDigest(const CMD5Digest::Digest& digest);

  qint64 GetHashedBytes() const { return Hasher.GetHashedBytes(); }

  // Kept by the verification page: the index of the part checked last,
  // minus 1, and the parts not yet verified.
  std::atomic<std::int32_t> CurrentIndex{0};
  CMD5Digest Hasher;
  CDownloadList* List;
  std::atomic<std::int32_t> MissingCount{0};

private:
  int Judge(CDownloadEntry* entry, const CHashOutcome* outcome);
  int JudgeProduct(const CMD5Digest::Digest* digest);

  CLogWriter& Logger;
};
