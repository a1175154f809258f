// The reading side of CDownloadList: the list file and its records.
#include "list/DownloadList.h"
#include "list/ListFileReader.h"

#include "log/Log.h"
#include "platform/DecimalText.h"
#include "platform/StringTokenizer.h"

#include <QFile>

namespace {

// Takes the next field only when text remains, so a short record is seen
// as short instead of reading empty fields.
bool NextField(CStringTokenizer& tokenizer, QString& field) {
  if (!tokenizer.HasMoreTokens()) return false;
  field = tokenizer.NextToken();
  return true;
}

// Tags ignore ASCII letter case only: "dl" is DL, but no other letter that
// folds to D or L makes one.
bool IsTag(const QString& field, const char (&tag)[3]) {
  if (field.size() != 2) return false;
  for (int i = 0; i < 2; ++i) {
    char16_t c = field[i].unicode();
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
    if (c != static_cast<char16_t>(tag[i])) return false;
  }
  return true;
}

}  // namespace

void CDownloadList::LoadListFile(const QString& path) {
  QFile file(path);
  HasInvalidSize = false;
  if (file.open(QIODevice::ReadOnly)) {
    CListFileReader reader(file);
    QString line;
    while (reader.ReadLine(line)) {
      // The line buffer is a C string: a NUL ends the line for the parser.
      const qsizetype nul = line.indexOf(QChar(u'\0'));
      if (nul >= 0) line.truncate(nul);
      if (line.isEmpty()) continue;
      CStringTokenizer tokenizer(line, FIELD_DELIMITERS);
      if (tokenizer.HasMoreTokens()) ParseLine(tokenizer);
    }
  } else {
    LogError(Logger, "List file open error:%s", path);
  }
  // Without entries the list is unusable, as a list without DL lines is.
  if (HasInvalidSize) RemoveAllEntries();
  ListFilePath = path;
}

bool CDownloadList::ParseLine(CStringTokenizer& tokenizer) {
  const QString tag = tokenizer.NextToken();
  if (IsTag(tag, "DL")) return ParseDownloadEntry(tokenizer);
  if (IsTag(tag, "TD")) return ParseTargetSaveDir(tokenizer);
  if (IsTag(tag, "MS")) return ParseMessage(tokenizer);
  if (IsTag(tag, "SN")) return ParseSoftwareName(tokenizer);
  if (IsTag(tag, "IS")) return ParseInstallEntry(tokenizer);
  if (IsTag(tag, "VN")) return ParseVersion(tokenizer);
  return false;
}

bool CDownloadList::ParseDownloadEntry(CStringTokenizer& tokenizer) {
  QString seq, fileName, digest, size;
  if (!NextField(tokenizer, seq) || !NextField(tokenizer, fileName) || !NextField(tokenizer, digest) ||
      !NextField(tokenizer, size))
    return false;
  auto entry = std::make_unique<CDownloadEntry>();
  // A size that is no byte count spoils the whole list: any part of it
  // could be the wrong one.
  if (!ParseByteCount(size, entry->Size)) {
    LogError(Logger, "Invalid download-list-file:Size=%s", size);
    HasInvalidSize = true;
    return false;
  }
  entry->Seq = seq;
  entry->FileName = fileName;
  entry->Digest = digest;
  DownloadEntries[seq] = std::move(entry);
  return true;
}

bool CDownloadList::ParseInstallEntry(CStringTokenizer& tokenizer) {
  QString seq, cmdName, params, winType, wait;
  if (!NextField(tokenizer, seq) || !NextField(tokenizer, cmdName) || !NextField(tokenizer, params) ||
      !NextField(tokenizer, winType) || !NextField(tokenizer, wait))
    return false;
  auto entry = std::make_unique<CInstallEntry>();
  entry->Seq = seq;
  entry->CmdName = cmdName;
  entry->Params = params;
  entry->WinType = DecimalToInt(winType);
  entry->IsWait = DecimalToInt(wait) > 0 ? 1 : 0;
  InstallEntries[seq] = std::move(entry);
  return true;
}

bool CDownloadList::ParseMessage(CStringTokenizer& tokenizer) {
  QString number, text;
  if (!NextField(tokenizer, number) || !NextField(tokenizer, text)) return false;
  MessageTable[number] = text;
  return true;
}

bool CDownloadList::ParseTargetSaveDir(CStringTokenizer& tokenizer) {
  QString reserved, folder;
  if (!NextField(tokenizer, reserved) || !NextField(tokenizer, folder)) return false;
  SetTargetSaveDir(folder);
  return true;
}

bool CDownloadList::ParseSoftwareName(CStringTokenizer& tokenizer) {
  QString reserved, name, productNo;
  if (!NextField(tokenizer, reserved) || !NextField(tokenizer, name) || !NextField(tokenizer, productNo))
    return false;
  ProductNo = DecimalToInt(productNo);
  SoftwareName = name;
  // A fourth field, even an empty one, is the English name.
  SoftwareEnName = tokenizer.HasMoreTokens() ? tokenizer.NextToken() : name;
  return true;
}

bool CDownloadList::ParseVersion(CStringTokenizer& tokenizer) {
  QString version;
  if (!NextField(tokenizer, version)) return false;
  FileVersion = DecimalToInt(version);
  return true;
}
