#include "app/DesktopNotifier.h"

#include <QDBusMessage>
#include <QDBusPendingReply>
#include <QFileInfo>
#include <QVariantMap>

namespace {

// Without an address or the runtime folder's bus, the session bus library
// would try to start a bus of its own: no notification is worth that.
QDBusConnection SessionBusIfAny() {
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  const bool hasBus = !qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS") ||
                      (!runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/bus")));
  return hasBus ? QDBusConnection::sessionBus() : QDBusConnection(QStringLiteral("parcel2-no-bus"));
}

}  // namespace

CDesktopNotifier::CDesktopNotifier() : Bus(SessionBusIfAny()) {}

bool CDesktopNotifier::Notify(const QString& summary, const QString& body) {
  if (!Bus.isConnected()) return false;
  QDBusMessage call = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
      QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
  // app_name, replaces_id, app_icon, summary, body, actions, hints, expire_timeout (-1: the server's)
  call << QStringLiteral("Parcel2") << 0u << QStringLiteral("parcel2") << summary << body << QStringList()
       << QVariantMap() << -1;
  Calls.push_back(Bus.asyncCall(call, FLUSH_TIMEOUT_MS));
  return true;
}

int CDesktopNotifier::Flush() {
  int answered = 0;
  // Each call ends by its own time-out at the latest.
  for (QDBusPendingCall& call : Calls) {
    call.waitForFinished();
    if (!call.isError()) ++answered;
  }
  Calls.clear();
  return answered;
}
