#include "pages/ProgressPosition.h"

#include <QProgressBar>

#include <algorithm>

void SetProgressPosition(QProgressBar& bar, int position) {
  // Below the range the bar shows nothing done, as at its low end.
  if (position < bar.minimum()) {
    bar.reset();
    return;
  }
  bar.setValue(std::min(position, bar.maximum()));
}
