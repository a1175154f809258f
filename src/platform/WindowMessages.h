#pragma once

#include "platform/MessageBox.h"

#include <QObject>

#include <any>
#include <cstdint>
#include <map>

// Window messages and timers. Every wizard window owns a CMessageWindow: its
// handle and its mailbox. PostMessage may be called from any thread, never
// blocks, delivers on the window's (UI) thread in the order posted, and
// drops messages for a window that no longer exists. Handles are never
// reused, so a message for a destroyed page never reaches its successor.
constexpr unsigned WM_USER = 0x0400;

using CMessageWParam = std::uintptr_t;
using CMessageLParam = std::intptr_t;

class CMessageSink {
public:
  virtual ~CMessageSink() = default;
  virtual void OnWindowMessage(unsigned message, CMessageWParam wParam, CMessageLParam lParam) = 0;
  // A message posted with a payload (what the sender found out, riding
  // with the message that reports it); a sink that expects none drops it.
  virtual void OnWindowMessage(unsigned message, CMessageWParam wParam, CMessageLParam lParam, const std::any& payload) {
    (void)payload;
    OnWindowMessage(message, wParam, lParam);
  }
  virtual void OnTimer(int timerId) = 0;
};

class CMessageWindow : public QObject {
public:
  // Created and destroyed on the thread that runs the window (the UI thread).
  explicit CMessageWindow(CMessageSink& sink, QObject* parent = nullptr);
  ~CMessageWindow() override;
  CMessageWindow(const CMessageWindow&) = delete;
  CMessageWindow& operator=(const CMessageWindow&) = delete;

  CWindowHandle GetHandle() const { return Handle; }

  // A timer calls the sink's OnTimer(timerId) every interval until killed;
  // setting an id again restarts it with the new interval.
  void SetTimer(int timerId, int intervalMs);
  void KillTimer(int timerId);
  bool HasTimer(int timerId) const { return Timers.count(timerId) != 0; }

protected:
  bool event(QEvent* event) override;
  void timerEvent(QTimerEvent* event) override;

private:
  CMessageSink& Sink;
  const CWindowHandle Handle;
  std::map<int, int> Timers;  // timer id -> Qt's timer id
};

// Any thread. False when the window does not exist (the message is dropped,
// and its payload with it).
bool PostMessage(CWindowHandle window, unsigned message, CMessageWParam wParam = 0, CMessageLParam lParam = 0,
                 std::any payload = {});
// Any thread.
bool IsWindow(CWindowHandle window);
// UI thread only: the mailbox of a live window, or nullptr.
CMessageWindow* FindMessageWindow(CWindowHandle window);
