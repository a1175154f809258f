#include "host/LoopbackHost.h"

CLoopbackHost::CLoopbackHost() : CLoopbackHost(CHostServer::COptions()) {}

CLoopbackHost::CLoopbackHost(const CHostServer::COptions& options)
    : Catalog(Folder.path()), Server(Catalog) {
  QString error;
  if (!Catalog.Load(&error) || !Server.Start(options, &error)) LastError = error;
}

CLoopbackHost::~CLoopbackHost() { Server.Stop(); }

CHostPublished CLoopbackHost::Publish(const QByteArray& product, const CHostPublishOptions& options) {
  CHostPublished published;
  CHostPublisher publisher(Catalog);
  if (!publisher.PublishBytes(product, options, &published, &LastError)) return CHostPublished();
  return published;
}

CHostPublished CLoopbackHost::PublishFile(const QString& path, const CHostPublishOptions& options) {
  CHostPublished published;
  CHostPublisher publisher(Catalog);
  if (!publisher.PublishFile(path, options, &published, &LastError)) return CHostPublished();
  return published;
}

void CLoopbackHost::AddPurchase(const std::string& number, const std::string& key, const QString& productId) {
  Catalog.AddPurchase(CHostPurchase{number, key, productId});
}

bool CLoopbackHost::SetListBytes(const QString& productId, const QByteArray& list) {
  return Catalog.SetListBytes(productId, list);
}

int CLoopbackHost::AddFault(int endpoints, const std::string& reqId, int count, const CHostFault& fault) {
  return Server.GetFaults().Add(CHostFaultRule{endpoints, reqId, count, fault});
}
