#pragma once

#include "log/LogWriter.h"

#include <QStringList>

#include <mutex>

// A logger at level 6 that keeps the messages in memory (without timestamp
// and level prefix), so tests can look for a line by its text.
class CLogRecorder : public CLogWriter {
public:
  CLogRecorder() { SetLevel(6, true); }

  bool Write(const QString& line) override {
    std::lock_guard<std::mutex> lock(Lock);
    Lines << line;
    return true;
  }
  QString FormatLine(const QString&, int level, int, const QString& message) const override {
    return GetLevelName(level).trimmed() + QLatin1Char(' ') + message;
  }

  QStringList GetLines() const {
    std::lock_guard<std::mutex> lock(Lock);
    return Lines;
  }
  bool Contains(const QString& line) const { return GetLines().contains(line); }
  void Clear() {
    std::lock_guard<std::mutex> lock(Lock);
    Lines.clear();
  }

private:
  mutable std::mutex Lock;
  QStringList Lines;
};
