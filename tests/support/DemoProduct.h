#pragma once

#include "host/LoopbackHost.h"
#include "support/TestBytes.h"

// The product the network tests fetch: 700000 bytes in three parts of at
// most 300000, sold as purchase 1234 with the key "secret".
inline constexpr int DEMO_PURCHASE_NO = 1234;
inline constexpr const char* DEMO_PURCHASE_KEY = "secret";

inline CHostPublished PublishDemoProduct(CLoopbackHost& host, QByteArray& product) {
  CHostPublishOptions options;
  options.SoftwareName = QStringLiteral("Demo");
  options.ProductNo = 7;
  options.FileName = QStringLiteral("demo.bin");
  options.PartSize = 300000;
  options.Purchases = {{"1234", DEMO_PURCHASE_KEY}};
  product = MakeProductBytes(700000);
  return host.Publish(product, options);
}
