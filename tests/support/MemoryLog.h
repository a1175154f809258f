#pragma once

#include "log/LogWriter.h"

#include <QString>
#include <QStringList>

#include <mutex>

// A logger that keeps its lines in memory as "LEVEL message", every level
// on, so tests can assert the exact lines a piece of code wrote.
class CMemoryLog : public CLogWriter {
public:
  CMemoryLog() { SetLevel(6, true); }

  bool Write(const QString& line) override {
    std::lock_guard<std::mutex> lock(LinesLock);
    Lines.append(line);
    return true;
  }
  QString FormatLine(const QString&, int level, int, const QString& message) const override {
    return GetLevelName(level) + QLatin1Char(' ') + message;
  }

  QStringList GetLines() const {
    std::lock_guard<std::mutex> lock(LinesLock);
    return Lines;
  }
  // The lines so far; the log starts empty again.
  QStringList TakeLines() {
    std::lock_guard<std::mutex> lock(LinesLock);
    QStringList taken;
    taken.swap(Lines);
    return taken;
  }
  // How many lines are exactly this one ("ERROR Invalid URL='x'").
  int Count(const QString& line) const { return static_cast<int>(GetLines().count(line)); }
  bool Has(const QString& line) const { return Count(line) > 0; }
  // How many lines start with this text.
  int CountStarting(const QString& start) const {
    int count = 0;
    for (const QString& line : GetLines()) count += line.startsWith(start) ? 1 : 0;
    return count;
  }
  void Clear() {
    std::lock_guard<std::mutex> lock(LinesLock);
    Lines.clear();
  }

private:
  mutable std::mutex LinesLock;
  QStringList Lines;
};
