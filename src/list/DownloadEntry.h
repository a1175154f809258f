#pragma once

#include <QString>

#include <atomic>
#include <cstdint>

// One file of the download list: entry 0 is the finished product, the
// others are its parts. Everything but the mark is fixed once parsed.
class CDownloadEntry {
public:
  CDownloadEntry() = default;
  CDownloadEntry(const CDownloadEntry&) = delete;
  CDownloadEntry& operator=(const CDownloadEntry&) = delete;
  virtual ~CDownloadEntry() = default;

  std::int64_t Size = 0;  // never negative once parsed
  // Written by the download and verification workers while the page's
  // timer reads it on the UI thread.
  std::atomic<std::int32_t> IsDownloaded{0};
  QString Digest;
  QString FileName;
  QString Seq;
};
