#include "host/HostQuery.h"

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string PercentDecode(const std::string& text) {
  std::string decoded;
  decoded.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      const int high = HexValue(text[i + 1]);
      const int low = HexValue(text[i + 2]);
      if (high >= 0 && low >= 0) {
        decoded += static_cast<char>(high * 16 + low);
        i += 2;
        continue;
      }
    }
    decoded += text[i];
  }
  return decoded;
}

CHostQuery CHostQuery::Parse(const std::string& text) {
  CHostQuery query;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('&', start);
    if (end == std::string::npos) end = text.size();
    const std::string field = text.substr(start, end - start);
    const std::size_t equals = field.find('=');
    const std::string name = field.substr(0, equals);
    const std::string value = equals == std::string::npos ? std::string() : field.substr(equals + 1);
    if (name == "NO" && !query.HasPurchaseNo) {
      query.PurchaseNo = PercentDecode(value);
      query.HasPurchaseNo = true;
    } else if (name == "KEY" && !query.HasKey) {
      query.Key = PercentDecode(value);
      query.HasKey = true;
    } else if (name == "REQID" && !query.HasReqId) {
      query.ReqId = value;
      query.HasReqId = true;
    } else if (name == "TESFLG" && value == "TEST") {
      query.TestFlag = true;
    }
    start = end + 1;
  }
  return query;
}
