#include "transfer/FileChecker.h"

#include "list/DownloadList.h"
#include "log/Log.h"

CFileChecker::CFileChecker(CLogWriter& logger, CDownloadList* list) : Hasher(logger), List(list), Logger(logger) {}

CFileChecker::~CFileChecker() = default;

int CFileChecker::Check(CDownloadEntry* entry) {
  if (entry == nullptr || List == nullptr) return 0;
  CMD5Digest::Digest expected;
  if (!CMD5Digest::ParseDigestText(entry->Digest, expected)) {
    LogFatal(Logger, "Invalid digest-length:%s", entry->Digest);
    return 0;
  }
  // A digest that reads as 16 bytes but is no plain hex text names no part
  // file; without a working folder there is none either. Nothing to open.
  const QString path = List->GetTempFilePath(entry);
  if (path.isEmpty()) {
    LogError(Logger, "No part file for digest:%s", entry->Digest);
    entry->IsDownloaded.store(0, std::memory_order_relaxed);
    return 0;
  }
  const int same = Hasher.CompareFileDigest(path, expected) == 1 ? 1 : 0;
  entry->IsDownloaded.store(same, std::memory_order_relaxed);
  return same;
}

int CFileChecker::CheckProduct() {
  if (List == nullptr) return 0;
  const CDownloadEntry* product = List->GetDownloadEntry(0);
  if (product == nullptr) {
    LogFatal(Logger, "Could not get DL-Entry0");
    return 0;
  }
  CMD5Digest::Digest expected;
  if (!CMD5Digest::ParseDigestText(product->Digest, expected)) {
    LogFatal(Logger, "Invalid digest-length:%s", product->Digest);
    return 0;
  }
  // The list refuses (and logs) a product name that would leave the folder.
  const QString path = List->GetOutputFilePath();
  if (path.isEmpty()) return 0;
  return Hasher.CompareFileDigest(path, expected) == 1 ? 1 : 0;
}
