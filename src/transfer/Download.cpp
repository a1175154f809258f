#include "transfer/Download.h"

#include "transfer/BodySink.h"

std::int64_t CDownload::DownloadToSink(const QString&, CBodySink&, const CBodyRules&) { return -1; }

std::int64_t CDownload::DownloadToFile(const QString& url, const QString& path) {
  CFileSink sink(path, false);
  return DownloadToSink(url, sink);
}

int CDownload::DownloadToBytes(const QString&, QByteArray&) { return -1; }

void CDownload::GetResponseHead(QString&) {}
