#pragma once

#include <QDateTime>
#include <QString>

#include <atomic>
#include <functional>
#include <mutex>

// A generic log writer: formats a line (timestamp, level name, prefix,
// message) and appends it to a file under a lock, retrying a busy file.
// Every line opens, writes and closes the file: a line whose log call has
// returned is in the file.
class CLogWriter {
public:
  using Clock = std::function<QDateTime()>;
  using Sleeper = std::function<void(int milliseconds)>;

  static constexpr int WRITE_ATTEMPTS = 20;
  static constexpr int RETRY_SLEEP_MS = 500;

  CLogWriter();
  virtual ~CLogWriter() = default;
  CLogWriter(const CLogWriter&) = delete;
  CLogWriter& operator=(const CLogWriter&) = delete;

  virtual bool Stop();
  virtual bool Start();
  virtual bool Write(const QString& line);
  virtual QString GetFileName() const;
  virtual QString GetPrefix() const;
  virtual void SetPrefix(const QString& prefix);
  virtual bool SetLevel(int level, bool exact);
  virtual bool IsEnabled(int level) const;
  virtual QString GetLevelName(int level) const;
  virtual QString FormatCode(int code) const;
  virtual QString GetTimestamp() const;
  virtual QString FormatLine(const QString& prefix, int level, int code, const QString& message) const;

  int GetLevel() const { return Level.load(std::memory_order_relaxed); }
  bool IsStarted() const { return Started.load(std::memory_order_relaxed); }
  int GetLinesWritten() const { return LinesWritten.load(std::memory_order_relaxed); }
  QString GetFilePath() const;

  // Tests replace the clock to cross midnight and the sleep to give up on
  // a locked file without waiting ten seconds.
  void SetClock(Clock clock) { Now = std::move(clock); }
  void SetSleeper(Sleeper sleeper) { Sleep = std::move(sleeper); }

protected:
  QDateTime CurrentTime() const { return Now(); }

private:
  bool AppendOnce(const QString& path, const QByteArray& bytes) const;

  std::atomic<int> LinesWritten{0};
  mutable std::mutex WriteLock;
  mutable std::mutex PrefixLock;
  QString Prefix;
  std::atomic<int> Level{4};
  QString FilePath;  // under WriteLock
  std::atomic<bool> Started{false};
  Clock Now;
  Sleeper Sleep;
};
