#include "host/HostAccelRedirect.h"

#include "host/HostAnswer.h"

#include <cctype>
#include <cstdio>

std::string AccelPathEncode(const std::string& path) {
  std::string encoded;
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    if (std::isalnum(byte) || c == '-' || c == '.' || c == '_' || c == '~' || c == '/') {
      encoded += c;
    } else {
      char escape[4];
      std::snprintf(escape, sizeof escape, "%%%02X", byte);
      encoded += escape;
    }
  }
  return encoded;
}

std::vector<std::pair<std::string, std::string>> AccelRedirectHeaders(const std::string& prefix,
                                                                      const CHostAnswer& answer,
                                                                      const std::vector<CHostFault>& faults) {
  std::vector<std::pair<std::string, std::string>> headers;
  headers.emplace_back("X-Accel-Redirect", prefix + AccelPathEncode(answer.PartLocation));
  for (const CHostFault& fault : faults) {
    if (fault.Kind == EHostFaultKind::THROTTLE) {
      headers.emplace_back("X-Accel-Limit-Rate", std::to_string(fault.BytesPerSecond));
    } else if (fault.Kind == EHostFaultKind::STALL) {
      // nginx has no pause; a byte a second holds the part where it is
      // without the connection falling idle.
      headers.emplace_back("X-Accel-Limit-Rate", "1");
      headers.emplace_back("X-Parcel2-Rate-After", std::to_string(fault.AfterBytes));
    }
  }
  return headers;
}
