#pragma once

#include <QString>

#include <mutex>

// A lock on a folder that this process writes into, held against every
// other process (and every other CFolderLock) that asks for the same folder.
// The kernel holds it on the folder itself (flock on a descriptor of the
// folder), so it goes with the process however that ends, a crash
// included, and no lock file is left behind to block a later run. A lock is
// asked for without waiting. Any thread.
class CFolderLock {
public:
  enum EResult {
    LOCK_TAKEN,        // held by this object now
    LOCK_HELD,         // another process (or object) holds it
    LOCK_UNAVAILABLE,  // no folder to lock (nothing in it to guard), or a file system without locks
  };

  CFolderLock() = default;
  ~CFolderLock();
  CFolderLock(const CFolderLock&) = delete;
  CFolderLock& operator=(const CFolderLock&) = delete;

  // Locks folder; a lock on another folder is given up first, one on the
  // same folder is kept.
  EResult Lock(const QString& folder);
  void Unlock();
  QString GetFolder() const;

private:
  void UnlockHeld();

  mutable std::mutex Guard;
  int Fd = -1;
  QString Folder;
};
