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
  if (fd < 0) return LOCK_NO_FOLDER;
  // flock, not fcntl: a record lock would be dropped by any close of the
  // folder in this process, and is not a lock between two of its objects.
  int locked = -1;
  do {
    locked = ::flock(fd, LOCK_EX | LOCK_NB);
  } while (locked != 0 && errno == EINTR);
  if (locked != 0) {
    ::close(fd);
    return LOCK_HELD;
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
