#include "host/HostAnswer.h"

#include "host/HostCatalog.h"
#include "host/HostServer.h"
#include "transfer/MD5Digest.h"

namespace {

CHostAnswer TextAnswer(int status, const char* text) {
  CHostAnswer answer;
  answer.Status = status;
  answer.Bytes = QByteArray(text);
  answer.Headers.emplace_back("Content-Type", "text/plain");
  return answer;
}

// A redirect to the same script, so the request that follows it gets the
// real answer once the rule's count is used up.
CHostAnswer RedirectAnswer(const CHostRequestLine& line, const CHostFault& fault) {
  CHostAnswer answer = TextAnswer(fault.StatusCode, "Moved\n");
  const std::string same = line.Method == "GET" ? line.Target : line.Path;
  switch (fault.Target) {
    case EHostRedirect::ABSOLUTE_SAME: answer.Headers.emplace_back("Location", line.Scheme + "://" + line.HostHeader + same); break;
    case EHostRedirect::RELATIVE_SAME: answer.Headers.emplace_back("Location", same); break;
    case EHostRedirect::GIVEN: answer.Headers.emplace_back("Location", fault.Location); break;
    case EHostRedirect::NO_LOCATION: break;
  }
  return answer;
}

std::string FaultyDigest(std::string digest, EHostDigestFault fault) {
  switch (fault) {
    case EHostDigestFault::WRONG: digest[0] = digest[0] == '0' ? '1' : '0'; break;
    case EHostDigestFault::NOT_HEX: digest[0] = 'g'; break;
    case EHostDigestFault::WRONG_LENGTH: digest.pop_back(); break;
    case EHostDigestFault::MISSING: digest.clear(); break;
  }
  return digest;
}

const CHostPart* FindPart(const CHostProduct& product, const std::string& reqId) {
  auto found = product.Parts.find(reqId);
  // The wizard sends the name unencoded; a hand-made request may encode it.
  if (found == product.Parts.end()) found = product.Parts.find(PercentDecode(reqId));
  return found == product.Parts.end() ? nullptr : &found->second;
}

}  // namespace

int ClassifyHostPath(const std::string& path) {
  if (path == "/http/cgi-bin/getlist_u8.pl") return HOST_LIST_U8;
  if (path == "/http/cgi-bin/getbody_u8.pl") return HOST_BODY_U8;
  if (path == "/http/cgi-bin/getlist.pl") return HOST_LIST_TEST;
  if (path == "/http/cgi-bin/getbody.pl") return HOST_BODY_TEST;
  return HOST_OTHER;
}

std::string DigestHeaderText(const QByteArray& body) {
  return CMD5Digest::ToHexText(CMD5Digest::Of(body)).toStdString();
}

CHostAnswer ChooseHostAnswer(const CHostCatalog& catalog, const CHostRequestLine& line, int endpoint,
                             const CHostQuery& query, const std::vector<CHostFault>& faults) {
  const CHostFault* digestFault = nullptr;
  for (const CHostFault& fault : faults) {
    if (fault.Kind == EHostFaultKind::STATUS) return TextAnswer(fault.StatusCode, "Forced status\n");
    if (fault.Kind == EHostFaultKind::REDIRECT) return RedirectAnswer(line, fault);
    if (fault.Kind == EHostFaultKind::DIGEST) digestFault = &fault;
  }
  const bool testScript = endpoint == HOST_LIST_TEST || endpoint == HOST_BODY_TEST;
  if (endpoint == HOST_OTHER || (testScript && !query.TestFlag)) return TextAnswer(404, "Not Found\n");

  const auto product = catalog.FindProduct(query.PurchaseNo, query.Key);
  CHostAnswer answer;
  answer.Headers.emplace_back("Content-Type", "application/octet-stream");
  if (endpoint & HOST_ANY_LIST) {
    answer.Bytes = product ? product->ListBytes : CHostServer::ErrorAnswer();
    std::string digest = DigestHeaderText(answer.Bytes);
    if (digestFault) digest = FaultyDigest(digest, digestFault->DigestFault);
    if (!digest.empty()) answer.Headers.emplace_back("Digest", digest);
    return answer;
  }

  const CHostPart* part = product && query.HasReqId ? FindPart(*product, query.ReqId) : nullptr;
  if (!part) return TextAnswer(404, "Not Found\n");
  answer.PartPath = part->Path;
  answer.PartSize = part->Size;
  answer.PartLocation = product->Id.toStdString() + "/" + part->Name;
  // Bodies carry no digest; a digest fault on one sends a wrong one anyway.
  if (digestFault && digestFault->DigestFault != EHostDigestFault::MISSING) {
    answer.Headers.emplace_back("Digest", FaultyDigest(std::string(32, '0'), digestFault->DigestFault));
  }
  return answer;
}
