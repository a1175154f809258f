#include "wizard/Parcel2App.h"

#include "log/Log.h"
#include "log/PurchaseKeyMask.h"
#include "platform/DecimalText.h"
#include "platform/StringTokenizer.h"

#include <utility>

namespace {

// 0 for an empty line, else 1 plus every separator but a last one.
int CountFields(const QString& commandLine) {
  if (commandLine.isEmpty()) return 0;
  int count = 1;
  for (qsizetype i = 0; i + 1 < commandLine.size(); ++i)
    if (COMMAND_LINE_SEPARATORS.contains(commandLine[i])) ++count;
  return count;
}

bool IsSwitch(const QString& token, QChar letter) {
  return token.size() >= 2 && token[0] == QLatin1Char('-') && token[1] == letter;
}

// "-K=KEY" and "-KKEY" are no switches the wizard knows, but they carry a
// key all the same: what follows "-K" (and an "=") is masked.
QString MaskGluedKey(const QString& token) {
  if (token.size() <= 2 || !token.startsWith(QStringLiteral("-K"))) return token;
  const qsizetype valueStart = token[2] == QLatin1Char('=') ? 3 : 2;
  return token.left(valueStart) + (token.size() > valueStart ? MASKED_PURCHASE_KEY : QString());
}

// The purchase key never reaches the log: the token after "-K" is masked.
QString MaskKeyOnCommandLine(const QString& commandLine) {
  QString masked;
  CStringTokenizer tokenizer(commandLine, COMMAND_LINE_SEPARATORS);
  bool maskNext = false;
  while (tokenizer.HasMoreTokens()) {
    const qsizetype start = tokenizer.GetPosition();
    const QString token = tokenizer.NextToken();
    masked += maskNext && !token.isEmpty() ? MASKED_PURCHASE_KEY : MaskGluedKey(token);
    const qsizetype end = start + token.size();
    if (end < commandLine.size()) masked += commandLine[end];
    maskNext = token == QStringLiteral("-K");
  }
  return masked;
}

}  // namespace

bool CParcel2App::ParseCommandLine() {
  CStringTokenizer tokenizer(CommandLine, COMMAND_LINE_SEPARATORS);
  LogInfo(Logger, "CmdLine=%s", MaskKeyOnCommandLine(CommandLine));
  LogTrace(Logger, "Args token cnt=%d", CountFields(CommandLine));
  // The token after "-K" is a key even when a switch before it took "-K"
  // for its value ("-P -K KEY"): it is masked wherever it lands.
  QString previous;
  const auto next = [&] {
    const QString token = tokenizer.NextToken();
    const bool followsKeySwitch = previous == QStringLiteral("-K");
    previous = token;
    return std::make_pair(token, followsKeySwitch);
  };
  int index = 0;
  while (tokenizer.HasMoreTokens()) {
    const auto [token, isKey] = next();
    LogTrace(Logger, "Args token[%d]=%s", index++, isKey && !token.isEmpty() ? MASKED_PURCHASE_KEY : MaskGluedKey(token));
    if (IsSwitch(token, QLatin1Char('T'))) {
      TestMode = DecimalToInt(next().first);
      LogInfo(Logger, "In TEST-MODE=%d", TestMode.load());
    } else if (token == QStringLiteral("-P")) {
      PurchaseNo = DecimalToInt(next().first);
      LogInfo(Logger, "Purchase No=%d", PurchaseNo);
    } else if (token == QStringLiteral("-K")) {
      PurchaseKey = next().first;
      SetMaskedPurchaseKey(PurchaseKey);
    } else if (token == QStringLiteral("-H")) {
      // Without a value the compiled-in host stays: an empty one reaches nothing.
      const QString host = next().first;
      if (!host.isEmpty()) HostUrl = host;
      LogInfo(Logger, "Host=%s", HostUrl);
    }
  }
  return true;
}
