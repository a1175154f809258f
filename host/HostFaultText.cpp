#include "host/HostFaultText.h"

#include <QStringList>

#include <map>

namespace {

bool Fail(QString* error, const QString& message) {
  if (error) *error = message;
  return false;
}

bool ReadNumber(const QString& text, qint64& value) {
  bool ok = false;
  value = text.toLongLong(&ok);
  return ok;
}

bool ParseKind(const QString& text, CHostFault& fault, bool& everyRequest, QString* error) {
  const QString kind = text.section(QLatin1Char(':'), 0, 0);
  const QString first = text.section(QLatin1Char(':'), 1, 1);
  const QString second = text.section(QLatin1Char(':'), 2);  // the rest: a URL has colons
  const bool hasFirst = text.count(QLatin1Char(':')) >= 1;
  const bool hasSecond = text.count(QLatin1Char(':')) >= 2;
  qint64 a = 0;
  qint64 b = -1;
  const auto number = [&](const QString& field, qint64& value) {
    if (ReadNumber(field, value)) return true;
    return Fail(error, QStringLiteral("\"%1\" in the fault \"%2\" is not a number").arg(field, text));
  };
  everyRequest = false;
  if (kind == QLatin1String("delay") && hasFirst && number(first, a)) {
    fault = CHostFault::Delay(static_cast<int>(a));
  } else if (kind == QLatin1String("stall") && hasFirst && number(first, a) && (!hasSecond || number(second, b))) {
    fault = CHostFault::Stall(a, static_cast<int>(b));
  } else if (kind == QLatin1String("drop") && hasFirst && number(first, a)) {
    fault = CHostFault::Drop(a);
  } else if (kind == QLatin1String("status") && hasFirst && number(first, a)) {
    fault = CHostFault::Status(static_cast<int>(a));
  } else if (kind == QLatin1String("redirect") && hasFirst && number(first, a)) {
    EHostRedirect target = EHostRedirect::GIVEN;
    if (!hasSecond || second == QLatin1String("absolute")) target = EHostRedirect::ABSOLUTE_SAME;
    else if (second == QLatin1String("relative")) target = EHostRedirect::RELATIVE_SAME;
    else if (second == QLatin1String("none")) target = EHostRedirect::NO_LOCATION;
    fault = CHostFault::Redirect(static_cast<int>(a), target, second.toStdString());
  } else if (kind == QLatin1String("digest") && hasFirst) {
    const std::map<QString, EHostDigestFault> names = {{QStringLiteral("wrong"), EHostDigestFault::WRONG},
                                                       {QStringLiteral("missing"), EHostDigestFault::MISSING},
                                                       {QStringLiteral("nothex"), EHostDigestFault::NOT_HEX},
                                                       {QStringLiteral("length"), EHostDigestFault::WRONG_LENGTH}};
    const auto found = names.find(first);
    if (found == names.end()) return Fail(error, QStringLiteral("Unknown digest fault \"%1\"").arg(first));
    fault = CHostFault::DigestHeader(found->second);
  } else if (kind == QLatin1String("corrupt") && (!hasFirst || number(first, b))) {
    fault = CHostFault::CorruptByte(b);
  } else if (kind == QLatin1String("short") && !hasFirst) {
    fault = CHostFault::ShortBody();
  } else if (kind == QLatin1String("long") && !hasFirst) {
    fault = CHostFault::LongBody();
  } else if (kind == QLatin1String("empty") && !hasFirst) {
    fault = CHostFault::EmptyBody();
  } else if (kind == QLatin1String("badrange") && !hasFirst) {
    fault = CHostFault::BadRange();
  } else if (kind == QLatin1String("throttle") && hasFirst && number(first, a) && a > 0) {
    fault = CHostFault::Throttle(a);
    everyRequest = true;
  } else {
    if (error && error->isEmpty()) *error = QStringLiteral("Cannot read the fault \"%1\"").arg(text);
    return false;
  }
  return true;
}

}  // namespace

bool ParseHostFaultRule(const QString& text, CHostFaultRule& rule, QString* error) {
  const QStringList fields = text.split(QLatin1Char(','));
  rule = CHostFaultRule();
  bool everyRequest = false;
  if (error) error->clear();
  if (!ParseKind(fields[0], rule.Fault, everyRequest, error)) return false;
  rule.Count = everyRequest ? -1 : 1;
  const std::map<QString, int> endpoints = {
      {QStringLiteral("list"), HOST_ANY_LIST},      {QStringLiteral("body"), HOST_ANY_BODY},
      {QStringLiteral("list_u8"), HOST_LIST_U8},    {QStringLiteral("body_u8"), HOST_BODY_U8},
      {QStringLiteral("list_test"), HOST_LIST_TEST}, {QStringLiteral("body_test"), HOST_BODY_TEST},
      {QStringLiteral("other"), HOST_OTHER},        {QStringLiteral("any"), HOST_ANY}};
  for (int i = 1; i < fields.size(); ++i) {
    const QString name = fields[i].section(QLatin1Char('='), 0, 0);
    const QString value = fields[i].section(QLatin1Char('='), 1);
    if (name == QLatin1String("endpoint") && endpoints.count(value)) {
      rule.Endpoints = endpoints.at(value);
    } else if (name == QLatin1String("reqid") && !value.isEmpty()) {
      rule.ReqId = value.toStdString();
    } else if (name == QLatin1String("count") && value == QLatin1String("all")) {
      rule.Count = -1;
    } else if (name == QLatin1String("count") && value.toInt() > 0) {
      rule.Count = value.toInt();
    } else {
      return Fail(error, QStringLiteral("Cannot read \"%1\" in the fault \"%2\"").arg(fields[i], text));
    }
  }
  return true;
}
