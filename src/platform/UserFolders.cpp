#include "platform/UserFolders.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

QString GetUserTempFolder() {
  QString folder = qEnvironmentVariable("TMPDIR");
  if (folder.isEmpty()) folder = qEnvironmentVariable("XDG_CACHE_HOME");
  if (folder.isEmpty()) folder = QDir::homePath() + QStringLiteral("/.cache");
  if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
  return folder;
}

bool CreateUserTempFolder(QString* error) { return CreatePrivateFolder(GetUserTempFolder(), error); }

// QDir::mkpath would give what it creates the umask's mode; the list file,
// the log and what the program remembers are the customer's own business.
bool CreatePrivateFolder(const QString& wanted, QString* error) {
  const QString folder = QDir::cleanPath(QDir::current().absoluteFilePath(wanted));
  const QStringList names = folder.split(QLatin1Char('/'), Qt::SkipEmptyParts);
  QString path;
  for (const QString& name : names) {
    path += QLatin1Char('/') + name;
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST) {
      if (error) *error = QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
      return false;
    }
  }
  struct stat status {};
  if (::stat(QFile::encodeName(folder).constData(), &status) != 0 || !S_ISDIR(status.st_mode)) {
    if (error) *error = QStringLiteral("%1: not a folder").arg(folder);
    return false;
  }
  return true;
}
