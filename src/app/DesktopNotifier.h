#pragma once

#include <QDBusConnection>
#include <QDBusPendingCall>
#include <QString>

#include <vector>

// Tells the customer through the desktop's notification service
// (org.freedesktop.Notifications on the session bus) when the window is not
// there to say it. Calls never wait for the service: a desktop without one
// costs nothing. UI thread.
class CDesktopNotifier {
public:
  // How long Flush waits for the calls still under way at the program's end.
  static constexpr int FLUSH_TIMEOUT_MS = 2000;

  // The session bus, when this session has one.
  CDesktopNotifier();
  // Tests give a bus of their own.
  explicit CDesktopNotifier(const QDBusConnection& bus) : Bus(bus) {}

  virtual ~CDesktopNotifier() = default;

  // False when there is no bus to send to; true once the call is on its way.
  virtual bool Notify(const QString& summary, const QString& body);
  // Waits at most FLUSH_TIMEOUT_MS for every call sent, so one sent just
  // before the program ends is not dropped with its connection. The number
  // of calls the service answered without an error.
  int Flush();

private:
  QDBusConnection Bus;
  std::vector<QDBusPendingCall> Calls;
};
