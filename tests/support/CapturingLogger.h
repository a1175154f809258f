#pragma once

#include "log/LogWriter.h"

#include <QString>
#include <QStringList>

#include <mutex>

// Keeps every line in memory as "LEVEL message" instead of writing a file,
// for tests that check what a component logs.
class CCapturingLogger : public CLogWriter {
public:
  CCapturingLogger() { SetLevel(6, true); }

  bool Write(const QString& line) override {
    std::lock_guard<std::mutex> lock(LinesLock);
    Lines << line;
    return true;
  }
  QString FormatLine(const QString&, int level, int, const QString& message) const override {
    return GetLevelName(level) + QLatin1Char(' ') + message;
  }

  QStringList TakeLines() {
    std::lock_guard<std::mutex> lock(LinesLock);
    QStringList taken;
    taken.swap(Lines);
    return taken;
  }

private:
  std::mutex LinesLock;
  QStringList Lines;
};
