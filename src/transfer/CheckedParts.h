#pragma once

#include "platform/FileIdentity.h"
#include "transfer/MD5Context.h"

#include <QString>

#include <map>
#include <mutex>
#include <optional>
#include <vector>

class CDownloadList;

// What this process has checked itself and may trust without reading it
// again: each part file that matched its digest here, with the file's
// identity at that moment, and the product's digest carried on over the
// parts that arrived one after the other from the first.
//
// Nothing is kept across runs: a part from an earlier run is read at least
// once in every run. A part counts as checked only while its file still has
// the identity it had; any doubt (a file that cannot be asked, a changed
// time) means it is read again.
//
// Written by the download worker, read and written by the verification
// worker and its readers; every member is under the lock.
class CCheckedParts {
public:
  // A part file matched digest (the 16 bytes) and had this identity then.
  // An empty identity records nothing and forgets what was recorded.
  void Record(const QString& path, const CMD5Context::Digest& digest, const CFileIdentity& identity);
  void Forget(const QString& path);
  void Clear();
  // The file at path matched digest in this process and has not changed since.
  bool IsUnchanged(const QString& path, const CMD5Context::Digest& digest) const;

  // The product's digest as it stands before part number part (1 for the
  // first), when the parts before it arrived in order in this process;
  // none otherwise. The digests of the parts in the list are compared with
  // those the product's digest was carried over.
  std::optional<CMD5Context> ProductBefore(const CDownloadList& list, int part) const;
  // Part number part matched its digest, and the product's digest after it
  // is after (carried on from ProductBefore(list, part)).
  void RecordProductAfter(const CDownloadList& list, int part, const CMD5Context& after);
  // The product's digest over every part, when it was carried on over all
  // of them; the parts themselves must still be unchanged (IsUnchanged).
  std::optional<CMD5Context> ProductOfAllParts(const CDownloadList& list) const;

private:
  struct CRecord {
    CMD5Context::Digest Digest{};
    CFileIdentity Identity;
  };
  bool MatchesList(const CDownloadList& list, int parts) const;

  mutable std::mutex Lock;
  std::map<QString, CRecord> Parts;
  // ProductAfter[k] is the product's digest after parts 1 to k+1, whose
  // digests were ProductParts[0] to ProductParts[k].
  std::vector<CMD5Context> ProductAfter;
  std::vector<CMD5Context::Digest> ProductParts;
};
