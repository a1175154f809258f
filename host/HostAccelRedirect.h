#pragma once

#include "host/HostFault.h"

#include <string>
#include <utility>
#include <vector>

struct CHostAnswer;

// A part answered by the web server in front of the host: after the
// purchase is checked, the host names the part's file under the internal
// location PREFIX ("/parcel2-parts/" + "<product id>/<part name>") in
// X-Accel-Redirect and sends no body; the web server sends the file and
// answers Range itself. The body faults that the web server can play are
// passed on as headers: a throttle as X-Accel-Limit-Rate, a stall as a rate
// of one byte a second after its bytes (X-Parcel2-Rate-After, for the
// location's limit_rate_after). Every other body fault is the host's own.
std::vector<std::pair<std::string, std::string>> AccelRedirectHeaders(const std::string& prefix,
                                                                      const CHostAnswer& answer,
                                                                      const std::vector<CHostFault>& faults);

// The part's place in the catalog as a path the web server reads back:
// everything but unreserved characters percent-encoded.
std::string AccelPathEncode(const std::string& path);
