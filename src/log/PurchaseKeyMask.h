#pragma once

#include <QString>

// What the log shows in place of a purchase key.
inline const QString MASKED_PURCHASE_KEY = QStringLiteral("********");

// The text with the value of every "KEY=" parameter of a request address or
// query replaced by MASKED_PURCHASE_KEY, up to the next "&", quote or white
// space. Every log line goes through it, so no request address written to
// the log carries the key.
QString MaskPurchaseKey(const QString& text);
