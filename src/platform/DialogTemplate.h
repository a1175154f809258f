#pragma once

#include <QRect>
#include <QSize>
#include <QString>

#include <vector>

// A dialog template as data: a window described by a table of its
// controls, with rectangles in dialog units, which the dialog builder
// turns into widgets.
enum EControlKind {
  CTRL_BUTTON,
  CTRL_TEXT,
  CTRL_EDIT,
  CTRL_FRAME,
  CTRL_PROGRESS,
  CTRL_DROPDOWN,
  CTRL_SEPARATOR,
  CTRL_WHITE_RECT,
  CTRL_ICON,
  // An edit for a number: input methods are asked for digits; what is typed
  // stays as it is, for the dialog to judge (a letter dropped silently
  // would send another number).
  CTRL_NUMBER_EDIT,
  // An edit whose text is shown as dots.
  CTRL_PASSWORD_EDIT,
  // A check box that sends its id as a command when it is toggled.
  CTRL_CHECKBOX,
};

// The id of controls nobody addresses.
constexpr int IDC_STATIC = -1;

struct CControlTemplate {
  int Id;  // IDC_STATIC for controls nobody addresses
  EControlKind Kind;
  QRect Rect;  // dialog units
  bool Hidden;
  bool Disabled;
  bool Default;
  bool Centered;
  bool Sunken;
  QString Text;
};

struct CDialogTemplate {
  int Id;
  QSize Size;  // dialog units
  QString FontName;
  int FontPoints;
  QString Caption;
  std::vector<CControlTemplate> Controls;

  const CControlTemplate* Find(int id) const {
    for (const CControlTemplate& control : Controls)
      if (control.Id == id) return &control;
    return nullptr;
  }
};
