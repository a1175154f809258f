#include "transfer/Download.h"

int CDownload::DownloadToFile(const QString&, const QString&, const CBodyFileRules&) { return -1; }

int CDownload::DownloadToBytes(const QString&, QByteArray&) { return -1; }

void CDownload::GetResponseHead(QString&) {}
