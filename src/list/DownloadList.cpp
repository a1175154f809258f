#include "list/DownloadList.h"

#include "log/Log.h"
#include "platform/StringTokenizer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>

namespace {

QString IndexText(int index) { return QString::number(index); }

// The product file goes into the save folder under this name, so the name
// must not climb out of the folder or name the folder itself.
// A product file is never hidden: a name like ".bashrc" could replace one of
// the customer's own files in a home folder.
bool IsPlainFileName(const QString& name) {
  return !name.isEmpty() && !name.startsWith(QLatin1Char('.')) &&
         !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\'));
}

bool IsDigestText(const QString& digest) {
  if (digest.size() != 32) return false;
  for (const QChar c : digest) {
    const char16_t u = c.unicode();
    if (!((u >= u'0' && u <= u'9') || (u >= u'a' && u <= u'f') || (u >= u'A' && u <= u'F'))) return false;
  }
  return true;
}

// A TD line ends at the first comma or line break, so a folder holding one
// would come back as another folder (or as further records) next time.
bool CanBeRecorded(const QString& folder) {
  return !folder.contains(QLatin1Char(',')) && !folder.contains(QLatin1Char('\r')) &&
         !folder.contains(QLatin1Char('\n'));
}

bool EndsWithLineBreak(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly) || file.size() == 0) return true;
  file.seek(file.size() - 1);
  return file.read(1) == "\n";
}

}  // namespace

CDownloadList::CDownloadList(CLogWriter& logger) : Logger(logger) {}

CDownloadList::~CDownloadList() = default;

void CDownloadList::RemoveAllEntries() {
  DownloadEntries.clear();
  InstallEntries.clear();
}

CDownloadEntry* CDownloadList::GetDownloadEntry(int index) const {
  const auto found = DownloadEntries.find(IndexText(index));
  return found == DownloadEntries.end() ? nullptr : found->second.get();
}

int CDownloadList::GetDownloadEntryCount() const { return static_cast<int>(DownloadEntries.size()); }

CInstallEntry* CDownloadList::GetInstallEntry(int index) const {
  const auto found = InstallEntries.find(IndexText(index));
  return found == InstallEntries.end() ? nullptr : found->second.get();
}

int CDownloadList::GetInstallEntryCount() const { return static_cast<int>(InstallEntries.size()); }

bool CDownloadList::HasMessage(int number) const { return MessageTable.count(IndexText(number)) != 0; }

QString CDownloadList::GetMessageText(int number) const {
  const auto found = MessageTable.find(IndexText(number));
  return found == MessageTable.end() ? QString() : found->second;
}

void CDownloadList::SetTargetSaveDir(const QString& folder) {
  TargetSaveDir = folder;
  DownloadTempDir = folder;
  if (!folder.isEmpty()) DownloadTempDir += QStringLiteral("/DownloadTemp");
}

bool CDownloadList::AppendTargetSaveDir() {
  if (!CanBeRecorded(TargetSaveDir)) {
    LogError(Logger, "Invalid save folder:%s", TargetSaveDir);
    return false;
  }
  if (ListFilePath.isEmpty()) return false;
  // A list whose last line has no line break would swallow the record.
  const bool needsLineBreak = !EndsWithLineBreak(ListFilePath);
  QFile file(ListFilePath);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) return false;
  QByteArray line;
  if (needsLineBreak) line += "\r\n";
  line += "TD,," + TargetSaveDir.toUtf8() + "\r\n";
  const bool written = file.write(line) == line.size() && file.flush();
  file.close();
  if (!written) LogError(Logger, "List file write error:%s", ListFilePath);
  return written;
}

QString CDownloadList::GetOutputFilePath() {
  const CDownloadEntry* product = GetDownloadEntry(0);
  if (product == nullptr) {
    LogFatal(Logger, "Could not get DL-Entry0");
    return QString();
  }
  if (!IsPlainFileName(product->FileName)) {
    LogError(Logger, "Invalid file name:%s", product->FileName);
    return QString();
  }
  // Before a folder is settled there is no product: a file of that name in
  // the working directory is not the customer's download, and must be
  // neither judged complete nor deleted.
  if (TargetSaveDir.isEmpty()) return QString();
  QString path = TargetSaveDir;
  if (!path.endsWith(QLatin1Char('/'))) path += QLatin1Char('/');
  return path + product->FileName;
}

QString CDownloadList::MakeTempFileName(const CDownloadEntry* entry) {
  if (entry == nullptr || !IsDigestText(entry->Digest)) return QString();
  return QStringLiteral("DownloadFile_") + entry->Digest + QStringLiteral(".TMP");
}

QString CDownloadList::GetTempFilePath(const CDownloadEntry* entry) const {
  const QString name = MakeTempFileName(entry);
  if (name.isEmpty() || DownloadTempDir.isEmpty()) return QString();
  return DownloadTempDir + QLatin1Char('/') + name;
}

QString CDownloadList::GetAssemblyFilePath() const {
  if (DownloadTempDir.isEmpty()) return QString();
  return DownloadTempDir + QStringLiteral("/.DownloadFile_Product.TMP");
}

void CDownloadList::RemoveTempFiles() {
  const int count = GetDownloadEntryCount();
  for (int i = 1; i < count; ++i) {
    const QString path = GetTempFilePath(GetDownloadEntry(i));
    // A part file that is missing or in use is left; a later check fails it.
    if (!path.isEmpty()) QFile::remove(path);
  }
  if (!DownloadTempDir.isEmpty()) QFile::remove(GetAssemblyFilePath());
  // Removes the folder only when it is empty, which is what we want.
  if (!DownloadTempDir.isEmpty()) QDir().rmdir(DownloadTempDir);
}

void CDownloadList::RemoveUnlistedParts() {
  if (DownloadTempDir.isEmpty()) return;
  QSet<QString> listed;
  for (int i = 1; i < GetDownloadEntryCount(); ++i) listed.insert(MakeTempFileName(GetDownloadEntry(i)));
  const QStringList names = QDir(DownloadTempDir).entryList({QStringLiteral("DownloadFile_*.TMP")}, QDir::Files | QDir::CaseSensitive);
  for (const QString& name : names) {
    const QString digest = name.mid(13, name.size() - 17);
    if (listed.contains(name) || !IsDigestText(digest)) continue;
    const QFileInfo info(DownloadTempDir + QLatin1Char('/') + name);
    if (info.isFile() && !info.isSymLink()) QFile::remove(info.filePath());
  }
}

std::uint64_t CDownloadList::GetRequiredSpace() {
  const CDownloadEntry* product = GetDownloadEntry(0);
  if (!product) LogFatal(Logger, "Could not get DL-Entry0");
  // The parts and the joined product both need room; what is already
  // downloaded is counted off once, and so is an assembly on disk: it either
  // becomes the product or is removed before a copying join.
  std::uint64_t done = 0;
  const int count = GetDownloadEntryCount();
  for (int i = 1; i < count; ++i) {
    const CDownloadEntry* part = GetDownloadEntry(i);
    // Sizes are never negative; the sum stops at the largest count.
    if (part != nullptr && part->IsDownloaded != 0)
      done = std::min(done + static_cast<std::uint64_t>(part->Size), std::uint64_t{1} << 63);
  }
  const QString assembly = GetAssemblyFilePath();
  if (!assembly.isEmpty())
    done = std::min(done + static_cast<std::uint64_t>(std::max<qint64>(QFileInfo(assembly).size(), 0)),
                    std::uint64_t{1} << 63);
  return RequiredSpace(product ? product->Size : 0, done);
}

std::uint64_t CDownloadList::RequiredSpace(std::int64_t productSize, std::uint64_t verifiedBytes) {
  // Twice 2^63-1 still fits in 64 bits unsigned.
  const std::uint64_t total = 2 * static_cast<std::uint64_t>(std::max<std::int64_t>(productSize, 0));
  return total > verifiedBytes ? total - verifiedBytes : 0;
}

void CDownloadList::WriteToLog() {
  LogTrace(Logger, "Download list file version=%d", FileVersion);
  LogTrace(Logger, "Software Name=%s", SoftwareName);
  LogTrace(Logger, "Software EnName=%s", SoftwareEnName);
  LogTrace(Logger, "Product No=%d", ProductNo);
  const int downloadCount = GetDownloadEntryCount();
  for (int i = 0; i < downloadCount; ++i) {
    if (const CDownloadEntry* entry = GetDownloadEntry(i))
      LogTrace(Logger, "DownloadEntry:Seq=%s:FileName=%s:Digest=%s:Size=%d", entry->Seq, entry->FileName,
               entry->Digest, entry->Size);
  }
  for (const auto& [number, text] : MessageTable) LogTrace(Logger, "MS[%s]=%s", number, text);
  const int installCount = GetInstallEntryCount();
  for (int i = 0; i < installCount; ++i) {
    if (const CInstallEntry* entry = GetInstallEntry(i))
      LogTrace(Logger, "InstallEntry:Seq=%s:CmdName=%s:Params=%s:WinType=%d:IsWait=%d", entry->Seq, entry->CmdName,
               entry->Params, entry->WinType, entry->IsWait);
  }
  LogTrace(Logger, "TargetSaveDir=%s", TargetSaveDir);
}

int CDownloadList::CountMarkedParts() {
  const int count = GetDownloadEntryCount();
  int marked = 0;
  for (int i = 1; i < count; ++i) {
    const CDownloadEntry* entry = GetDownloadEntry(i);
    if (entry && entry->IsDownloaded.load()) ++marked;
  }
  IsAllDownloaded.store(marked == count - 1 ? 1 : 0);
  return marked;
}
