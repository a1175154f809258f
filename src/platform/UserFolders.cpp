#include "platform/UserFolders.h"

#include <QDir>

QString GetUserTempFolder() {
  QString folder = qEnvironmentVariable("TMPDIR");
  if (folder.isEmpty()) folder = qEnvironmentVariable("XDG_CACHE_HOME");
  if (folder.isEmpty()) folder = QDir::homePath() + QStringLiteral("/.cache");
  if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
  return folder;
}
