#pragma once

#include "host/LoopbackHost.h"
#include "support/TestBytes.h"

#include <QByteArray>

#include <cstdint>
#include <string>

// A product published into a loopback host for purchase PURCHASE_NO with key PURCHASE_KEY.
inline constexpr const char* PURCHASE_NO = "1234";
inline constexpr const char* PURCHASE_KEY = "key with space&amp%";
inline constexpr const char* ENCODED_KEY = "key%20with%20space%26amp%25";

inline CHostPublishOptions DemoOptions(std::int64_t partSize) {
  CHostPublishOptions options;
  options.SoftwareName = QStringLiteral("Demo Soft");
  options.SoftwareEnName = QStringLiteral("Demo Soft EN");
  options.ProductNo = 7;
  options.FileName = QStringLiteral("demo.bin");
  options.PartSize = partSize;
  options.Purchases = {{PURCHASE_NO, PURCHASE_KEY}};
  return options;
}

inline std::string PurchaseQuery() { return std::string("NO=") + PURCHASE_NO + "&KEY=" + ENCODED_KEY; }
inline std::string BodyQuery(const QString& reqId) { return PurchaseQuery() + "&REQID=" + reqId.toStdString(); }

inline std::string HostUrl(const CLoopbackHost& host, const char* path) {
  return host.GetBaseUrl().toStdString() + path;
}
inline constexpr const char* LIST_PATH = "/http/cgi-bin/getlist_u8.pl";
inline constexpr const char* BODY_PATH = "/http/cgi-bin/getbody_u8.pl";
inline constexpr const char* TEST_LIST_PATH = "/http/cgi-bin/getlist.pl";
inline constexpr const char* TEST_BODY_PATH = "/http/cgi-bin/getbody.pl";
