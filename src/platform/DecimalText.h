#pragma once

#include <QString>

#include <cstdint>

// Reads an integer the way the C runtime does: leading white space skipped,
// an optional sign, digits up to the first other character, 0 when there
// are none, and saturation at the signed 32-bit limits.
std::int32_t DecimalToInt(const QString& text);
