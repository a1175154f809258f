#pragma once

#include <QFile>
#include <QString>

#include <cstdint>
#include <memory>
#include <span>

// Where a transfer puts a body: the transfer does HTTP, ranges and pacing
// and hands every byte it receives to a sink, which decides where the bytes
// go. A sink is used on one worker thread, one body at a time:
//
//   Begin(keep)   the body starts; the first keep bytes already held stay
//                 (a resumed body), and keep 0 starts afresh
//   NextBuffer()  where the transfer reads the next bytes into; the span
//                 carries its own size
//   Write(bytes)  the bytes just read, a front part of that buffer
//   End()         the body is over; the sink closes what it wrote
//
// Every failure comes back with the library's or the system's reason.
class CBodySink {
public:
  virtual ~CBodySink() = default;

  // The file the body goes into, for the log and for the digest the host
  // sends with it.
  virtual const QString& GetPath() const = 0;
  virtual bool Begin(std::int64_t keep, QString& errorText) = 0;
  virtual std::span<char> NextBuffer() = 0;
  virtual bool Write(std::span<const char> bytes, QString& errorText) = 0;
  // False when closing reported a failure (some file systems report a failed
  // write only then); the file may then hold less than was written.
  virtual bool End(QString& errorText) = 0;
  // Empties what is held, so that nothing of an earlier body is kept
  // (the host refused the rest that was asked for).
  virtual void Discard() = 0;
};

// A body into a file of its own, read through a buffer of its own. A part
// goes into the working folder the program made itself, which must be a
// real folder; a list file may go anywhere, but never through a link.
class CFileSink : public CBodySink {
public:
  static constexpr std::size_t BUFFER_SIZE = 102400;

  CFileSink(const QString& path, bool folderMustBeReal);

  const QString& GetPath() const override { return Path; }
  bool Begin(std::int64_t keep, QString& errorText) override;
  std::span<char> NextBuffer() override;
  bool Write(std::span<const char> bytes, QString& errorText) override;
  bool End(QString& errorText) override;
  void Discard() override;

  // The file's length as it is now.
  std::int64_t GetFileSize() const;
  // The last body failed to be written because the disk is full.
  bool IsDiskFull() const { return Full; }

protected:
  QFile File;
  bool Full = false;

private:
  const QString Path;
  const bool FolderMustBeReal;
  std::unique_ptr<char[]> Buffer;
};
