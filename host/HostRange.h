#pragma once

#include <cstdint>
#include <string>

// What the host does with a part request's "Range". Only "bytes=N-" is
// read, the form the wizard sends to resume a part; any other form, or
// ranges switched off, gets the whole part as if none had been asked for.
struct CHostRange {
  enum EKind { WHOLE, PARTIAL, UNSATISFIABLE };
  EKind Kind = WHOLE;
  std::int64_t Start = 0;    // the part's first byte sent
  std::string ContentRange;  // the header of a partial or unsatisfiable answer
};

// wrongRange (a fault for tests): a partial answer that starts one byte
// later than asked, and says so in its Content-Range.
CHostRange ChooseHostRange(const std::string& header, std::int64_t size, bool enabled, bool wrongRange);
