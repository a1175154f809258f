#include "platform/FolderLock.h"
#include "support/TempFolder.h"

#include <QDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// One holder per folder, however many ask, and it goes when its holder
// lets go, moves to another folder or is gone.
TEST(FolderLock, OneHolderPerFolder) {
  CTempFolder scratch;
  const QString one = scratch.File("one"), two = scratch.File("two");
  ASSERT_TRUE(QDir().mkpath(one) && QDir().mkpath(two));
  CFolderLock first, second;
  EXPECT_EQ(first.Lock(one), CFolderLock::LOCK_TAKEN);
  EXPECT_EQ(first.Lock(one), CFolderLock::LOCK_TAKEN) << "the same folder again is kept";
  EXPECT_EQ(second.Lock(one), CFolderLock::LOCK_HELD);
  EXPECT_EQ(second.GetFolder(), QString());
  EXPECT_EQ(first.Lock(two), CFolderLock::LOCK_TAKEN);
  EXPECT_EQ(second.Lock(one), CFolderLock::LOCK_TAKEN) << "moving to another folder let the first go";
  EXPECT_EQ(first.GetFolder(), two);
  {
    CFolderLock third;
    EXPECT_EQ(third.Lock(two), CFolderLock::LOCK_HELD);
  }
  first.Unlock();
  CFolderLock third;
  EXPECT_EQ(third.Lock(two), CFolderLock::LOCK_TAKEN);
  EXPECT_EQ(third.Lock(scratch.File("missing")), CFolderLock::LOCK_UNAVAILABLE);
  EXPECT_EQ(second.Lock(two), CFolderLock::LOCK_TAKEN) << "a lock asked for elsewhere is given up";
  EXPECT_EQ(QDir(one).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList())
      << "no lock file";
}

// A process that holds the lock and is killed leaves nothing that blocks a
// later run: the kernel lets the lock go with the process.
TEST(FolderLock, AKilledHolderLeavesNoLockBehind) {
  CTempFolder scratch;
  const QString folder = scratch.File("work");
  ASSERT_TRUE(QDir().mkpath(folder));
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    CFolderLock held;
    const char taken = held.Lock(folder) == CFolderLock::LOCK_TAKEN ? 'y' : 'n';
    [[maybe_unused]] const ssize_t told = ::write(ready[1], &taken, 1);
    for (;;) ::pause();
  }
  ::close(ready[1]);
  char taken = 0;
  ASSERT_EQ(::read(ready[0], &taken, 1), 1);
  ::close(ready[0]);
  EXPECT_EQ(taken, 'y');
  CFolderLock mine;
  EXPECT_EQ(mine.Lock(folder), CFolderLock::LOCK_HELD);
  ASSERT_EQ(::kill(child, SIGKILL), 0);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(mine.Lock(folder), CFolderLock::LOCK_TAKEN);
}

}  // namespace
