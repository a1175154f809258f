#include "platform/WindowMessages.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimerEvent>

#include <atomic>
#include <mutex>
#include <unordered_map>

namespace {

const QEvent::Type WINDOW_MESSAGE_EVENT = static_cast<QEvent::Type>(QEvent::registerEventType());

class CWindowMessageEvent : public QEvent {
public:
  CWindowMessageEvent(unsigned message, CMessageWParam wParam, CMessageLParam lParam, std::any payload)
      : QEvent(WINDOW_MESSAGE_EVENT), Message(message), WParam(wParam), LParam(lParam), Payload(std::move(payload)) {}
  const unsigned Message;
  const CMessageWParam WParam;
  const CMessageLParam LParam;
  const std::any Payload;
};

// The registry lock is held while posting, so a window cannot be destroyed
// between the look-up and Qt's postEvent.
std::mutex RegistryLock;
std::unordered_map<CWindowHandle, CMessageWindow*> Windows;
std::atomic<CWindowHandle> NextHandle{1};

}  // namespace

CMessageWindow::CMessageWindow(CMessageSink& sink, QObject* parent)
    : QObject(parent), Sink(sink), Handle(NextHandle.fetch_add(1)) {
  std::lock_guard<std::mutex> lock(RegistryLock);
  Windows.emplace(Handle, this);
}

CMessageWindow::~CMessageWindow() {
  std::lock_guard<std::mutex> lock(RegistryLock);
  Windows.erase(Handle);
  // Messages still queued are removed by ~QObject.
}

void CMessageWindow::SetTimer(int timerId, int intervalMs) {
  KillTimer(timerId);
  const int qtId = startTimer(intervalMs);
  if (qtId != 0) Timers[timerId] = qtId;
}

void CMessageWindow::KillTimer(int timerId) {
  const auto found = Timers.find(timerId);
  if (found == Timers.end()) return;
  killTimer(found->second);
  Timers.erase(found);
}

bool CMessageWindow::event(QEvent* event) {
  if (event->type() != WINDOW_MESSAGE_EVENT) return QObject::event(event);
  const auto* message = static_cast<CWindowMessageEvent*>(event);
  if (message->Payload.has_value())
    Sink.OnWindowMessage(message->Message, message->WParam, message->LParam, message->Payload);
  else
    Sink.OnWindowMessage(message->Message, message->WParam, message->LParam);
  return true;
}

void CMessageWindow::timerEvent(QTimerEvent* event) {
  for (const auto& [timerId, qtId] : Timers) {
    if (qtId == event->timerId()) {
      Sink.OnTimer(timerId);
      return;
    }
  }
}

bool PostMessage(CWindowHandle window, unsigned message, CMessageWParam wParam, CMessageLParam lParam,
                 std::any payload) {
  std::lock_guard<std::mutex> lock(RegistryLock);
  const auto found = Windows.find(window);
  if (found == Windows.end()) return false;
  QCoreApplication::postEvent(found->second, new CWindowMessageEvent(message, wParam, lParam, std::move(payload)));
  return true;
}

bool IsWindow(CWindowHandle window) {
  std::lock_guard<std::mutex> lock(RegistryLock);
  return Windows.count(window) != 0;
}

CMessageWindow* FindMessageWindow(CWindowHandle window) {
  std::lock_guard<std::mutex> lock(RegistryLock);
  const auto found = Windows.find(window);
  return found == Windows.end() ? nullptr : found->second;
}
