#include "log/LogWriter.h"

#include <QFile>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace {

const char16_t* const LEVEL_NAMES[] = {u"", u"FATAL", u"ERROR", u"WARNG", u"INFOM", u"TRACE", u"DEBUG"};

QByteArray ToUtf16Le(const QString& text) {
  QByteArray bytes;
  bytes.resize(text.size() * 2);
  char* out = bytes.data();
  for (const QChar c : text) {
    *out++ = static_cast<char>(c.unicode() & 0xff);
    *out++ = static_cast<char>(c.unicode() >> 8);
  }
  return bytes;
}

}  // namespace

CLogWriter::CLogWriter()
    : Now([] { return QDateTime::currentDateTime(); }),
      Sleep([](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }) {}

bool CLogWriter::Stop() {
  Started = false;
  return true;
}

bool CLogWriter::Start() {
  Started = true;
  return true;
}

bool CLogWriter::Write(const QString& line) {
  const QByteArray bytes = ToUtf16Le(line);
  std::lock_guard<std::mutex> lock(WriteLock);
  ++LinesWritten;
  FilePath = GetFileName();
  for (int attempt = 0; attempt < WRITE_ATTEMPTS; ++attempt) {
    if (AppendOnce(FilePath, bytes)) break;
    Sleep(RETRY_SLEEP_MS);
  }
  // A line that could not be written after every attempt is dropped: the
  // log never stops the program.
  return true;
}

// Opens the file for this one line and holds an exclusive lock while
// writing, so another process holding the file counts as a failed attempt.
bool CLogWriter::AppendOnce(const QString& path, const QByteArray& bytes) const {
  const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  bool written = false;
  if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::lseek(fd, 0, SEEK_END) >= 0) {
    qsizetype done = 0;
    while (done < bytes.size()) {
      const ssize_t n = ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
      if (n <= 0) break;
      done += n;
    }
    written = done == bytes.size();
  }
  if (::close(fd) != 0) written = false;
  return written;
}

QString CLogWriter::GetFileName() const { return QStringLiteral("log.txt"); }

QString CLogWriter::GetPrefix() const {
  std::lock_guard<std::mutex> lock(PrefixLock);
  return Prefix;
}

void CLogWriter::SetPrefix(const QString& prefix) {
  std::lock_guard<std::mutex> lock(PrefixLock);
  Prefix = prefix;
}

bool CLogWriter::SetLevel(int level, bool exact) {
  Level = exact ? level : std::max(level - 1, 0);
  return true;
}

bool CLogWriter::IsEnabled(int level) const { return level <= Level.load(std::memory_order_relaxed); }

QString CLogWriter::GetLevelName(int level) const {
  if (level < 0 || level > 6) return QString();
  return QString::fromUtf16(LEVEL_NAMES[level]);
}

QString CLogWriter::FormatCode(int code) const { return QStringLiteral("(%1)").arg(code); }

QString CLogWriter::GetTimestamp() const {
  const QDateTime now = CurrentTime();
  return now.toString(QStringLiteral("yyyy.MM.dd HH:mm:ss")) +
         QStringLiteral(".%1").arg(now.time().msec(), 3, 10, QLatin1Char('0'));
}

QString CLogWriter::FormatLine(const QString& prefix, int level, int code, const QString& message) const {
  return QStringLiteral("[%1] %2 %3 %4 %5\r\n")
      .arg(GetTimestamp(), GetLevelName(level), prefix, FormatCode(code), message);
}

QString CLogWriter::GetFilePath() const {
  std::lock_guard<std::mutex> lock(WriteLock);
  return FilePath;
}
