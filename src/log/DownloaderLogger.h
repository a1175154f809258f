#pragma once

#include "log/LogWriter.h"

// The program's own log: one UTF-16LE file a day in
// <user temp folder>/QUILLMAR_DownloaderLog, at most three kept at start-up,
// nothing written until a level is set.
class CDownloaderLogger : public CLogWriter {
public:
  static constexpr int KEPT_LOG_FILES = 3;

  CDownloaderLogger();
  // Tests give the folder explicitly.
  explicit CDownloaderLogger(const QString& logFolder);

  bool Write(const QString& line) override;
  QString GetFileName() const override;
  QString FormatLine(const QString& prefix, int level, int code, const QString& message) const override;

  const QString& GetLogFolder() const { return LogFolder; }
  static QString DefaultLogFolder();

private:
  void RemoveOldLogFiles();

  const QString LogFolder;
};
