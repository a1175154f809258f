#include "transfer/Download.h"

int CDownload::DownloadToFile(const QString&, const QString&) { return -1; }

int CDownload::DownloadToBytes(const QString&, QByteArray&) { return -1; }

void CDownload::GetResponseHead(QString&) {}
