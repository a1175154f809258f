#pragma once

#include "platform/WindowMessages.h"
#include "platform/ui/DialogBuilder.h"
#include "platform/ui/DialogUnits.h"

#include <QEventLoop>
#include <QWidget>

#include <atomic>

class CDialogWidget;
class QKeyEvent;
class QPainter;

// A dialog object and its window. The object lives as long as its owner;
// the window is built from a template when created and destroyed when left,
// so the object's data survives between windows. Each window gets a fresh
// handle. All of it runs on the UI thread; only PostMessage to the handle
// is for other threads.
class CDialogWindow : public CMessageSink {
public:
  CDialogWindow() = default;
  ~CDialogWindow() override;
  CDialogWindow(const CDialogWindow&) = delete;
  CDialogWindow& operator=(const CDialogWindow&) = delete;

  // Each builds the window from a template the caller looked up; a missing
  // one (nullptr) fails. A child window of parent, not shown until the
  // parent shows it.
  bool Create(const CDialogTemplate* dialog, CDialogWindow& parent);
  // A top-level window, shown without a modal loop (tests, the render tool).
  bool CreateModeless(const CDialogTemplate* dialog, QWidget* owner = nullptr);
  // A top-level window run modally; returns the EndDialog result, -1 when
  // the template is missing.
  int DoModal(const CDialogTemplate* dialog, QWidget* owner = nullptr);
  void EndDialog(int result);
  void DestroyWindow();

  bool HasWindow() const { return Widget != nullptr; }
  bool IsEnded() const { return Ended; }
  int GetResult() const { return Result; }
  CWindowHandle GetSafeHwnd() const;
  // Any thread: a worker may post to its page's parent.
  CWindowHandle GetParentHandle() const { return ParentHandle.load(); }
  QWidget* GetWidget() const;
  const CDialogTemplate* GetTemplate() const { return Template; }
  const CDialogUnits& GetUnits() const { return Units; }

  QWidget* GetDlgItem(int controlId) const;
  template <typename T>
  T* GetControl(int controlId) const {
    return qobject_cast<T*>(GetDlgItem(controlId));
  }
  void SetDlgItemText(int controlId, const QString& text);
  QString GetDlgItemText(int controlId) const;
  void ShowDlgItem(int controlId, bool show);
  void EnableDlgItem(int controlId, bool enable);
  // The control's rectangle in the window's client coordinates (pixels).
  QRect GetDlgItemRect(int controlId) const;
  // Presses a button as a click would; false when it is missing, hidden or disabled.
  bool ClickDlgItem(int controlId);

  void SetTimer(int timerId, int intervalMs);
  void KillTimer(int timerId);
  // Any thread.
  bool PostToParent(unsigned message, CMessageWParam wParam = 0, CMessageLParam lParam = 0) const;
  // Focus on the default button, else the first control that takes it.
  void FocusFirstControl();

  // A command from a button or an accelerator. IDOK and IDCANCEL call
  // OnOK and OnCancel; a command nobody here handles goes to the parent.
  void SendCommand(int commandId);

  void OnWindowMessage(unsigned message, CMessageWParam wParam, CMessageLParam lParam) override;
  void OnTimer(int timerId) override;

protected:
  virtual bool OnInitDialog() { return true; }
  virtual void OnOK() { EndDialog(1); }
  virtual void OnCancel() { EndDialog(2); }
  // Returns false for a command it does not handle.
  virtual bool OnCommand(int commandId);
  // Accelerators: return true when the key was translated into a command.
  virtual bool PreTranslateKey(QKeyEvent& key);
  virtual void OnPaint(QPainter& painter);
  // Right button, Shift+F10 or the Menu key: the parent's menu by default.
  virtual void OnContextMenu(const QPoint& globalPos, bool fromKeyboard);
  virtual void OnDestroy() {}

private:
  friend class CDialogWidget;
  bool CreateWindow(const CDialogTemplate* dialog, QWidget* parentWidget, CDialogWindow* parent);
  void WindowGone();
  bool HandleKey(QKeyEvent& key, QWidget* target);

  CDialogWidget* Widget = nullptr;
  CMessageWindow* Mailbox = nullptr;
  CDialogWindow* Parent = nullptr;
  std::atomic<CWindowHandle> ParentHandle{0};
  QEventLoop* ModalLoop = nullptr;
  const CDialogTemplate* Template = nullptr;
  CDialogUnits Units = PAGE_DIALOG_UNITS;
  CBuiltControls Controls;
  bool Ended = false;
  int Result = 0;
};
