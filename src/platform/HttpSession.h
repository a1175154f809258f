#pragma once

#include "platform/HttpRequest.h"
#include "platform/HttpShare.h"

#include <QString>

#include <memory>

// The settings every request of the program shares: how the network is
// reached and the user-agent text, and the connections kept alive between
// requests (with their TLS sessions), closed when the session goes. Opening
// it touches nothing. Its requests run one at a time, on any thread.
class CHttpSession {
public:
  CHttpSession(EHttpAccess access, const QString& proxyServer, const QString& agent);

  std::unique_ptr<CHttpRequest> OpenRequest(const QString& verb, const QString& server, int port,
                                            const QString& object, bool secure = false) const;

  EHttpAccess GetAccess() const { return Access; }
  const QString& GetProxyServer() const { return ProxyServer; }
  // Every request opened afterwards receives at most this many bytes per
  // second (libcurl's own limit); 0: no limit.
  void SetMaxReceiveRate(qint64 bytesPerSecond) { MaxReceiveBytesPerSecond = bytesPerSecond; }
  qint64 GetMaxReceiveRate() const { return MaxReceiveBytesPerSecond; }

private:
  EHttpAccess Access;
  QString ProxyServer;
  QString Agent;
  qint64 MaxReceiveBytesPerSecond = 0;
  std::shared_ptr<CHttpShare> Share = std::make_shared<CHttpShare>();
};
