#include "install/FolderOperations.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <sys/stat.h>
#include <unistd.h>

QString FullyQualifiedPath(const QString& path) {
  if (path.isEmpty()) return QString();
  const QString absolute = QDir::isAbsolutePath(path) ? path : QDir::currentPath() + QLatin1Char('/') + path;
  QStringList parts;
  for (const QString& part : absolute.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
    if (part == QLatin1String(".")) continue;
    if (part == QLatin1String("..")) {
      if (!parts.isEmpty()) parts.removeLast();
      continue;
    }
    parts << part;
  }
  return QLatin1Char('/') + parts.join(QLatin1Char('/'));
}

bool GetFileStatus(const QString& path, CFileStatus& status) {
  status = CFileStatus();
  if (path.isEmpty() || path.size() >= MAX_PATH) return false;
  const QString fullName = FullyQualifiedPath(path);
  if (fullName.size() >= MAX_PATH) return false;
  status.FullName = fullName;

  struct stat info {};
  const QByteArray native = QFile::encodeName(fullName);
  if (::stat(native.constData(), &info) != 0) return false;
  if (S_ISDIR(info.st_mode)) status.Attributes |= FILE_ATTRIBUTE_DIRECTORY;
  if (::access(native.constData(), W_OK) != 0) status.Attributes |= FILE_ATTRIBUTE_READONLY;
  return true;
}

bool CreateFolder(const QString& path) {
  return !path.isEmpty() && ::mkdir(QFile::encodeName(path).constData(), 0777) == 0;
}

bool RemoveFolder(const QString& path) {
  return !path.isEmpty() && ::rmdir(QFile::encodeName(path).constData()) == 0;
}
