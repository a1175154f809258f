#include "host/HostFaultText.h"
#include "host/HostQuery.h"

#include <gtest/gtest.h>

namespace {

TEST(HostQuery, ReadsThePurchaseFieldsAsTheWizardSendsThem) {
  const struct {
    std::string Text;
    std::string No;
    std::string Key;
    std::string ReqId;
    bool HasReqId;
    bool Test;
  } cases[] = {
      {"NO=1234&KEY=abc", "1234", "abc", "", false, false},
      {"NO=1&KEY=a%20b%26c%25&REQID=x.001", "1", "a b&c%", "x.001", true, false},
      {"NO=1&KEY=k&REQID=x.001&TESFLG=TEST", "1", "k", "x.001", true, true},
      {"NO=1&KEY=k&TESFLG=TEST", "1", "k", "", false, true},
      {"NO=1&KEY=k&TESFLG=test", "1", "k", "", false, false},
      {"NO=1&NO=2&KEY=k", "1", "k", "", false, false},
      {"KEY=a+b%2", "", "a+b%2", "", false, false},
      {"NO=1&KEY=k&REQID=a%20b", "1", "k", "a%20b", true, false},
      {"NO=1&KEY=k&REQID=", "1", "k", "", true, false},
      {"", "", "", "", false, false},
      {"&&=&NO", "", "", "", false, false},
  };
  for (const auto& c : cases) {
    const CHostQuery query = CHostQuery::Parse(c.Text);
    EXPECT_EQ(query.PurchaseNo, c.No) << c.Text;
    EXPECT_EQ(query.Key, c.Key) << c.Text;
    EXPECT_EQ(query.ReqId, c.ReqId) << c.Text;
    EXPECT_EQ(query.HasReqId, c.HasReqId) << c.Text;
    EXPECT_EQ(query.TestFlag, c.Test) << c.Text;
  }
}

TEST(HostFaultText, ReadsTheCommandLineRules) {
  const struct {
    const char* Text;
    EHostFaultKind Kind;
    int Endpoints;
    const char* ReqId;
    int Count;
    std::int64_t Number;  // the fault's main number
  } cases[] = {
      {"delay:250", EHostFaultKind::DELAY, HOST_ANY, "", 1, 250},
      {"stall:1000:5000,endpoint=body", EHostFaultKind::STALL, HOST_ANY_BODY, "", 1, 1000},
      {"drop:4096,endpoint=body_u8,reqid=demo.sh.002,count=3", EHostFaultKind::DROP, HOST_BODY_U8, "demo.sh.002", 3, 4096},
      {"status:503,count=all", EHostFaultKind::STATUS, HOST_ANY, "", -1, 503},
      {"redirect:302:http://127.0.0.1:9/x,endpoint=list", EHostFaultKind::REDIRECT, HOST_ANY_LIST, "", 1, 302},
      {"digest:nothex,endpoint=list_test", EHostFaultKind::DIGEST, HOST_LIST_TEST, "", 1, 0},
      {"corrupt", EHostFaultKind::CORRUPT_BYTE, HOST_ANY, "", 1, -1},
      {"corrupt:17,endpoint=body_test", EHostFaultKind::CORRUPT_BYTE, HOST_BODY_TEST, "", 1, 17},
      {"short", EHostFaultKind::SHORT_BODY, HOST_ANY, "", 1, 0},
      {"long,endpoint=other", EHostFaultKind::LONG_BODY, HOST_OTHER, "", 1, 0},
      {"empty,endpoint=list", EHostFaultKind::EMPTY_BODY, HOST_ANY_LIST, "", 1, 0},
      {"throttle:500000", EHostFaultKind::THROTTLE, HOST_ANY, "", -1, 500000},
      {"throttle:500000,count=2", EHostFaultKind::THROTTLE, HOST_ANY, "", 2, 500000},
      {"badrange,endpoint=body", EHostFaultKind::BAD_RANGE, HOST_ANY_BODY, "", 1, 0},
  };
  for (const auto& c : cases) {
    CHostFaultRule rule;
    QString error;
    ASSERT_TRUE(ParseHostFaultRule(QString::fromLatin1(c.Text), rule, &error)) << c.Text << error.toStdString();
    EXPECT_EQ(rule.Fault.Kind, c.Kind) << c.Text;
    EXPECT_EQ(rule.Endpoints, c.Endpoints) << c.Text;
    EXPECT_EQ(rule.ReqId, c.ReqId) << c.Text;
    EXPECT_EQ(rule.Count, c.Count) << c.Text;
    const CHostFault& f = rule.Fault;
    const std::int64_t number = f.Kind == EHostFaultKind::DELAY      ? f.Milliseconds
                                : f.Kind == EHostFaultKind::STATUS   ? f.StatusCode
                                : f.Kind == EHostFaultKind::REDIRECT ? f.StatusCode
                                : f.Kind == EHostFaultKind::THROTTLE ? f.BytesPerSecond
                                : f.Kind == EHostFaultKind::DIGEST || f.Kind == EHostFaultKind::SHORT_BODY ||
                                        f.Kind == EHostFaultKind::LONG_BODY || f.Kind == EHostFaultKind::EMPTY_BODY
                                    ? 0
                                    : f.AfterBytes;
    EXPECT_EQ(number, c.Number) << c.Text;
  }
  CHostFaultRule rule;
  ASSERT_TRUE(ParseHostFaultRule("stall:10", rule, nullptr));
  EXPECT_EQ(rule.Fault.Milliseconds, -1);
  ASSERT_TRUE(ParseHostFaultRule("redirect:302:http://127.0.0.1:9/x", rule, nullptr));
  EXPECT_EQ(rule.Fault.Target, EHostRedirect::GIVEN);
  EXPECT_EQ(rule.Fault.Location, "http://127.0.0.1:9/x");
  for (const char* target : {"absolute", "relative", "none"}) {
    ASSERT_TRUE(ParseHostFaultRule(QStringLiteral("redirect:301:%1").arg(target), rule, nullptr)) << target;
    EXPECT_NE(rule.Fault.Target, EHostRedirect::GIVEN) << target;
  }
  ASSERT_TRUE(ParseHostFaultRule("digest:length", rule, nullptr));
  EXPECT_EQ(rule.Fault.DigestFault, EHostDigestFault::WRONG_LENGTH);
}

TEST(HostFaultText, RefusesWhatItCannotRead) {
  for (const char* text : {"", "delay", "delay:x", "stall", "drop:1,count=0", "drop:1,count=x", "status",
                           "digest:odd", "short:1", "empty:1", "throttle:0", "throttle", "nonsense", "drop:1,endpoint=lists",
                           "drop:1,reqid=", "drop:1,colour=red"}) {
    CHostFaultRule rule;
    QString error;
    EXPECT_FALSE(ParseHostFaultRule(QString::fromLatin1(text), rule, &error)) << text;
    EXPECT_FALSE(error.isEmpty()) << text;
  }
}

}  // namespace
