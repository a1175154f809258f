#pragma once

#include "list/MakerKeys.h"

#include <QByteArray>
#include <QDateTime>

#include <cstdint>

// A signed list carries, anywhere before its last line,
//   SV,<serial>,<expires>     serial 1 to 2^63-1, expires YYYY-MM-DDTHH:MM:SSZ (UTC)
// and, as the last line the host sends,
//   SG,<key id>,<signature>
// the signature being the standard base64 (padded) of the Ed25519 signature
// of every byte before the SG line. The program appends its own TD lines
// after it; nothing else may follow.

enum EListProblem {
  LIST_TRUSTED = 0,
  LIST_NOT_SIGNED,    // no SG line, or no readable SV line under the signature
  LIST_NO_MATCH,      // a signature that does not verify, or lines after it that are not ours
  LIST_UNKNOWN_KEY,   // signed with a key this program does not hold
  LIST_EXPIRED,
  LIST_OLDER,         // a lower serial than the highest taken before for the purchase
  LIST_OTHER_ORIGIN,  // without keys: kept from another host or another purchase key
};

struct CListVerdict {
  EListProblem Problem = LIST_TRUSTED;
  std::int64_t Serial = 0;  // 0 for a list that carries none
  QDateTime Expires;        // UTC; invalid for a list that carries none
  QByteArray KeyId;

  bool IsTrusted() const { return Problem == LIST_TRUSTED; }
};

// Checks a list's bytes as stored (the host's list, then the program's own
// TD lines) against the keys, the time now and the highest serial taken
// before for its purchase. The keys must be Required.
CListVerdict CheckListSignature(const QByteArray& bytes, const CMakerKeys& keys, const QDateTime& now,
                                std::int64_t highestSerial);

// The problem in English, for the log ("expired on 2026-01-01 00:00 UTC").
QString ListProblemLogText(const CListVerdict& verdict);
// When a list expires, as the customer reads it: "2026-01-01 00:00:00 UTC".
QString FormatListExpiry(const QDateTime& expires);
