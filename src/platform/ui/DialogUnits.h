#pragma once

#include <QRect>
#include <QSize>

// Dialog units to pixels with fixed base units, so the windows keep their
// designed geometry whatever fonts the system has: the frame's 9-point
// templates use 7 by 12 pixels per 4 by 8 units, the 8-point page
// templates 6 by 13. Each edge is converted on its own and rounded to the
// nearest pixel, halves up. The results are device-independent pixels: Qt
// multiplies them by the screen's device pixel ratio.
class CDialogUnits {
public:
  constexpr CDialogUnits(int baseX, int baseY) : BaseX(baseX), BaseY(baseY) {}

  int X(int units) const { return (units * BaseX + 2) / 4; }
  int Y(int units) const { return (units * BaseY + 4) / 8; }
  QRect ToPixels(const QRect& units) const;
  QSize ToPixels(const QSize& units) const { return {X(units.width()), Y(units.height())}; }

  // The units of a template by its font size.
  static CDialogUnits ForFontPoints(int points);
  // The pixel height of the template's font.
  static int FontPixels(int points);

private:
  int BaseX;
  int BaseY;
};

constexpr CDialogUnits FRAME_DIALOG_UNITS{7, 12};
constexpr CDialogUnits PAGE_DIALOG_UNITS{6, 13};
