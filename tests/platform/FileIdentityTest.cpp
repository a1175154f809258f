#include "platform/FileIdentity.h"
#include "support/TempFolder.h"

#include <QFile>

#include <gtest/gtest.h>

#include <cstdint>

namespace {

constexpr std::int64_t SECOND = 1000000000;
constexpr std::int64_t WHOLE = 1700000000 * SECOND;
constexpr std::int64_t TAKEN = WHOLE + 123456789;  // the moment the status is asked

timespec Stamp(std::int64_t ns) {
  const std::int64_t seconds = ns / SECOND - (ns % SECOND < 0 ? 1 : 0);
  return timespec{static_cast<time_t>(seconds), static_cast<long>(ns - seconds * SECOND)};
}

struct stat Status(std::int64_t modifiedNs, std::int64_t changedNs) {
  struct stat info{};
  info.st_dev = 5;
  info.st_ino = 77;
  info.st_size = 300000;
  info.st_mtim = Stamp(modifiedNs);
  info.st_ctim = Stamp(changedNs);
  return info;
}

// Which statuses may vouch for a file's bytes. A file system that keeps
// whole seconds or milliseconds (ctime given as the modification time, as
// FAT, exFAT and FUSE file systems do) lets a rewrite with its time put
// back keep every field; a stamp in the same tick as the moment the status
// was taken lets a later write in that tick keep every field.
TEST(FileIdentity, OnlyFineStampsOlderThanTheMomentVouch) {
  struct CCase {
    const char* Name;
    std::int64_t Modified;
    std::int64_t Changed;
    bool Vouches;
  };
  const std::int64_t fine = TAKEN - 3 * SECOND + 123456789;
  const CCase cases[] = {
      {"fine stamps, seconds old", fine, fine + 5, true},
      {"fine stamps, a nanosecond old", TAKEN - 1, TAKEN - 1, true},
      {"modification time set to whole seconds by hand", WHOLE - 60 * SECOND, fine, true},
      {"FAT: ctime is mtime in whole seconds", WHOLE - 60 * SECOND, WHOLE - 60 * SECOND, false},
      {"exFAT: ten-millisecond stamps", WHOLE - 990000000, WHOLE - 990000000, false},
      {"no change time at all", fine, 0, false},
      {"changed in the very nanosecond the status was taken", fine, TAKEN, false},
      {"microsecond stamps in the moment's microsecond", fine, WHOLE + 123456000, false},
      {"microsecond stamps a microsecond old", WHOLE + 123455000, WHOLE + 123455000, true},
      {"modification time in the future", TAKEN + SECOND + 17, fine, false},
      {"before 1970", -SECOND - 250, -SECOND + 17, true},
  };
  for (const CCase& test : cases) {
    SCOPED_TRACE(test.Name);
    const CFileIdentity identity = IdentityOfStatus(Status(test.Modified, test.Changed), TAKEN);
    EXPECT_EQ(!identity.IsEmpty(), test.Vouches);
    if (test.Vouches) {
      EXPECT_TRUE(identity == IdentityOfStatus(Status(test.Modified, test.Changed), TAKEN + SECOND));
      EXPECT_FALSE(identity == IdentityOfStatus(Status(test.Modified, test.Changed + 1), TAKEN + SECOND));
      EXPECT_FALSE(identity == IdentityOfStatus(Status(test.Modified - 1, test.Changed), TAKEN + SECOND));
    }
  }
}

// A file written here has fine stamps older than any later look at it: by
// its path and by its descriptor it is the same file, and a write changes it.
TEST(FileIdentity, AFileWrittenHereVouchesUntilItIsWritten) {
  CTempFolder folder;
  const QString path = folder.Write(QStringLiteral("part"), QByteArray(1000, 'a'));
  CFileIdentity byPath;
  ASSERT_TRUE(ReadFileIdentity(path, byPath));
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadWrite));
  CFileIdentity byDescriptor;
  ASSERT_TRUE(ReadFileIdentity(file.handle(), byDescriptor));
  EXPECT_TRUE(byPath == byDescriptor);
  ASSERT_EQ(file.write("b", 1), 1);
  ASSERT_TRUE(file.flush());
  CFileIdentity written;
  ASSERT_TRUE(ReadFileIdentity(file.handle(), written));
  EXPECT_FALSE(written == byPath);
  EXPECT_FALSE(ReadFileIdentity(path + QStringLiteral(".gone"), written));
  EXPECT_TRUE(written.IsEmpty());
}

}  // namespace
