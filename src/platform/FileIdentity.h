#pragma once

#include <QString>

#include <cstdint>
#include <functional>

#include <sys/stat.h>

class QFile;

// What tells one state of a file from another without reading it: the
// device and inode, the size, and the modification and change times to the
// nanosecond. A write moves the change time, and nobody can set that back,
// so two equal identities mean the bytes were not touched in between. An
// empty identity equals no identity read from a file.
//
// That holds only where the change time is kept finely and the identity is
// taken after the tick of the last write; where it is not, no identity is
// given (see IdentityOfStatus) and the caller reads the file instead.
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

// The identity a file's status gives, when it may vouch for the file's
// bytes; empty when it may not:
//  - the change time is coarse or missing (FAT, exFAT and many FUSE file
//    systems give whole seconds or milliseconds, or the modification time
//    for it): a file rewritten with its modification time put back keeps
//    every field;
//  - a time stamp is not older than the moment the status was taken
//    (takenNs, the system clock read just before asking), at the stamp's
//    granularity: a write later in that same tick would keep every field,
//    as git's index does not trust a "racily clean" entry.
CFileIdentity IdentityOfStatus(const struct stat& info, std::int64_t takenNs);

// False (and an empty identity) when the file cannot be asked, or when its
// identity may not vouch for it (above). The path
// form does not follow a final symbolic link: a link put in a file's place
// is another file.
bool ReadFileIdentity(int fd, CFileIdentity& identity);
bool ReadFileIdentity(const QString& path, CFileIdentity& identity);

// Closes a file written at path and gives its identity as it was closed:
// empty when the flush or the close failed, or when the closing changed the
// file (a file system that sets the times on closing vouches for nothing).
// closeError, when given, gets the reason a flush or close failed, and is
// emptied otherwise.
CFileIdentity CloseKeepingIdentity(QFile& file, const QString& path, QString* closeError = nullptr);

// Tests: makes the closing of the files fault answers true for fail, as a
// file system does that reports a lost write only then (fault may change
// the file first, as the lost write would). Any thread; none: no fault.
void SetCloseFault(std::function<bool(const QString& path)> fault);
