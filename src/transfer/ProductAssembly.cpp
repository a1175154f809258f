#include "transfer/ProductAssembly.h"

#include "list/DownloadList.h"
#include "transfer/MD5Digest.h"

#include <algorithm>

namespace {

// The bytes of the parts before part number part, when they all exist.
bool PartsLength(const CDownloadList& list, int part, std::int64_t& length) {
  length = 0;
  for (int i = 1; i < part; ++i) {
    const CDownloadEntry* entry = list.GetDownloadEntry(i);
    if (!entry || entry->Size < 0) return false;
    length += entry->Size;
  }
  return true;
}

// The digest a part of the list names, when it names one.
bool PartDigest(const CDownloadList& list, int part, CMD5Context::Digest& digest) {
  const CDownloadEntry* entry = list.GetDownloadEntry(part);
  return entry && CMD5Digest::ParseDigestText(entry->Digest, digest);
}

}  // namespace

void CProductAssembly::Clear() {
  std::lock_guard<std::mutex> guard(Lock);
  ProductAfter.clear();
  ProductParts.clear();
  AssemblyParts = 0;
  AssemblyIdentity = CFileIdentity();
}

// Under the lock: the first parts of the list are those the product's
// digest was carried over, in the same order.
bool CProductAssembly::MatchesList(const CDownloadList& list, int parts) const {
  if (parts > static_cast<int>(ProductParts.size())) return false;
  for (int i = 1; i <= parts; ++i) {
    CMD5Context::Digest digest;
    if (!PartDigest(list, i, digest) || digest != ProductParts[static_cast<std::size_t>(i - 1)]) return false;
  }
  return true;
}

std::optional<CMD5Context> CProductAssembly::ProductBefore(const CDownloadList& list, int part) const {
  std::lock_guard<std::mutex> guard(Lock);
  if (part < 1) return std::nullopt;
  if (part == 1) return CMD5Context();
  if (!MatchesList(list, part - 1)) return std::nullopt;
  return ProductAfter[static_cast<std::size_t>(part - 2)];
}

void CProductAssembly::RecordProductAfter(const CDownloadList& list, int part, const CMD5Context& after) {
  CMD5Context::Digest digest;
  if (part < 1 || !PartDigest(list, part, digest)) return;
  std::lock_guard<std::mutex> guard(Lock);
  if (!MatchesList(list, part - 1)) return;
  const auto index = static_cast<std::size_t>(part - 1);
  // A part fetched again that matched its digest again brings the same
  // bytes: the digests after it stand.
  if (MatchesList(list, part) && ProductAfter[index] == after) return;
  ProductAfter.resize(index);
  ProductParts.resize(index);
  AssemblyParts = std::min(AssemblyParts, part - 1);
  ProductAfter.push_back(after);
  ProductParts.push_back(digest);
}

std::optional<CMD5Context> CProductAssembly::ProductOfAllParts(const CDownloadList& list) const {
  const int parts = list.GetDownloadEntryCount() - 1;
  std::lock_guard<std::mutex> guard(Lock);
  if (parts < 1 || !MatchesList(list, parts)) return std::nullopt;
  return ProductAfter[static_cast<std::size_t>(parts - 1)];
}

void CProductAssembly::RecordAssembly(int parts, const CFileIdentity& identity) {
  std::lock_guard<std::mutex> guard(Lock);
  const bool known = !identity.IsEmpty() && parts >= 0 && parts <= static_cast<int>(ProductParts.size());
  AssemblyParts = known ? parts : 0;
  AssemblyIdentity = known ? identity : CFileIdentity();
}

// Under the lock.
bool CProductAssembly::IsAssemblyUnchanged(const QString& path) const {
  CFileIdentity now;
  return ReadFileIdentity(path, now) && now == AssemblyIdentity;
}

bool CProductAssembly::IsAssemblyReadyFor(const CDownloadList& list, int part, std::int64_t& offset,
                                          CFileIdentity& identity) const {
  identity = CFileIdentity();
  if (part < 1 || !PartsLength(list, part, offset)) return false;
  std::lock_guard<std::mutex> guard(Lock);
  const bool intact = AssemblyParts > 0 && MatchesList(list, AssemblyParts) &&
                      IsAssemblyUnchanged(list.GetAssemblyFilePath());
  // The first part starts a new file, unless that would throw away one
  // that holds parts; every other part goes right after the parts before
  // it, never over the parts after it (a part fetched again).
  if (part == 1) return !intact;
  if (intact) identity = AssemblyIdentity;
  return intact && AssemblyParts == part - 1;
}

bool CProductAssembly::IsAssemblyComplete(const CDownloadList& list, std::int64_t& size) const {
  const int parts = list.GetDownloadEntryCount() - 1;
  if (parts < 1 || !PartsLength(list, parts + 1, size)) return false;
  std::lock_guard<std::mutex> guard(Lock);
  return AssemblyParts == parts && MatchesList(list, parts) && IsAssemblyUnchanged(list.GetAssemblyFilePath()) &&
         AssemblyIdentity.Size == size;
}
