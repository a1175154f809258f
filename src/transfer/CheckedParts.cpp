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
  CFileIdentity now;
  return ReadFileIdentity(path, now) && Matches(path, digest, now);
}

bool CCheckedParts::IsUnchanged(int fd, const QString& path, const CMD5Context::Digest& digest) const {
  CFileIdentity now;
  return ReadFileIdentity(fd, now) && Matches(path, digest, now);
}

bool CCheckedParts::Matches(const QString& path, const CMD5Context::Digest& digest, const CFileIdentity& now) const {
  std::lock_guard<std::mutex> guard(Lock);
  const auto found = Parts.find(path);
  return found != Parts.end() && found->second.Digest == digest && now == found->second.Identity;
}
