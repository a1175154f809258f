#include "platform/ui/DialogUnits.h"

QRect CDialogUnits::ToPixels(const QRect& units) const {
  const int left = X(units.x());
  const int top = Y(units.y());
  return QRect(left, top, X(units.x() + units.width()) - left, Y(units.y() + units.height()) - top);
}

CDialogUnits CDialogUnits::ForFontPoints(int points) { return points >= 9 ? FRAME_DIALOG_UNITS : PAGE_DIALOG_UNITS; }

// At 96 dots per inch: 9 points are 12 pixels, 8 points 11.
int CDialogUnits::FontPixels(int points) { return (points * 96 + 36) / 72; }
