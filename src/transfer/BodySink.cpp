#include "transfer/BodySink.h"

#include "platform/NoFollowFile.h"

#include <QFileInfo>

CFileSink::CFileSink(const QString& path, bool folderMustBeReal) : Path(path), FolderMustBeReal(folderMustBeReal) {}

bool CFileSink::Begin(std::int64_t keep, QString& errorText) {
  if (File.isOpen()) File.close();
  return FolderMustBeReal ? OpenForWritingInRealFolder(File, Path, errorText, keep)
                          : OpenForWritingNoFollow(File, Path, errorText);
}

std::span<char> CFileSink::NextBuffer() {
  if (!Buffer) Buffer.reset(new char[BUFFER_SIZE]);
  return {Buffer.get(), BUFFER_SIZE};
}

bool CFileSink::Write(std::span<const char> bytes, QString& errorText) {
  const auto size = static_cast<qint64>(bytes.size());
  if (size == 0 || File.write(bytes.data(), size) == size) return true;
  errorText = File.errorString();
  return false;
}

bool CFileSink::End(QString& errorText) {
  File.close();
  if (File.error() == QFileDevice::NoError) return true;
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
