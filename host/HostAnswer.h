#pragma once

#include "host/HostFault.h"
#include "host/HostQuery.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class CHostCatalog;

// What the host answers one request, before any byte is sent: the status,
// the headers, and a body from memory or from a part file. Status and
// redirect faults replace the answer; digest faults change its header.
struct CHostAnswer {
  int Status = 200;
  std::vector<std::pair<std::string, std::string>> Headers;
  QByteArray Bytes;     // the body when it is not a part file
  QString PartPath;     // the part file, when it is one
  std::int64_t PartSize = 0;
  std::string PartLocation;  // "<product id>/<part name>" inside the catalog

  bool IsPart() const { return !PartPath.isEmpty(); }
};

struct CHostRequestLine {
  std::string Method;
  std::string Path;
  std::string Target;      // path and query as sent
  std::string HostHeader;  // for an absolute redirect to ourselves
  std::string Scheme = "http";
};

int ClassifyHostPath(const std::string& path);  // an EHostEndpoint bit

CHostAnswer ChooseHostAnswer(const CHostCatalog& catalog, const CHostRequestLine& line, int endpoint,
                             const CHostQuery& query, const std::vector<CHostFault>& faults);

// The "Digest" header text of a body: its MD5 as 32 lower-case hex digits.
std::string DigestHeaderText(const QByteArray& body);
