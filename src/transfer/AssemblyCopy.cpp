#include "transfer/AssemblyCopy.h"

#include "platform/NoFollowFile.h"

void CAssemblyCopy::Aim(const QString& path, std::int64_t offset, const CFileIdentity& mustBe) {
  if (File.isOpen()) File.close();
  Path = path;
  Offset = offset;
  MustBe = mustBe;
  Started = false;
  Failed = false;
  Identity = CFileIdentity();
}

bool CAssemblyCopy::Start() {
  if (File.isOpen()) File.close();
  Failed = false;
  Identity = CFileIdentity();
  if (Path.isEmpty()) return false;
  // The first part starts a new file rather than emptying the old one: ext4
  // would write an emptied file out when it is closed.
  if (Offset == 0) QFile::remove(Path);
  QString error;
  Started = OpenForWritingInRealFolder(File, Path, error, Offset, MustBe.IsEmpty() ? nullptr : &MustBe);
  return Started;
}

void CAssemblyCopy::Write(const char* data, std::size_t size) {
  if (!File.isOpen() || Failed || size == 0) return;
  Failed = File.write(data, static_cast<qint64>(size)) != static_cast<qint64>(size);
}

void CAssemblyCopy::Finish() {
  if (!File.isOpen()) return;
  const CFileIdentity closed = CloseKeepingIdentity(File, Path);
  if (!Failed) Identity = closed;
}
