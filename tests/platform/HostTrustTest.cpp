#include "platform/HostTrust.h"

#include "support/QtPrint.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

// Decides whether a plain-HTTP list deserves a warning: a name that could
// lead off this machine must never pass for loopback.
TEST(HostTrust, OnlyNamesThatStayOnThisMachineAreLoopback) {
  const std::pair<const char*, bool> cases[] = {
      {"127.0.0.1", true},     {"127.255.0.9", true},    {"localhost", true},     {"LocalHost", true},
      {"a.localhost", true},   {"[::1]", true},          {"128.0.0.1", false},    {"10.0.0.1", false},
      {"127.0.0", false},      {"127.0.0.1.example", false}, {"example.test", false}, {"localhost.example", false},
      {"[::2]", false},        {"127.0.0.256", false},   {"", false},             {"evil-localhost", false},
      {"evillocalhost", false},
  };
  for (const auto& [server, loopback] : cases) EXPECT_EQ(IsLoopbackServer(QString::fromUtf8(server)), loopback) << server;
}

// The list names the install commands: one that anyone on the way could
// have changed is worth a warning, and only that one.
TEST(HostTrust, PlainHttpListWarningOnlyForPlainHttpFromAnotherMachine) {
  const std::pair<const char*, bool> cases[] = {
      {"http://downloads.example:8080", true}, {"https://downloads.example", false},
      {"http://127.0.0.1:8080", false},        {"http://localhost/", false},
      {"not an address", false},
  };
  for (const auto& [hostUrl, warned] : cases) {
    const QString warning = PlainHttpListWarning(QString::fromUtf8(hostUrl));
    EXPECT_EQ(!warning.isEmpty(), warned) << hostUrl;
    if (warned) {
      EXPECT_TRUE(warning.contains("plain HTTP from downloads.example")) << warning.toStdString();
    }
  }
}

// libcurl's NOPROXY replaces the environment's no_proxy: both must hold.
TEST(HostTrust, ProxiesAreBypassedForThisMachineAndWhatTheEnvironmentNames) {
  const std::pair<const char*, const char*> cases[] = {
      {"", "localhost,127.0.0.0/8,::1"},
      {" corp.example,10.0.0.0/8 ", "corp.example,10.0.0.0/8,localhost,127.0.0.0/8,::1"},
      {"*", "*"},
  };
  for (const auto& [environment, expected] : cases) EXPECT_EQ(ProxyBypassList(environment), expected) << environment;
}

// Every host a list came from is judged, each named once.
TEST(HostTrust, EveryHostAListCameFromIsJudged) {
  const QStringList warnings = PlainHttpListWarnings(
      {"http://127.0.0.1:8080/x", "http://mirror.example/x", "https://dl.example/x", "http://mirror.example/y"});
  ASSERT_EQ(warnings.size(), 1);
  EXPECT_TRUE(warnings[0].contains("plain HTTP from mirror.example:")) << warnings[0].toStdString();
}

}  // namespace
