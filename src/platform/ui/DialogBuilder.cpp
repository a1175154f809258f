#include "platform/ui/DialogBuilder.h"

#include "platform/ui/Artwork.h"
#include "platform/ui/StaticText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>

namespace {

// An edit at least this tall (in units) holds several lines.
constexpr int MULTILINE_EDIT_UNITS = 24;

QWidget* MakeControl(QWidget* parent, const CControlTemplate& control, const CButtonHandler& onClicked) {
  switch (control.Kind) {
    case CTRL_BUTTON: {
      auto* button = new QPushButton(control.Text, parent);
      // Enter is the window's business (the default button), not the focused button's.
      button->setAutoDefault(false);
      button->setDefault(control.Default);
      const int id = control.Id;
      QObject::connect(button, &QPushButton::clicked, parent, [onClicked, id] { onClicked(id); });
      return button;
    }
    case CTRL_TEXT: {
      auto* label = new CStaticText(control.Text, parent);
      label->setAlignment((control.Centered ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop);
      if (control.Sunken) {
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setAlignment(Qt::AlignCenter);
      }
      label->setAttribute(Qt::WA_TransparentForMouseEvents);
      return label;
    }
    case CTRL_EDIT: {
      if (control.Rect.height() >= MULTILINE_EDIT_UNITS) {
        auto* edit = new QPlainTextEdit(control.Text, parent);
        edit->setTabChangesFocus(true);
        return edit;
      }
      return new QLineEdit(control.Text, parent);
    }
    case CTRL_FRAME: {
      auto* frame = new QFrame(parent);
      frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
      frame->setAttribute(Qt::WA_TransparentForMouseEvents);
      return frame;
    }
    case CTRL_PROGRESS: {
      auto* progress = new QProgressBar(parent);
      progress->setRange(0, 100);
      progress->setValue(0);
      progress->setTextVisible(false);
      return progress;
    }
    case CTRL_NUMBER_EDIT: {
      auto* edit = new QLineEdit(control.Text, parent);
      edit->setInputMethodHints(Qt::ImhDigitsOnly);
      return edit;
    }
    case CTRL_PASSWORD_EDIT: {
      auto* edit = new QLineEdit(control.Text, parent);
      edit->setEchoMode(QLineEdit::Password);
      edit->setInputMethodHints(Qt::ImhHiddenText | Qt::ImhSensitiveData | Qt::ImhNoPredictiveText);
      return edit;
    }
    case CTRL_CHECKBOX: {
      auto* box = new QCheckBox(control.Text, parent);
      const int id = control.Id;
      QObject::connect(box, &QCheckBox::toggled, parent, [onClicked, id] { onClicked(id); });
      return box;
    }
    case CTRL_DROPDOWN:
      return new QComboBox(parent);
    case CTRL_SEPARATOR: {
      auto* line = new QFrame(parent);
      line->setFrameStyle(QFrame::HLine | QFrame::Sunken);
      line->setAttribute(Qt::WA_TransparentForMouseEvents);
      return line;
    }
    case CTRL_WHITE_RECT: {
      auto* band = new QWidget(parent);
      band->setAutoFillBackground(true);
      QPalette palette = band->palette();
      palette.setColor(QPalette::Window, Qt::white);
      band->setPalette(palette);
      band->setAttribute(Qt::WA_TransparentForMouseEvents);
      return band;
    }
    case CTRL_ICON: {
      auto* icon = new QLabel(parent);
      icon->setPixmap(LoadAppIcon().pixmap(32, 32));
      icon->setAttribute(Qt::WA_TransparentForMouseEvents);
      return icon;
    }
  }
  return new QWidget(parent);
}

QRect PlaceControl(const CControlTemplate& control, QWidget* widget, const CDialogUnits& units) {
  QRect rect = units.ToPixels(control.Rect);
  if (control.Kind == CTRL_DROPDOWN) {
    // The template's height is the opened list's; the closed box keeps its own.
    rect.setHeight(widget->sizeHint().height());
  } else if (control.Kind == CTRL_SEPARATOR) {
    rect.setHeight(2);
  }
  return rect;
}

}  // namespace

CBuiltControls BuildControls(QWidget* parent, const CDialogTemplate& dialog, const CDialogUnits& units,
                             const CButtonHandler& onClicked) {
  CBuiltControls built;
  for (const CControlTemplate& control : dialog.Controls) {
    QWidget* widget = MakeControl(parent, control, onClicked);
    widget->setGeometry(PlaceControl(control, widget, units));
    widget->setHidden(control.Hidden);
    widget->setEnabled(!control.Disabled);
    if (control.Id != IDC_STATIC) {
      widget->setObjectName(QStringLiteral("IDC_%1").arg(control.Id));
      built.ById.emplace(control.Id, widget);
    }
    if (control.Default && control.Kind == CTRL_BUTTON && !built.DefaultButton) built.DefaultButton = widget;
  }
  return built;
}

void SetControlText(QWidget* control, const QString& text) {
  if (auto* label = qobject_cast<QLabel*>(control)) label->setText(text);
  else if (auto* button = qobject_cast<QAbstractButton*>(control)) button->setText(text);
  else if (auto* line = qobject_cast<QLineEdit*>(control)) line->setText(text);
  else if (auto* edit = qobject_cast<QPlainTextEdit*>(control)) edit->setPlainText(text);
  else if (auto* combo = qobject_cast<QComboBox*>(control)) combo->setCurrentText(text);
  else if (control) control->setWindowTitle(text);
}

QString GetControlText(const QWidget* control) {
  if (auto* label = qobject_cast<const QLabel*>(control)) return label->text();
  if (auto* button = qobject_cast<const QAbstractButton*>(control)) return button->text();
  if (auto* line = qobject_cast<const QLineEdit*>(control)) return line->text();
  if (auto* edit = qobject_cast<const QPlainTextEdit*>(control)) return edit->toPlainText();
  if (auto* combo = qobject_cast<const QComboBox*>(control)) return combo->currentText();
  return control ? control->windowTitle() : QString();
}
