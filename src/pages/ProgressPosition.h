#pragma once

#include <cstdint>

class QProgressBar;

// A phase of 100 steps from start: done of total as a share of 100, in
// double so that no size overflows; truncated, and a count past its total
// (a file longer than its entry says) is held at INT_MAX for the bar to
// clamp. An empty total counts as nothing done.
int PhasePosition(int start, std::uint64_t done, std::uint64_t total);

// Sets a bar's position the way the Windows control takes it: a position
// outside the range is clamped (QProgressBar would ignore it).
void SetProgressPosition(QProgressBar& bar, int position);
