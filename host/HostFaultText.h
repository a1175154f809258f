#pragma once

#include "host/HostFault.h"

#include <QString>

// Reads a fault rule as the command line gives it:
//   KIND[:ARG[:ARG]][,endpoint=E][,reqid=NAME][,count=N|all]
// with KIND one of
//   delay:MS  stall:AFTER[:MS]  drop:AFTER  status:CODE
//   redirect:CODE[:absolute|relative|none|URL]
//   digest:wrong|missing|nothex|length  corrupt[:OFFSET]  short  long  empty
//   throttle:BYTES_PER_SECOND
// and E one of list, body, list_u8, body_u8, list_test, body_test, other,
// any. The count is 1 unless given, except for throttle (every request).
// A stall without MS lasts until it is released (SIGUSR1 when serving) or
// the host stops.
bool ParseHostFaultRule(const QString& text, CHostFaultRule& rule, QString* error);
