#include "platform/HostTrust.h"

#include <QRegularExpression>

bool IsLoopbackServer(const QString& server) {
  const QString name = server.toLower();
  // Only a whole label: "evil-localhost" is anybody's name.
  if (name == QLatin1String("localhost") || name.endsWith(QLatin1String(".localhost"))) return true;
  if (name == QLatin1String("[::1]")) return true;
  // The parser writes IPv4 addresses as four decimal numbers.
  const QStringList numbers = name.split(QLatin1Char('.'));
  if (numbers.size() != 4) return false;
  for (const QString& number : numbers) {
    bool ok = false;
    const int value = number.toInt(&ok);
    if (!ok || value < 0 || value > 255) return false;
  }
  return numbers[0] == QLatin1String("127");
}

QStringList MakersHosts() {
  QStringList hosts =
      QStringLiteral(PARCEL2_ALLOWED_HOSTS).split(QRegularExpression(QStringLiteral("[\\s;,]+")), Qt::SkipEmptyParts);
  if (hosts.isEmpty()) hosts << QStringLiteral(PARCEL2_DEFAULT_HOST);
  return hosts;
}

// By name and port, whatever scheme its entry names: the host must be
// reached over https anyway, so an entry without a port means 443.
bool IsMakersHost(const CHttpUrl& url, const QStringList& makersHosts) {
  static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*://"));
  for (QString entry : makersHosts) {
    entry.remove(scheme);
    CHttpUrl maker;
    if (!ParseHttpUrl(QStringLiteral("https://") + entry, maker)) continue;
    if (maker.Server.compare(url.Server, Qt::CaseInsensitive) == 0 && maker.Port == url.Port) return true;
  }
  return false;
}

bool IsTrustedLinkHost(const CHttpUrl& url, const QStringList& makersHosts) {
  return IsLoopbackServer(url.Server) || (url.Secure && IsMakersHost(url, makersHosts));
}

bool IsSecurityDowngrade(const CHttpUrl& from, const CHttpUrl& to) { return from.Secure && !to.Secure; }

QString PlainHttpListWarning(const QString& hostUrl) {
  CHttpUrl parts;
  if (!ParseHttpUrl(hostUrl, parts) || parts.Secure || IsLoopbackServer(parts.Server)) return QString();
  return QStringLiteral("The download list came over plain HTTP from %1: anyone on the way could have changed it, "
                        "its install commands included.")
      .arg(parts.Server);
}

QStringList PlainHttpListWarnings(const QStringList& fetchedFrom) {
  QStringList warnings;
  for (const QString& url : fetchedFrom) {
    const QString warning = PlainHttpListWarning(url);
    if (!warning.isEmpty() && !warnings.contains(warning)) warnings << warning;
  }
  return warnings;
}

QString ProxyBypassList(const QString& environmentNoProxy) {
  const QString trimmed = environmentNoProxy.trimmed();
  // libcurl reads a lone "*" as every host, and only when it stands alone.
  if (trimmed == QLatin1String("*")) return trimmed;
  const QString loopback = QStringLiteral("localhost,127.0.0.0/8,::1");
  return trimmed.isEmpty() ? loopback : trimmed + QLatin1Char(',') + loopback;
}
