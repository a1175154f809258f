#pragma once

#include "platform/FileIdentity.h"
#include "transfer/MD5Context.h"

#include <QString>

#include <map>
#include <mutex>

// What this process has checked itself and may trust without reading it
// again: each part file that matched its digest here, with the file's
// identity at that moment.
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
  // The same, judged on a file already opened from path (fd), so that a
  // file put in its place after the look is not taken for it.
  bool IsUnchanged(int fd, const QString& path, const CMD5Context::Digest& digest) const;

private:
  bool Matches(const QString& path, const CMD5Context::Digest& digest, const CFileIdentity& now) const;

  struct CRecord {
    CMD5Context::Digest Digest{};
    CFileIdentity Identity;
  };

  mutable std::mutex Lock;
  std::map<QString, CRecord> Parts;
};
