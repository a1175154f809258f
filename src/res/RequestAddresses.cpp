#include "res/RequestAddresses.h"

#include <QUrl>

QString RequestAddress(int id, const QString& hostUrl, int purchaseNo, const QString& purchaseKey) {
  QString path;
  QString tail;
  switch (id) {
    case IDS_LIST_URL: path = QStringLiteral("/http/cgi-bin/getlist_u8.pl"); break;
    case IDS_BODY_URL:
      path = QStringLiteral("/http/cgi-bin/getbody_u8.pl");
      tail = QStringLiteral("&REQID=%s");
      break;
    case IDS_TEST_LIST_URL:
      path = QStringLiteral("/http/cgi-bin/getlist.pl");
      tail = QStringLiteral("&TESFLG=TEST");
      break;
    case IDS_TEST_BODY_URL:
      path = QStringLiteral("/http/cgi-bin/getbody.pl");
      tail = QStringLiteral("&REQID=%s&TESFLG=TEST");
      break;
    default: return QString();
  }
  QString base = hostUrl;
  while (base.endsWith(QLatin1Char('/'))) base.chop(1);
  const QString key = QString::fromLatin1(QUrl::toPercentEncoding(purchaseKey));
  QString purchase = QStringLiteral("%1%2?NO=%3&KEY=%4").arg(base, path, QString::number(purchaseNo), key);
  purchase.replace(QLatin1Char('%'), QStringLiteral("%%"));
  return purchase + tail;
}
