#pragma once

#include <string>

// The fields of a request's query text, as the wizard sends it:
// "NO=<number>&KEY=<percent-encoded key>[&REQID=<file name>][&TESFLG=TEST]".
// The key is percent-decoded; the REQID is kept exactly as sent, because the
// wizard does not encode it (a name holding "&" cannot be asked for).
struct CHostQuery {
  std::string PurchaseNo;
  std::string Key;
  std::string ReqId;
  bool HasPurchaseNo = false;
  bool HasKey = false;
  bool HasReqId = false;
  bool TestFlag = false;

  // The first occurrence of a field wins; unknown fields are ignored.
  static CHostQuery Parse(const std::string& text);
};

// "%41" becomes "A"; a "%" not followed by two hexadecimal digits stays as
// it is, and "+" is not a space (the wizard encodes a space as "%20").
std::string PercentDecode(const std::string& text);
