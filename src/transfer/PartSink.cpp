#include "transfer/PartSink.h"

#include "platform/NoFollowFile.h"
#include "transfer/AssemblyCopy.h"
#include "transfer/DigestPipeline.h"

#include <QFile>

#include <algorithm>
#include <cstring>

CPartSink::CPartSink(const QString& path, CDigestPipeline& digest, const std::optional<CMD5Context>& productBefore,
                     CAssemblyCopy* assembly)
    : CFileSink(path, true), Digest(digest), ProductBefore(productBefore), Assembly(assembly) {}

bool CPartSink::Begin(std::int64_t keep, QString& errorText) {
  ClosedIdentity = CFileIdentity();
  WriteFailed = false;
  CloseFailed = false;
  if (!CFileSink::Begin(keep, errorText)) return false;
  // The file starts afresh or goes on, and so do its digest and its copy.
  Digest.Restart(true, ProductBefore);
  if (Assembly) Assembly->Start();
  if (keep > 0 && !SeedFromKeptBytes(keep, errorText)) {
    File.close();
    if (Assembly) Assembly->Finish();
    return false;
  }
  return true;
}

bool CPartSink::SeedFromKeptBytes(std::int64_t keep, QString& errorText) {
  QFile kept;
  if (!OpenRegularForReading(kept, GetPath())) {
    errorText = QStringLiteral("%1: not a readable regular file").arg(GetPath());
    return false;
  }
  for (std::int64_t done = 0; done < keep;) {
    const std::span<char> buffer = Digest.NextBuffer();
    const qint64 got = kept.read(buffer.data(), std::min<std::int64_t>(static_cast<std::int64_t>(buffer.size()), keep - done));
    if (got <= 0) {
      errorText = got < 0 ? kept.errorString() : QStringLiteral("The kept part of the file is gone.");
      return false;
    }
    Digest.Submit(static_cast<std::size_t>(got));
    if (Assembly) Assembly->Write(buffer.data(), static_cast<std::size_t>(got));
    done += got;
  }
  return true;
}

std::span<char> CPartSink::NextBuffer() { return Digest.NextBuffer(); }

bool CPartSink::Write(std::span<const char> bytes, QString& errorText) {
  if (!CFileSink::Write(bytes, errorText)) {
    WriteFailed = true;
    return false;
  }
  // The bytes are normally read into the digest's own buffer already; any
  // others are copied there.
  for (std::size_t done = 0; done < bytes.size();) {
    const std::span<char> buffer = Digest.NextBuffer();
    const std::size_t size = std::min(buffer.size(), bytes.size() - done);
    if (buffer.data() != bytes.data() + done) std::memcpy(buffer.data(), bytes.data() + done, size);
    Digest.Submit(size);
    done += size;
  }
  if (Assembly) Assembly->Write(bytes.data(), bytes.size());
  return true;
}

// Some file systems report a failed write only when the file is closed.
bool CPartSink::End(QString& errorText) {
  if (Assembly) Assembly->Finish();
  QString closeError;
  const CFileIdentity closed = CloseKeepingIdentity(File, GetPath(), &closeError);
  if (!closeError.isEmpty()) {
    Full = Full || File.error() == QFileDevice::ResourceError;
    errorText = closeError;
    CloseFailed = true;
    return false;
  }
  if (!WriteFailed) ClosedIdentity = closed;
  return true;
}
