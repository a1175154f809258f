#pragma once

#include <QString>

// The parts of an absolute HTTP or HTTPS address that a request needs.
struct CHttpUrl {
  bool Secure = false;  // https: TLS with the server's certificate checked
  QString Server;       // host name or address; an IPv6 address keeps its brackets
  int Port = 0;         // 80 or 443 when the address names none
  QString Object;       // path, with "?query" when the address has one
};

// Splits an absolute http:// or https:// address. Anything else (a relative
// address, another scheme, a malformed address) fails and leaves parts
// unspecified.
bool ParseHttpUrl(const QString& url, CHttpUrl& parts);

