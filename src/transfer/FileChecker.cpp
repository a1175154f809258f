#include "transfer/FileChecker.h"

#include "list/DownloadList.h"
#include "log/Log.h"

CFileChecker::CFileChecker(CLogWriter& logger, CDownloadList* list) : Hasher(logger), List(list), Logger(logger) {}

CFileChecker::~CFileChecker() = default;

int CFileChecker::Check(CDownloadEntry* entry) { return Judge(entry, nullptr); }

int CFileChecker::CheckHashed(CDownloadEntry* entry, const CHashOutcome& outcome) { return Judge(entry, &outcome); }

int CFileChecker::Judge(CDownloadEntry* entry, const CHashOutcome* outcome) {
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
  int compared = -1;
  if (!outcome) {
    compared = Hasher.CompareFileDigest(path, expected);
  } else if (outcome->Result == CMD5Digest::HASH_DONE) {
    compared = Hasher.CompareDigest(path, outcome->Digest, expected);
  } else if (outcome->Result == CMD5Digest::HASH_UNREADABLE) {
    Hasher.LogUnreadable(path);
  } else if (outcome->Result == CMD5Digest::HASH_WRONG_LENGTH) {
    compared = Hasher.ReportDifferent(path);
  } else {
    compared = CMD5Digest::COMPARE_STOPPED;
  }
  // A check that was stopped has found nothing out: the mark stays.
  if (compared == CMD5Digest::COMPARE_STOPPED) return CHECK_STOPPED;
  const int same = compared == 1 ? 1 : 0;
  entry->IsDownloaded.store(same, std::memory_order_relaxed);
  return same;
}

int CFileChecker::CheckProduct() { return JudgeProduct(nullptr); }

int CFileChecker::CheckProductDigest(const CMD5Digest::Digest& digest) { return JudgeProduct(&digest); }

int CFileChecker::JudgeProduct(const CMD5Digest::Digest* digest) {
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
  if (!digest) return Hasher.CompareFileDigest(path, expected) == 1 ? 1 : 0;
  Hasher.SetHashedBytes(product->Size);
  return Hasher.CompareDigest(path, *digest, expected) == 1 ? 1 : 0;
}
