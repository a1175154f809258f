#pragma once

#include "transfer/ChunkedWork.h"
#include "transfer/WriteFailure.h"

#include <QtGlobal>

#include <atomic>
#include <cstdint>

class CDigestPipeline;
class CDownloadList;
class CLogWriter;

// Builds the product file by appending the part files in the order of their
// entries, a chunk at a time, looking at the stop flag (when one is given)
// before every chunk. Runs on the verification worker thread; the page's
// timer reads JoinedBytes on the UI thread.
class CFileJoint : public CChunkedWork {
public:
  explicit CFileJoint(CLogWriter& logger);
  virtual ~CFileJoint();
  CFileJoint(const CFileJoint&) = delete;
  CFileJoint& operator=(const CFileJoint&) = delete;

  // The bytes written to the product file; 0 means failure (an empty
  // product included) or a stop, after which the product holds what was
  // written. The part files stay; their digests are not checked here, the
  // entries' marks were set before. With a digest pipeline, the product's
  // digest is computed in the same pass: afterwards it is the pipeline's
  // product stream.
  std::uint64_t Join(CDownloadList& list, CDigestPipeline* digest = nullptr);
  // The join when the product was put together while the parts arrived:
  // the assembled file (size bytes, holding every part in order) becomes
  // the product, with the log lines of a join. 0, and nothing logged or
  // changed, when it cannot be done that way; Join then does it as ever.
  std::uint64_t Adopt(CDownloadList& list, const QString& assembled, std::uint64_t size);

  std::uint64_t GetJoinedBytes() const { return JoinedBytes.load(std::memory_order_relaxed); }
  // Set before the join runs.
  void SetWriteFailureReport(CWriteFailureReport report) { WriteFailureReport = std::move(report); }

  static constexpr qint64 CHUNK_SIZE = 102400;

private:
  std::uint64_t FailIo(const QString& reason, const QString& fileName) const;

  std::atomic<std::uint64_t> JoinedBytes{0};
  CLogWriter& Logger;
  CWriteFailureReport WriteFailureReport;
};
