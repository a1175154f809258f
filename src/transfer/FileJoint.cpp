#include "transfer/FileJoint.h"

#include "list/DownloadList.h"
#include "log/Log.h"
#include "platform/NoFollowFile.h"
#include "transfer/DigestPipeline.h"

#include <QFile>
#include <QFileInfo>

#include <memory>
#include <span>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

CFileJoint::CFileJoint(CLogWriter& logger) : Logger(logger) {}

// Runs on the verification thread, which waits while the owner tells the
// customer.
std::uint64_t CFileJoint::FailIo(const QString& reason, const QString& fileName) const {
  LogError(Logger, "Downloaded file I/O error()%s:%s", reason, fileName);
  if (WriteFailureReport) WriteFailureReport(reason);
  return 0;
}

std::uint64_t CFileJoint::Adopt(CDownloadList& list, const QString& assembled, std::uint64_t size) {
  const QString outputPath = list.GetDownloadEntry(0) ? list.GetOutputFilePath() : QString();
  if (outputPath.isEmpty() || assembled.isEmpty() || size == 0 || IsStopped()) return 0;
  // What the copying join would refuse to write through (a link, a device,
  // a file with another name too) it also reports: leave it to the join.
  const QByteArray output = QFile::encodeName(outputPath);
  struct stat status {};
  if (::lstat(output.constData(), &status) == 0) {
    if (!S_ISREG(status.st_mode) || status.st_nlink != 1) return 0;
    // Removed first: ext4 writes out a file renamed over another at once.
    if (::unlink(output.constData()) != 0) return 0;
  }
  if (::rename(QFile::encodeName(assembled).constData(), output.constData()) != 0) return 0;

  LogTrace(Logger, "Start file-joint");
  for (int i = 1; i < list.GetDownloadEntryCount(); ++i) {
    if (const CDownloadEntry* entry = list.GetDownloadEntry(i)) LogTrace(Logger, "Jointed file=%s", list.GetTempFilePath(entry));
  }
  JoinedBytes.store(size, std::memory_order_relaxed);
  LogTrace(Logger, "Finished file-joint:Out-File=%s:Leng=%d", outputPath, size);
  return size;
}

CFileJoint::~CFileJoint() = default;

std::uint64_t CFileJoint::Join(CDownloadList& list, CDigestPipeline* digest) {
  LogTrace(Logger, "Start file-joint");
  JoinedBytes.store(0, std::memory_order_relaxed);
  std::uint64_t total = 0;
  const int count = list.GetDownloadEntryCount();
  if (list.GetDownloadEntry(0) == nullptr) return 0;

  const QString outputPath = list.GetOutputFilePath();
  QFile product;
  QString openError;
  if (outputPath.isEmpty() || !OpenForWritingNoFollow(product, outputPath, openError)) {
    // Something planted at the product's name (a link, a device) is a write
    // failure the customer must hear of; a folder that is gone is not.
    const QFileInfo planted(outputPath);
    if (!outputPath.isEmpty() && (planted.isSymLink() || (planted.exists() && !planted.isFile())))
      return FailIo(openError, outputPath);
    LogError(Logger, "Downloaded file open error:%s", outputPath);
    return 0;
  }

  // With a digest the bytes come through this process on their way, so the
  // product's digest is computed from them; the kernel copies them otherwise.
  if (digest) digest->Restart(false, CMD5Context());
  const auto chunk = std::make_unique<char[]>(digest ? 0 : CHUNK_SIZE);
  for (int i = 1; i < count; ++i) {
    CDownloadEntry* entry = list.GetDownloadEntry(i);
    if (entry == nullptr) continue;
    const QString partPath = list.GetTempFilePath(entry);
    QFile part;
    if (partPath.isEmpty() || !OpenRegularForReading(part, partPath)) {
      LogError(Logger, "Downloaded file open error:%s", partPath);
      entry->IsDownloaded.store(0, std::memory_order_relaxed);
      return 0;  // the product keeps what was written
    }
    // The file's own length counts, not the entry's Size.
    const qint64 length = part.size();
    qint64 copied = 0;
    bool kernelCopies = digest == nullptr;
    while (copied < length) {
      if (IsStopped()) return 0;  // the caller removes what was written
      ObserveStep();
      // The kernel copies the chunk without a trip through this process;
      // where it cannot (another file system on an older kernel, a special
      // file) the bytes go through the buffer.
      qint64 got = -1;
      if (kernelCopies) {
        got = ::copy_file_range(part.handle(), nullptr, product.handle(), nullptr, CHUNK_SIZE, 0);
        if (got < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP)) {
          kernelCopies = false;
        } else if (got < 0) {
          return FailIo(QString::fromLocal8Bit(std::strerror(errno)), outputPath);
        } else {
          copied += got;
          total += static_cast<std::uint64_t>(got);
          JoinedBytes.store(total, std::memory_order_relaxed);
          if (got == 0) break;  // the part is shorter than it was: what it has is joined
          continue;
        }
      }
      const std::span<char> buffer = digest ? digest->NextBuffer() : std::span<char>(chunk.get(), CHUNK_SIZE);
      const auto want = static_cast<qint64>(buffer.size());
      got = part.read(buffer.data(), want);
      if (got < 0) return FailIo(part.errorString(), partPath);
      copied += got;
      total += static_cast<std::uint64_t>(got);
      JoinedBytes.store(total, std::memory_order_relaxed);
      if (got > 0 && product.write(buffer.data(), got) != got) return FailIo(product.errorString(), outputPath);
      if (digest) digest->Submit(static_cast<std::size_t>(got));
      if (got < want) break;
    }
    LogTrace(Logger, "Jointed file=%s", partPath);
    part.close();
  }

  product.close();
  if (product.error() != QFileDevice::NoError) return FailIo(product.errorString(), outputPath);
  if (digest) digest->Drain();
  LogTrace(Logger, "Finished file-joint:Out-File=%s:Leng=%d", outputPath, total);
  return total;
}
