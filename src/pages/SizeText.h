#pragma once

#include <QString>

#include <cstdint>

// The short size and remaining-time texts of the progress and save-location
// pages. Pure functions of their argument and the current language.

// Six formats from "%4d KB" to "%4.1f GB"; a value on a threshold takes the
// smaller unit.
QString FormatSizeText(std::uint64_t bytes);

// Whole KB up to 1 MB, whole MB above.
QString FormatSizeTextCoarse(std::uint64_t bytes);

// "About ..." in steps that grow with the time left. When shownSeconds is
// given it receives the number of seconds the text stands for.
QString FormatRemainingTime(std::uint32_t seconds, std::uint64_t* shownSeconds = nullptr);
