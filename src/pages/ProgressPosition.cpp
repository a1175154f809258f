#include "pages/ProgressPosition.h"

#include <QProgressBar>

#include <algorithm>
#include <climits>

int PhasePosition(int start, std::uint64_t done, std::uint64_t total) {
  if (total == 0) return start;
  const double position = static_cast<double>(done) / (static_cast<double>(total) / 100) + start;
  return position >= INT_MAX ? INT_MAX : static_cast<int>(position);
}

void SetProgressPosition(QProgressBar& bar, int position) {
  // Below the range the bar shows nothing done, as at its low end.
  if (position < bar.minimum()) {
    bar.reset();
    return;
  }
  bar.setValue(std::min(position, bar.maximum()));
}
