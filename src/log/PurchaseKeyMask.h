#pragma once

#include <QString>

// What the log shows in place of a purchase key.
inline const QString MASKED_PURCHASE_KEY = QStringLiteral("********");

// The text with the value of every "KEY=" parameter (in any letter case)
// of a request address or query replaced by MASKED_PURCHASE_KEY, up to the
// next "&", quote or white space, and the key given to SetMaskedPurchaseKey
// replaced wherever it stands, in every spelling: as it is, percent-encoded
// in either case, form-encoded, backslash-escaped. Every log line goes
// through it, so neither a request address nor the host's own text written
// to the log carries the key. Any thread.
QString MaskPurchaseKey(const QString& text);

// The purchase key of this run, masked from now on; empty for none.
void SetMaskedPurchaseKey(const QString& key);

// Text from the host as one log line: the key masked first, then a
// backslash, CR, LF and tab written as \\, \r, \n and \t, other control
// characters as \xNN, so the host cannot forge or break up lines of the log.
QString EscapeControlCharacters(const QString& text);
