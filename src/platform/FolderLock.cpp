#include "platform/FolderLock.h"

#include <QFile>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

CFolderLock::~CFolderLock() { Unlock(); }

CFolderLock::EResult CFolderLock::Lock(const QString& folder) {
  std::lock_guard<std::mutex> guard(Guard);
  if (Fd >= 0 && folder == Folder) return LOCK_TAKEN;
  UnlockHeld();
  // A link in the folder's place is not followed: the lock must be on the
  // folder the parts go into, which the program made itself.
  const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return LOCK_UNAVAILABLE;
  // flock, not fcntl: a record lock would be dropped by any close of the
  // folder in this process, and is not a lock between two of its objects.
  int locked = -1;
  do {
    locked = ::flock(fd, LOCK_EX | LOCK_NB);
  } while (locked != 0 && errno == EINTR);
  // Only a lock someone holds refuses the folder: a file system that
  // keeps no locks must not shut every run out.
  if (locked != 0) {
    const int reason = errno;
    ::close(fd);
    return reason == EWOULDBLOCK ? LOCK_HELD : LOCK_UNAVAILABLE;
  }
  Fd = fd;
  Folder = folder;
  return LOCK_TAKEN;
}

void CFolderLock::Unlock() {
  std::lock_guard<std::mutex> guard(Guard);
  UnlockHeld();
}

QString CFolderLock::GetFolder() const {
  std::lock_guard<std::mutex> guard(Guard);
  return Folder;
}

// Under the guard. Closing the only descriptor releases the lock.
void CFolderLock::UnlockHeld() {
  if (Fd >= 0) ::close(Fd);
  Fd = -1;
  Folder.clear();
}
