#pragma once

#include <QtGlobal>

#include <atomic>
#include <cstdint>

class CDownloadList;
class CLogWriter;

// Builds the product file by appending the part files in the order of their
// entries. Runs on the verification worker thread; the page's timer reads
// JoinedBytes on the UI thread.
class CFileJoint {
public:
  explicit CFileJoint(CLogWriter& logger);
  virtual ~CFileJoint();
  CFileJoint(const CFileJoint&) = delete;
  CFileJoint& operator=(const CFileJoint&) = delete;

  // The bytes written to the product file; 0 means failure (an empty
  // product included). The part files stay; their digests are not checked
  // here, the entries' marks were set before.
  std::uint64_t Join(CDownloadList& list);

  std::uint64_t GetJoinedBytes() const { return JoinedBytes.load(std::memory_order_relaxed); }

  static constexpr qint64 CHUNK_SIZE = 102400;

private:
  std::atomic<std::uint64_t> JoinedBytes{0};
  CLogWriter& Logger;
};
