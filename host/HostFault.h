#pragma once

#include <QString>

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

// The host's endpoints as bits, so a fault rule can name several.
enum EHostEndpoint : int {
  HOST_LIST_U8 = 1,    // "/http/cgi-bin/getlist_u8.pl"
  HOST_BODY_U8 = 2,    // "/http/cgi-bin/getbody_u8.pl"
  HOST_LIST_TEST = 4,  // "/http/cgi-bin/getlist.pl"
  HOST_BODY_TEST = 8,  // "/http/cgi-bin/getbody.pl"
  HOST_OTHER = 16,     // any other path
  HOST_ANY_LIST = HOST_LIST_U8 | HOST_LIST_TEST,
  HOST_ANY_BODY = HOST_BODY_U8 | HOST_BODY_TEST,
  HOST_ANY = 31,
};

enum class EHostFaultKind {
  DELAY,         // wait Milliseconds before the status line
  STALL,         // after AfterBytes body bytes send nothing for Milliseconds (-1: until released or stopped)
  DROP,          // close the connection after AfterBytes body bytes
  STATUS,        // answer StatusCode (404, 500, 503...) with a short text
  REDIRECT,      // answer StatusCode (301, 302, 303, 307...) pointing as Target says
  DIGEST,        // a list's "Digest" header as DigestFault says
  CORRUPT_BYTE,  // flip the byte at AfterBytes (-1: the middle of the body)
  SHORT_BODY,    // the body one byte short (and its length says so)
  LONG_BODY,     // one byte more than the body (and its length says so)
  EMPTY_BODY,    // status 200 with no body at all
  THROTTLE,      // at most BytesPerSecond
  BAD_RANGE,     // a part's partial answer starts one byte later than its Range asked
};

enum class EHostRedirect {
  ABSOLUTE_SAME,  // "http://<host>:<port><same path>"
  RELATIVE_SAME,  // "<same path>"
  NO_LOCATION,    // no "Location" at all
  GIVEN,          // Location as given
};

enum class EHostDigestFault {
  WRONG,         // 32 hexadecimal digits that are not the body's digest
  MISSING,       // no "Digest" header
  NOT_HEX,       // 32 characters, not all hexadecimal
  WRONG_LENGTH,  // 31 hexadecimal digits
};

// One misbehaviour. Build it with the named makers: CHostFault::Drop(1000).
struct CHostFault {
  EHostFaultKind Kind = EHostFaultKind::DELAY;
  std::int64_t AfterBytes = 0;
  int Milliseconds = 0;
  int StatusCode = 0;
  EHostRedirect Target = EHostRedirect::ABSOLUTE_SAME;
  std::string Location;
  EHostDigestFault DigestFault = EHostDigestFault::WRONG;
  std::int64_t BytesPerSecond = 0;

  static CHostFault Delay(int milliseconds);
  static CHostFault Stall(std::int64_t afterBytes, int milliseconds = -1);
  static CHostFault Drop(std::int64_t afterBytes);
  static CHostFault Status(int status);
  static CHostFault Redirect(int status, EHostRedirect target, const std::string& location = std::string());
  static CHostFault DigestHeader(EHostDigestFault fault);
  static CHostFault CorruptByte(std::int64_t offset = -1);
  static CHostFault ShortBody();
  static CHostFault LongBody();
  static CHostFault EmptyBody();
  static CHostFault Throttle(std::int64_t bytesPerSecond);
  static CHostFault BadRange();
};

// A fault for the first Count requests (-1: every one) to the given
// endpoints, for one REQID or (empty) any.
struct CHostFaultRule {
  int Endpoints = HOST_ANY;
  std::string ReqId;
  int Count = 1;
  CHostFault Fault;
};

// The rules in force. Called from the server's worker threads and from the
// test or the command line at once, hence the lock.
class CHostFaultPlan {
public:
  int Add(const CHostFaultRule& rule);  // returns the rule's id
  // The faults for one request, counting it against every rule it matches.
  std::vector<CHostFault> Take(int endpoint, const std::string& reqId);
  int GetHits(int ruleId) const;  // how many requests the rule has caught
  void Clear();

private:
  struct CEntry {
    CHostFaultRule Rule;
    int Id = 0;
    int Hits = 0;
  };
  mutable std::mutex Lock;
  int NextId = 1;  // ids stay unique across Clear
  std::vector<CEntry> Entries;
};
