#pragma once

#include "list/DownloadEntry.h"
#include "list/InstallEntry.h"

#include <QHash>  // std::hash<QString>
#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>
#include <unordered_map>

class CLogWriter;
class CStringTokenizer;

// The only list format this program reads.
inline constexpr std::int32_t LIST_FILE_VERSION = 100;

// The download list: what the host said about one purchased product (its
// files, install commands and message texts) plus the save folder the user
// settled on. Entries are looked up by their number formatted with "%d";
// an entry whose Seq is written otherwise is counted but never reached.
//
// No lock: the wizard lets one page (and its worker) use the list at a time.
// Only the entries' IsDownloaded and IsAllDownloaded are written by workers
// while the UI thread reads them, and those are atomic.
class CDownloadList {
public:
  // The list logs through the program's logger, which must outlive it.
  explicit CDownloadList(CLogWriter& logger);
  CDownloadList(const CDownloadList&) = delete;
  CDownloadList& operator=(const CDownloadList&) = delete;
  virtual ~CDownloadList();

  // The fields of a list line end at a comma, a CR or a LF.
  static inline const QString FIELD_DELIMITERS = QStringLiteral(",\r\n");

  // Reading, emptying and logging run on the list acquisition thread;
  // RemoveTempFiles also on the verification page's clean-up thread.

  // Adds what the file holds to what the list already holds; a file that
  // cannot be opened adds nothing.
  void LoadListFile(const QString& path);
  // Parses one record; true when the line was a complete, known record.
  bool ParseLine(CStringTokenizer& tokenizer);
  // Drops the download and install entries; messages and scalars stay.
  void RemoveAllEntries();
  void WriteToLog();

  CDownloadEntry* GetDownloadEntry(int index) const;
  int GetDownloadEntryCount() const;
  CInstallEntry* GetInstallEntry(int index) const;
  int GetInstallEntryCount() const;
  bool HasMessage(int number) const;
  QString GetMessageText(int number) const;

  void SetTargetSaveDir(const QString& folder);
  // Records the save folder in the list file so a later run resumes there.
  bool AppendTargetSaveDir();
  // The product file in the save folder; empty when entry 0 is missing or
  // its name would leave the folder, and before a folder is settled.
  QString GetOutputFilePath();
  // "DownloadFile_<digest>.TMP"; empty unless the digest is 32 hex digits,
  // in which case the part has no file at all.
  static QString MakeTempFileName(const CDownloadEntry* entry);
  static QString MakeTempFileName(const CDownloadEntry& entry) { return MakeTempFileName(&entry); }
  // DownloadTempDir + "/" + MakeTempFileName(entry); empty when either is.
  QString GetTempFilePath(const CDownloadEntry* entry) const;
  // The product as it is put together while its parts arrive, beside them
  // in the working folder, hidden (no part's name can be this one); empty
  // without a working folder.
  QString GetAssemblyFilePath() const;
  // The part files and the product being put together, then the working
  // folder when nothing else is in it.
  void RemoveTempFiles();
  // Removes the part files of an earlier list that this one does not name:
  // only regular files named as we name parts, nothing else in the folder.
  void RemoveUnlistedParts();
  std::uint64_t GetRequiredSpace();
  // Room for the parts and the joined product, twice the product, less the
  // bytes of the parts verified already (counted off once); never below 0.
  static std::uint64_t RequiredSpace(std::int64_t productSize, std::uint64_t verifiedBytes);
  // The parts (entries 1 to n-1) that exist and are marked downloaded. Also
  // sets IsAllDownloaded to whether all n-1 are: the pages' timers and their
  // workers write the same value from the same marks.
  int CountMarkedParts();

  QString DownloadTempDir;
  std::int32_t FileVersion = -1;
  QString ListFilePath;
  std::int32_t ProductNo = 0;
  QString TargetSaveDir;
  // Written by the download and verification workers, read by the page's timer.
  std::atomic<std::int32_t> IsAllDownloaded{0};
  QString SoftwareName;
  QString SoftwareEnName;

private:
  bool ParseDownloadEntry(CStringTokenizer& tokenizer);
  bool ParseInstallEntry(CStringTokenizer& tokenizer);
  bool ParseMessage(CStringTokenizer& tokenizer);
  bool ParseTargetSaveDir(CStringTokenizer& tokenizer);
  bool ParseSoftwareName(CStringTokenizer& tokenizer);
  bool ParseVersion(CStringTokenizer& tokenizer);

  CLogWriter& Logger;
  bool HasInvalidSize = false;  // of the file being loaded
  std::unordered_map<QString, std::unique_ptr<CInstallEntry>> InstallEntries;
  std::unordered_map<QString, QString> MessageTable;
  std::unordered_map<QString, std::unique_ptr<CDownloadEntry>> DownloadEntries;
};
