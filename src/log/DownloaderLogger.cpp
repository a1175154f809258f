#include "log/DownloaderLogger.h"

#include "platform/UserFolders.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

CDownloaderLogger::CDownloaderLogger() : CDownloaderLogger(DefaultLogFolder()) {}

CDownloaderLogger::CDownloaderLogger(const QString& logFolder) : LogFolder(logFolder) {
  SetLevel(0, true);
  RemoveOldLogFiles();
}

QString CDownloaderLogger::DefaultLogFolder() {
  return GetUserTempFolder() + QStringLiteral("QUILLMAR_DownloaderLog");
}

bool CDownloaderLogger::Write(const QString& line) {
  // Two threads may both create the folder; the loser's failure is harmless.
  // Without a folder no attempt could succeed: the line is dropped at once
  // rather than after every retry's wait.
  if (!QFileInfo(LogFolder).isDir() && !QDir().mkdir(LogFolder) && !QFileInfo(LogFolder).isDir()) return true;
  return CLogWriter::Write(line);
}

QString CDownloaderLogger::GetFileName() const {
  return QStringLiteral("%1/Downloader%2.log")
      .arg(LogFolder, CurrentTime().date().toString(QStringLiteral("yyyyMMdd")));
}

QString CDownloaderLogger::FormatLine(const QString& prefix, int level, int, const QString& message) const {
  QString flat = message;
  flat.replace(QLatin1Char('\n'), QLatin1Char('/'));
  return QStringLiteral("[%1] %2 %3 %4\r\n").arg(GetTimestamp(), GetLevelName(level), prefix, flat);
}

// Keeps the three newest daily files: with the date in the names an ordinal
// descending sort puts the newest first. Directories are never touched and
// failed deletions are ignored.
void CDownloaderLogger::RemoveOldLogFiles() {
  const QDir folder(LogFolder);
  if (!folder.exists()) return;
  QStringList paths;
  const QFileInfoList entries =
      folder.entryInfoList({QStringLiteral("Downloader*.log")}, QDir::Files | QDir::Hidden | QDir::System);
  for (const QFileInfo& entry : entries) paths << entry.absoluteFilePath();
  std::sort(paths.begin(), paths.end(), [](const QString& a, const QString& b) {
    return QString::compare(a, b, Qt::CaseSensitive) > 0;
  });
  for (qsizetype i = KEPT_LOG_FILES; i < paths.size(); ++i) QFile::remove(paths[i]);
}
