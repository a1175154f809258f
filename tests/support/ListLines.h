#pragma once

#include "list/DownloadList.h"
#include "platform/StringTokenizer.h"

#include <QStringList>

// Feeds list records to a download list as the list file would.
inline void LoadListLines(CDownloadList& list, const QStringList& lines) {
  for (const QString& line : lines) {
    CStringTokenizer tokenizer(line, CDownloadList::FIELD_DELIMITERS);
    list.ParseLine(tokenizer);
  }
}
