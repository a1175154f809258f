#pragma once

#include <QString>

// The addresses of the list and body requests. Each is the host's base
// address, the script path and a query that begins with the purchase
// ("NO=<number>&KEY=<percent-encoded key>"), followed by the request's own
// parameters. The result is a format: the body requests keep "REQID=%s" for
// the part's file name, and any "%" of the purchase part is doubled.
enum ERequestAddressId {
  IDS_LIST_URL = 190,
  IDS_BODY_URL = 191,
  IDS_TEST_LIST_URL = 192,
  IDS_TEST_BODY_URL = 193,
};

QString RequestAddress(int id, const QString& hostUrl, int purchaseNo, const QString& purchaseKey);
