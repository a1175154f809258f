#pragma once

#include <QString>
#include <QtGlobal>

class QFile;
struct CFileIdentity;

// Opens a file the program writes (a part, the product) so that it cannot be
// made to write somewhere else: a symbolic link at the file's own name is
// not followed, and anything but a regular file with a single name (a
// device, a pipe, a hard link to another file) is refused. The file is
// created when missing and emptied before anything is written; a refused
// file is left as it was. False with the reason in error.
bool OpenForWritingNoFollow(QFile& file, const QString& path, QString& error);

// The same, and the folder that holds the file must be a real folder, not a
// symbolic link to one (the working folder the program makes itself). With
// keep, the file's first keep bytes stay and writing goes on after them; a
// file shorter than that is refused. With mustBe, the file opened must have
// that identity, judged on what was opened before anything is cut off: a
// file put in its place after it was checked is refused as it is.
bool OpenForWritingInRealFolder(QFile& file, const QString& path, QString& error, qint64 keep = 0,
                                const CFileIdentity* mustBe = nullptr);

// Opens a file the program reads (a part, the product) only when it is a
// regular file (a link to one is followed): a pipe or device named like it
// is never opened for long enough to block, and is never read. Unbuffered.
bool OpenRegularForReading(QFile& file, const QString& path);

// Nothing is at path, or a regular file is: what may be removed or replaced.
bool IsRegularOrMissing(const QString& path);
