#pragma once

#include "log/LogLineTag.h"
#include "log/LogWriter.h"
#include "log/PurchaseKeyMask.h"
#include "platform/TextFormat.h"

// The five level functions the whole program logs through. The message is
// always formatted; it is written only when the logger's level allows, and
// never with a purchase key in it.
enum ELogLevel { LOG_FATAL = 1, LOG_ERROR = 2, LOG_WARNING = 3, LOG_INFO = 4, LOG_TRACE = 5 };

inline void LogAt(CLogWriter& logger, int level, const QString& message) {
  if (!logger.IsEnabled(level)) return;
  const QString& tag = CLogLineTag::Current();
  logger.Write(logger.FormatLine(logger.GetPrefix(), level, 0, MaskPurchaseKey(tag.isEmpty() ? message : tag + message)));
}

template <typename... Args>
void LogFatal(CLogWriter& logger, const QString& format, const Args&... args) {
  LogAt(logger, LOG_FATAL, FormatText(format, args...));
}
template <typename... Args>
void LogError(CLogWriter& logger, const QString& format, const Args&... args) {
  LogAt(logger, LOG_ERROR, FormatText(format, args...));
}
template <typename... Args>
void LogWarning(CLogWriter& logger, const QString& format, const Args&... args) {
  LogAt(logger, LOG_WARNING, FormatText(format, args...));
}
template <typename... Args>
void LogInfo(CLogWriter& logger, const QString& format, const Args&... args) {
  LogAt(logger, LOG_INFO, FormatText(format, args...));
}
template <typename... Args>
void LogTrace(CLogWriter& logger, const QString& format, const Args&... args) {
  LogAt(logger, LOG_TRACE, FormatText(format, args...));
}
