#pragma once

#include <QString>

#include <cstdint>

class QFile;

// What tells one state of a file from another without reading it: the
// device and inode, the size, and the modification and change times to the
// nanosecond. A write moves the change time, and nobody can set that back,
// so two equal identities mean the bytes were not touched in between (on
// file systems that keep the times; where they do not, the identities
// differ and the caller reads the file again). An empty identity equals no
// identity read from a file.
struct CFileIdentity {
  std::uint64_t Device = 0;
  std::uint64_t Inode = 0;
  std::int64_t Size = -1;
  std::int64_t ModifiedNs = 0;
  std::int64_t ChangedNs = 0;

  bool IsEmpty() const { return Size < 0; }
  bool operator==(const CFileIdentity& other) const {
    return !IsEmpty() && Device == other.Device && Inode == other.Inode && Size == other.Size &&
           ModifiedNs == other.ModifiedNs && ChangedNs == other.ChangedNs;
  }
};

// False (and an empty identity) when the file cannot be asked. The path
// form does not follow a final symbolic link: a link put in a file's place
// is another file.
bool ReadFileIdentity(int fd, CFileIdentity& identity);
bool ReadFileIdentity(const QString& path, CFileIdentity& identity);

// Closes a file written at path and gives its identity as it was closed:
// empty when the flush or the close failed, or when the closing changed the
// file (a file system that sets the times on closing vouches for nothing).
// The file's error tells the caller why a close failed.
CFileIdentity CloseKeepingIdentity(QFile& file, const QString& path);
