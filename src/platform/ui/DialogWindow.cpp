#include "platform/ui/DialogWindow.h"

#include "platform/ui/DialogWidget.h"

#include <QAbstractButton>
#include <QFont>
#include <QKeyEvent>
#include <QPushButton>

CDialogWindow::~CDialogWindow() { DestroyWindow(); }

bool CDialogWindow::Create(const CDialogTemplate* dialog, CDialogWindow& parent) {
  if (!parent.Widget) return false;
  return CreateWindow(dialog, parent.Widget, &parent);
}

bool CDialogWindow::CreateModeless(const CDialogTemplate* dialog, QWidget* owner) {
  if (!CreateWindow(dialog, owner, nullptr)) return false;
  Widget->show();
  return true;
}

int CDialogWindow::DoModal(const CDialogTemplate* dialog, QWidget* owner) {
  if (!CreateWindow(dialog, owner, nullptr)) return -1;
  // Our own loop rather than QDialog::exec, whose loop ends when the window
  // is hidden: the wizard hides its frame during the installation and runs on.
  if (!Ended) {
    Widget->setWindowModality(Qt::ApplicationModal);
    Widget->show();
    QEventLoop loop;
    ModalLoop = &loop;
    loop.exec(QEventLoop::DialogExec);
    ModalLoop = nullptr;
  }
  DestroyWindow();
  return Result;
}

bool CDialogWindow::CreateWindow(const CDialogTemplate* dialog, QWidget* parentWidget, CDialogWindow* parent) {
  DestroyWindow();
  Template = dialog;
  if (!Template) return false;
  Units = CDialogUnits::ForFontPoints(Template->FontPoints);
  Parent = parent;
  ParentHandle.store(parent ? parent->GetSafeHwnd() : 0);
  Ended = false;
  Result = 0;

  Widget = new CDialogWidget(*this, parentWidget, parent != nullptr);
  QFont font = Widget->font();
  font.setPixelSize(CDialogUnits::FontPixels(Template->FontPoints));
  Widget->setFont(font);
  Widget->setFixedSize(Units.ToPixels(Template->Size));
  if (!parent) Widget->setWindowTitle(Template->Caption);
  if (parent) Widget->hide();
  Mailbox = new CMessageWindow(*this, Widget);
  Controls = BuildControls(Widget, *Template, Units, [this](int id) { SendCommand(id); });
  for (const auto& [id, control] : Controls.ById) Widget->WatchKeys(control);

  OnInitDialog();
  return Widget != nullptr;
}

void CDialogWindow::EndDialog(int result) {
  Ended = true;
  Result = result;
  if (Widget) Widget->hide();
  if (ModalLoop) ModalLoop->exit(result);
}

void CDialogWindow::DestroyWindow() {
  if (!Widget) return;
  delete Widget;  // WindowGone clears the members
}

void CDialogWindow::WindowGone() {
  // A page whose window is gone has no parent to report to: a worker that
  // reports late posts nowhere.
  ParentHandle.store(0);
  OnDestroy();
  Widget = nullptr;
  Mailbox = nullptr;
  Controls = CBuiltControls();
}

CWindowHandle CDialogWindow::GetSafeHwnd() const { return Mailbox ? Mailbox->GetHandle() : 0; }

QWidget* CDialogWindow::GetWidget() const { return Widget; }

QWidget* CDialogWindow::GetDlgItem(int controlId) const {
  const auto found = Controls.ById.find(controlId);
  return found == Controls.ById.end() ? nullptr : found->second;
}

void CDialogWindow::SetDlgItemText(int controlId, const QString& text) {
  if (QWidget* control = GetDlgItem(controlId)) SetControlText(control, text);
}

QString CDialogWindow::GetDlgItemText(int controlId) const { return GetControlText(GetDlgItem(controlId)); }

void CDialogWindow::ShowDlgItem(int controlId, bool show) {
  if (QWidget* control = GetDlgItem(controlId)) control->setVisible(show);
}

void CDialogWindow::EnableDlgItem(int controlId, bool enable) {
  if (QWidget* control = GetDlgItem(controlId)) control->setEnabled(enable);
}

QRect CDialogWindow::GetDlgItemRect(int controlId) const {
  const QWidget* control = GetDlgItem(controlId);
  return control ? control->geometry() : QRect();
}

bool CDialogWindow::ClickDlgItem(int controlId) {
  auto* button = GetControl<QAbstractButton>(controlId);
  if (!button || !button->isVisibleTo(Widget) || !button->isEnabled()) return false;
  button->click();
  return true;
}

void CDialogWindow::SetTimer(int timerId, int intervalMs) {
  if (Mailbox) Mailbox->SetTimer(timerId, intervalMs);
}

void CDialogWindow::KillTimer(int timerId) {
  if (Mailbox) Mailbox->KillTimer(timerId);
}

bool CDialogWindow::PostToParent(unsigned message, CMessageWParam wParam, CMessageLParam lParam) const {
  return PostMessage(ParentHandle.load(), message, wParam, lParam);
}

void CDialogWindow::FocusFirstControl() {
  if (!Widget) return;
  QWidget* def = Controls.DefaultButton;
  if (def && def->isVisibleTo(Widget) && def->isEnabled()) {
    def->setFocus(Qt::OtherFocusReason);
    return;
  }
  for (QWidget* control : Widget->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (control->isVisibleTo(Widget) && control->isEnabled() && control->focusPolicy() & Qt::TabFocus) {
      control->setFocus(Qt::OtherFocusReason);
      return;
    }
  }
  Widget->setFocus(Qt::OtherFocusReason);
}

void CDialogWindow::SendCommand(int commandId) {
  if (OnCommand(commandId)) return;
  if (Parent) Parent->SendCommand(commandId);
}

bool CDialogWindow::OnCommand(int commandId) {
  if (commandId == 1) {
    OnOK();
    return true;
  }
  if (commandId == 2) {
    OnCancel();
    return true;
  }
  return false;
}

void CDialogWindow::OnWindowMessage(unsigned, CMessageWParam, CMessageLParam) {}

void CDialogWindow::OnTimer(int) {}

bool CDialogWindow::PreTranslateKey(QKeyEvent&) { return false; }

void CDialogWindow::OnPaint(QPainter&) {}

void CDialogWindow::OnContextMenu(const QPoint& globalPos, bool fromKeyboard) {
  if (Parent) Parent->OnContextMenu(globalPos, fromKeyboard);
}

// Enter presses the focused button, else the default button when it is
// shown and enabled; Esc is Cancel.
bool CDialogWindow::HandleKey(QKeyEvent& key, QWidget* target) {
  if (PreTranslateKey(key)) return true;
  const Qt::KeyboardModifiers modifiers = key.modifiers() & ~Qt::KeypadModifier;
  if ((key.key() == Qt::Key_Menu && modifiers == Qt::NoModifier) ||
      (key.key() == Qt::Key_F10 && modifiers == Qt::ShiftModifier)) {
    const QWidget* anchor = target ? target : Widget;
    OnContextMenu(anchor->mapToGlobal(QPoint(0, 0)), true);
    return true;
  }
  if (modifiers != Qt::NoModifier) return false;
  if (key.key() == Qt::Key_Escape) {
    SendCommand(2);
    return true;
  }
  if (key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter) {
    auto* focused = qobject_cast<QPushButton*>(target);
    if (focused && focused->isEnabled() && focused->isVisible()) {
      focused->click();
      return true;
    }
    QWidget* def = Controls.DefaultButton;
    if (def && def->isVisibleTo(Widget) && def->isEnabled()) static_cast<QPushButton*>(def)->click();
    return true;
  }
  return false;
}
