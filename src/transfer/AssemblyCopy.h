#pragma once

#include "platform/FileIdentity.h"

#include <QFile>
#include <QString>

#include <cstddef>
#include <cstdint>

// The second place a part's bytes go while they are written: the end of the
// product being put together in the working folder, so that joining the
// parts afterwards is a rename rather than a copy of every byte. The bytes
// before the part (the parts before it) are kept, anything after them is
// cut off, and the file starts afresh for the first part.
//
// The copy is a saving, never a condition: when the file cannot be opened
// or written, the copy simply stops and the product is joined as ever.
// Used on the thread that writes the part.
class CAssemblyCopy {
public:
  // Where the copy goes: path, after the first offset bytes. An empty path
  // makes no copy. A file that holds bytes to keep must still be the one
  // checked (mustBe) when it is opened.
  void Aim(const QString& path, std::int64_t offset, const CFileIdentity& mustBe = CFileIdentity());
  // Opens the file afresh (the part starts afresh too); false when no copy
  // is made.
  bool Start();
  void Write(const char* data, std::size_t size);
  // Closes the file and keeps its identity when every byte went in and the
  // closing changed nothing, an empty one otherwise.
  void Finish();

  bool IsStarted() const { return Started; }
  const CFileIdentity& GetIdentity() const { return Identity; }

private:
  QFile File;
  QString Path;
  std::int64_t Offset = 0;
  CFileIdentity MustBe;
  bool Started = false;
  bool Failed = false;
  CFileIdentity Identity;
};
