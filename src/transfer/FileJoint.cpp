#include "transfer/FileJoint.h"

#include "list/DownloadList.h"
#include "log/Log.h"
#include "platform/NoFollowFile.h"
#include "platform/MessageBox.h"
#include "res/Strings.h"

#include <QFile>
#include <QFileInfo>

#include <memory>

namespace {

// Runs on the verification thread; the box shows on the UI thread and this
// thread waits for it to be closed.
std::uint64_t FailIo(CLogWriter& logger, const QString& reason, const QString& fileName) {
  LogError(logger, "Downloaded file I/O error()%s:%s", reason, fileName);
  ShowMessageBox(0, FormatString(IDS_WRITE_FAILED, reason), QString(), MB_OK | MB_ICONHAND);
  return 0;
}

}  // namespace

CFileJoint::CFileJoint(CLogWriter& logger) : Logger(logger) {}

CFileJoint::~CFileJoint() = default;

std::uint64_t CFileJoint::Join(CDownloadList& list) {
  LogTrace(Logger, "Start file-joint");
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
      return FailIo(Logger, openError, outputPath);
    LogError(Logger, "Downloaded file open error:%s", outputPath);
    return 0;
  }

  const auto chunk = std::make_unique<char[]>(CHUNK_SIZE);
  for (int i = 1; i < count; ++i) {
    CDownloadEntry* entry = list.GetDownloadEntry(i);
    if (entry == nullptr) continue;
    const QString partPath = list.GetTempFilePath(entry);
    QFile part(partPath);
    if (partPath.isEmpty() || !part.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
      LogError(Logger, "Downloaded file open error:%s", partPath);
      entry->IsDownloaded.store(0, std::memory_order_relaxed);
      return 0;  // the product keeps what was written
    }
    // The file's own length counts, not the entry's Size.
    const qint64 length = part.size();
    qint64 copied = 0;
    while (copied < length) {
      const qint64 got = part.read(chunk.get(), CHUNK_SIZE);
      if (got < 0) return FailIo(Logger, part.errorString(), partPath);
      copied += got;
      total += static_cast<std::uint64_t>(got);
      JoinedBytes.store(total, std::memory_order_relaxed);
      if (got > 0 && product.write(chunk.get(), got) != got) return FailIo(Logger, product.errorString(), outputPath);
      if (got < CHUNK_SIZE) break;
    }
    LogTrace(Logger, "Jointed file=%s", partPath);
    part.close();
  }

  product.close();
  if (product.error() != QFileDevice::NoError) return FailIo(Logger, product.errorString(), outputPath);
  LogTrace(Logger, "Finished file-joint:Out-File=%s:Leng=%d", outputPath, total);
  return total;
}
