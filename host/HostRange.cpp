#include "host/HostRange.h"

#include <cctype>

namespace {

// "bytes=N-" with N a plain decimal number; false for anything else.
bool ReadOpenRange(const std::string& header, std::int64_t& start) {
  const std::string prefix = "bytes=";
  if (header.compare(0, prefix.size(), prefix) != 0 || header.size() < prefix.size() + 2 || header.back() != '-')
    return false;
  start = 0;
  for (std::size_t i = prefix.size(); i + 1 < header.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(header[i])) || start > (INT64_MAX - 9) / 10) return false;
    start = start * 10 + (header[i] - '0');
  }
  return true;
}

}  // namespace

CHostRange ChooseHostRange(const std::string& header, std::int64_t size, bool enabled, bool wrongRange) {
  CHostRange range;
  std::int64_t start = 0;
  if (!enabled || !ReadOpenRange(header, start)) return range;
  if (start >= size) {
    range.Kind = CHostRange::UNSATISFIABLE;
    range.ContentRange = "bytes */" + std::to_string(size);
    return range;
  }
  if (wrongRange && start + 1 < size) ++start;
  range.Kind = CHostRange::PARTIAL;
  range.Start = start;
  range.ContentRange = "bytes " + std::to_string(start) + "-" + std::to_string(size - 1) + "/" + std::to_string(size);
  return range;
}
