#include "pages/MarkedParts.h"

#include "list/DownloadList.h"

int CountMarkedParts(CDownloadList& list) {
  const int count = list.GetDownloadEntryCount();
  int marked = 0;
  for (int i = 1; i < count; ++i) {
    const CDownloadEntry* entry = list.GetDownloadEntry(i);
    if (entry && entry->IsDownloaded.load()) ++marked;
  }
  list.IsAllDownloaded.store(marked == count - 1 ? 1 : 0);
  return marked;
}
