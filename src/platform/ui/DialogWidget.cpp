#include "platform/ui/DialogWidget.h"

#include "platform/ui/DialogWindow.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QPainter>

CDialogWidget::CDialogWidget(CDialogWindow& owner, QWidget* parent, bool child)
    : QDialog(parent), Owner(owner) {
  // QDialog makes itself a window unless told otherwise afterwards.
  if (child) setWindowFlags(Qt::Widget);
  WatchKeys(this);
}

CDialogWidget::~CDialogWidget() { Owner.WindowGone(); }

void CDialogWidget::WatchKeys(QWidget* control) { control->installEventFilter(this); }

bool CDialogWidget::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* target = qobject_cast<QWidget*>(watched);
    if (target && Owner.HandleKey(*static_cast<QKeyEvent*>(event), target)) return true;
  }
  return QDialog::eventFilter(watched, event);
}

void CDialogWidget::paintEvent(QPaintEvent* event) {
  QDialog::paintEvent(event);
  QPainter painter(this);
  Owner.OnPaint(painter);
}

void CDialogWidget::contextMenuEvent(QContextMenuEvent* event) {
  Owner.OnContextMenu(event->globalPos(), event->reason() == QContextMenuEvent::Keyboard);
  event->accept();
}

// The title bar's close button is Cancel, as in any dialog.
void CDialogWidget::closeEvent(QCloseEvent* event) {
  event->ignore();
  Owner.SendCommand(2);
}

void CDialogWidget::reject() { Owner.SendCommand(2); }
