#include "transfer/CheckedParts.h"

void CCheckedParts::Record(const QString& path, const CMD5Context::Digest& digest, const CFileIdentity& identity) {
  std::lock_guard<std::mutex> guard(Lock);
  if (identity.IsEmpty())
    Parts.erase(path);
  else
    Parts[path] = CRecord{digest, identity};
}

void CCheckedParts::Forget(const QString& path) {
  std::lock_guard<std::mutex> guard(Lock);
  Parts.erase(path);
}

void CCheckedParts::Clear() {
  std::lock_guard<std::mutex> guard(Lock);
  Parts.clear();
}

bool CCheckedParts::IsUnchanged(const QString& path, const CMD5Context::Digest& digest) const {
  CRecord record;
  {
    std::lock_guard<std::mutex> guard(Lock);
    const auto found = Parts.find(path);
    if (found == Parts.end()) return false;
    record = found->second;
  }
  CFileIdentity now;
  return record.Digest == digest && ReadFileIdentity(path, now) && now == record.Identity;
}
