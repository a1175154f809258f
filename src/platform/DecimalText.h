#pragma once

#include <QString>

#include <cstdint>

// Reads an integer the way the C runtime does: leading white space skipped,
// an optional sign, digits up to the first other character, 0 when there
// are none, and saturation at the signed 32-bit limits.
std::int32_t DecimalToInt(const QString& text);

// A byte count: decimal digits only (no sign, no white space), at most
// 2^63-1. False for anything else, and value is left alone.
bool ParseByteCount(const QString& text, std::int64_t& value);
