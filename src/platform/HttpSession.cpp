#include "platform/HttpSession.h"

CHttpSession::CHttpSession(EHttpAccess access, const QString& proxyServer, const QString& agent)
    : Access(access), ProxyServer(proxyServer), Agent(agent) {}

std::unique_ptr<CHttpRequest> CHttpSession::OpenRequest(const QString& verb, const QString& server, int port,
                                                        const QString& object, bool secure) const {
  CHttpRequestSettings settings;
  settings.Access = Access;
  settings.ProxyServer = ProxyServer;
  settings.Agent = Agent;
  settings.Verb = verb;
  settings.Secure = secure;
  settings.Server = server;
  settings.Port = port;
  settings.Object = object;
  settings.MaxReceiveBytesPerSecond = MaxReceiveBytesPerSecond;
  settings.Share = Share;
  return std::make_unique<CHttpRequest>(settings);
}
