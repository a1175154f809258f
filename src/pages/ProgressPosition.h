#pragma once

class QProgressBar;

// Sets a bar's position the way the Windows control takes it: a position
// outside the range is clamped (QProgressBar would ignore it).
void SetProgressPosition(QProgressBar& bar, int position);
