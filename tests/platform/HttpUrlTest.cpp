#include "platform/HttpUrl.h"

#include "support/QtPrint.h"

#include <gtest/gtest.h>

namespace {

struct CUrlCase {
  const char* Url;
  bool Parses;
  const char* Server;
  int Port;
  const char* Object;
  bool Secure = false;
};

TEST(HttpUrlTest, AbsoluteHttpAndHttpsAddressesOnly) {
  const CUrlCase cases[] = {
      {"http://127.0.0.1:8080/http/cgi-bin/getbody_u8.pl", true, "127.0.0.1", 8080, "/http/cgi-bin/getbody_u8.pl"},
      {"http://example.test/a/b", true, "example.test", 80, "/a/b"},
      {"HTTP://Example.test:81", true, "Example.test", 81, "/"},
      {"http://host/a?x=1&y=2", true, "host", 80, "/a?x=1&y=2"},
      {"http://[::1]:9000/p", true, "[::1]", 9000, "/p"},
      {"http://host/a/../b", true, "host", 80, "/a/../b"},
      {"https://host/a?x=1", true, "host", 443, "/a?x=1", true},
      {"HTTPS://host:8443", true, "host", 8443, "/", true},
      {"/http/cgi-bin/getbody_u8.pl", false, "", 0, ""},
      {"getbody_u8.pl", false, "", 0, ""},
      {"", false, "", 0, ""},
      {"httpx://host/a", false, "", 0, ""},
      {"ftp://host/a", false, "", 0, ""},
      {"file:///etc/passwd", false, "", 0, ""},
      {"http://", false, "", 0, ""},
      {"http://host:99999/a", false, "", 0, ""},
      {"http://host:abc/a", false, "", 0, ""},
      {"//host/a", false, "", 0, ""},
  };
  for (const CUrlCase& c : cases) {
    CHttpUrl parts;
    const bool parsed = ParseHttpUrl(QString::fromUtf8(c.Url), parts);
    EXPECT_EQ(parsed, c.Parses) << c.Url;
    if (!parsed || !c.Parses) continue;
    EXPECT_EQ(parts.Server, QString::fromUtf8(c.Server)) << c.Url;
    EXPECT_EQ(parts.Port, c.Port) << c.Url;
    EXPECT_EQ(parts.Object, QString::fromUtf8(c.Object)) << c.Url;
    EXPECT_EQ(parts.Secure, c.Secure) << c.Url;
  }
}

}  // namespace
