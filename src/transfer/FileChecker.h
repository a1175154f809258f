#pragma once

#include "transfer/MD5Digest.h"

#include <atomic>
#include <cstdint>

class CDownloadEntry;
class CDownloadList;
class CLogWriter;

// Checks a part file in the working folder, or the finished product file,
// against the digest the download list gives for it. Runs on the download
// and verification worker threads; the progress fields are read by the
// verification page's timer on the UI thread.
class CFileChecker {
public:
  CFileChecker(CLogWriter& logger, CDownloadList* list);
  virtual ~CFileChecker();
  CFileChecker(const CFileChecker&) = delete;
  CFileChecker& operator=(const CFileChecker&) = delete;

  // 1 when the entry's part file matches its digest, else 0. The entry's
  // mark follows the outcome, except for a digest text that is no digest.
  int Check(CDownloadEntry* entry);
  // 1 when the product file matches the digest of entry 0, else 0.
  int CheckProduct();

  qint64 GetHashedBytes() const { return Hasher.GetHashedBytes(); }

  // Kept by the verification page: the index of the part checked last,
  // minus 1, and the parts not yet verified.
  std::atomic<std::int32_t> CurrentIndex{0};
  CMD5Digest Hasher;
  CDownloadList* List;
  std::atomic<std::int32_t> MissingCount{0};

private:
  CLogWriter& Logger;
};
