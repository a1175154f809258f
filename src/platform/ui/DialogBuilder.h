#pragma once

#include "platform/DialogTemplate.h"
#include "platform/ui/DialogUnits.h"

#include <QWidget>

#include <functional>
#include <map>

// Builds the controls of a template as children of a window: buttons,
// texts, edits, frames, progress bars, drop-down lists, separators, white
// bands and the icon, placed by their converted rectangles, with their
// initial texts and states. Controls with an id are returned by id.
struct CBuiltControls {
  std::map<int, QWidget*> ById;
  QWidget* DefaultButton = nullptr;
};

using CButtonHandler = std::function<void(int controlId)>;

CBuiltControls BuildControls(QWidget* parent, const CDialogTemplate& dialog, const CDialogUnits& units,
                             const CButtonHandler& onClicked);

// The text of any control kind, or sets it.
void SetControlText(QWidget* control, const QString& text);
QString GetControlText(const QWidget* control);
