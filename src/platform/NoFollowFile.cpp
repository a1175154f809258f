#include "platform/NoFollowFile.h"

#include "platform/FileIdentity.h"

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

QString ErrorText(int code) { return QString::fromLocal8Bit(std::strerror(code)); }

// O_NONBLOCK keeps a planted pipe from blocking the open; it is cleared once
// the file is known to be a regular one.
bool OpenAt(int folder, const QString& path, const QByteArray& name, QFile& file, QString& error, qint64 keep,
            const CFileIdentity* mustBe) {
  const int fd = ::openat(folder, name.constData(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0644);
  if (fd < 0) {
    error = QStringLiteral("%1: %2").arg(path, ErrorText(errno));
    return false;
  }
  struct stat status {};
  if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_nlink != 1) {
    error = QStringLiteral("%1: not a regular file of its own").arg(path);
    ::close(fd);
    return false;
  }
  CFileIdentity opened;
  if (mustBe && (!ReadFileIdentity(fd, opened) || !(opened == *mustBe))) {
    error = QStringLiteral("%1: not the file that was checked").arg(path);
    ::close(fd);
    return false;
  }
  // Only a file with something in it is emptied: ext4 takes a truncation to
  // zero for a file being replaced and writes the new bytes out while the
  // file is closed, a cost the writer would pay for every fresh file.
  if (status.st_size < keep) {
    error = QStringLiteral("%1: shorter than the %2 bytes to keep").arg(path).arg(keep);
    ::close(fd);
    return false;
  }
  if ((status.st_size != keep && ::ftruncate(fd, keep) != 0) || ::lseek(fd, keep, SEEK_SET) != keep ||
      ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
    error = QStringLiteral("%1: %2").arg(path, ErrorText(errno));
    ::close(fd);
    return false;
  }
  if (!file.open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
    error = QStringLiteral("%1: %2").arg(path, file.errorString());
    ::close(fd);
    return false;
  }
  return true;
}

}  // namespace

bool OpenForWritingNoFollow(QFile& file, const QString& path, QString& error) {
  return OpenAt(AT_FDCWD, path, QFile::encodeName(path), file, error, 0, nullptr);
}

bool OpenForWritingInRealFolder(QFile& file, const QString& path, QString& error, qint64 keep,
                                const CFileIdentity* mustBe) {
  const QFileInfo info(path);
  const int folder = ::open(QFile::encodeName(info.path()).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (folder < 0) {
    error = QStringLiteral("%1: %2").arg(info.path(), ErrorText(errno));
    return false;
  }
  const bool opened = OpenAt(folder, path, QFile::encodeName(info.fileName()), file, error, keep, mustBe);
  ::close(folder);
  return opened;
}

bool OpenRegularForReading(QFile& file, const QString& path) {
  const QByteArray name = QFile::encodeName(path);
  struct stat status {};
  // The type first, so that nothing is opened that is not a file; the open
  // does not block and the type is checked again on what was opened.
  const bool regular = ::stat(name.constData(), &status) == 0 && S_ISREG(status.st_mode);
  const int fd = regular ? ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK) : -1;
  if (fd >= 0 && ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) &&
      ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) == 0 &&
      file.open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle))
    return true;
  if (fd >= 0) ::close(fd);
  return false;
}

bool IsRegularOrMissing(const QString& path) {
  struct stat status {};
  return ::lstat(QFile::encodeName(path).constData(), &status) != 0 || S_ISREG(status.st_mode);
}
