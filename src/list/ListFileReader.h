#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>

// Reads a UTF-8 text file the way the list has always been read: a leading
// byte-order mark is dropped, CR LF becomes LF, bytes that are not UTF-8
// become U+FFFD, and a line longer than the 4095-character line buffer
// comes back in pieces of at most 4095 characters (the LF included when it
// fits). The file is read in 100 KiB chunks, so a huge or endless line
// never sits in memory as a whole.
class CListFileReader {
public:
  static constexpr int LINE_BUFFER_CHARS = 4096;
  static constexpr qsizetype MAX_PIECE_CHARS = LINE_BUFFER_CHARS - 1;
  static constexpr qint64 READ_CHUNK_BYTES = 102400;

  // The device must be open for reading and outlive the reader. Tests
  // shrink the chunk to put chunk ends where they want them.
  explicit CListFileReader(QIODevice& device, qint64 chunkBytes = READ_CHUNK_BYTES)
      : Device(device), ChunkBytes(chunkBytes > 0 ? chunkBytes : READ_CHUNK_BYTES) {}

  // The next line or piece of a line; false at the end of the file.
  bool ReadLine(QString& line);

private:
  bool Fill();
  void AppendText(const QString& text);

  QIODevice& Device;
  const qint64 ChunkBytes;
  QByteArray CarriedBytes;  // an unfinished UTF-8 sequence at a chunk's end
  QString Pending;
  qsizetype PendingPos = 0;
  bool HeldCr = false;  // a CR at a chunk's end may yet meet its LF
  bool AtStart = true;
  bool AtEnd = false;
};
