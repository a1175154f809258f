#include "transfer/BodySink.h"

#include "platform/NoFollowFile.h"

#include <QFileInfo>

CFileSink::CFileSink(const QString& path, bool folderMustBeReal) : Path(path), FolderMustBeReal(folderMustBeReal) {}

bool CFileSink::Begin(std::int64_t keep, QString& errorText) {
  if (File.isOpen()) File.close();
  Full = false;
  return FolderMustBeReal ? OpenForWritingInRealFolder(File, Path, errorText, keep)
                          : OpenForWritingNoFollow(File, Path, errorText);
}

std::span<char> CFileSink::NextBuffer() {
  if (!Buffer) Buffer.reset(new char[BUFFER_SIZE]);
  return {Buffer.get(), BUFFER_SIZE};
}

// A short write sets no reason; writing the rest either goes on or fails
// with the system's own (a full disk fills up part-way through a chunk).
bool CFileSink::Write(std::span<const char> bytes, QString& errorText) {
  for (std::size_t done = 0; done < bytes.size();) {
    const qint64 wrote = File.write(bytes.data() + done, static_cast<qint64>(bytes.size() - done));
    if (wrote <= 0) {
      Full = Full || File.error() == QFileDevice::ResourceError;
      errorText = File.errorString();
      return false;
    }
    done += static_cast<std::size_t>(wrote);
  }
  return true;
}

bool CFileSink::End(QString& errorText) {
  File.close();
  if (File.error() == QFileDevice::NoError) return true;
  Full = Full || File.error() == QFileDevice::ResourceError;
  errorText = File.errorString();
  return false;
}

void CFileSink::Discard() {
  // A failure leaves the file as it was; the next Begin empties it anyway.
  QFile file;
  QString error;
  if (FolderMustBeReal ? OpenForWritingInRealFolder(file, Path, error) : OpenForWritingNoFollow(file, Path, error))
    file.close();
}

std::int64_t CFileSink::GetFileSize() const { return QFileInfo(Path).size(); }
