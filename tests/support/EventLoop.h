#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <functional>

// The core tests run without a Qt main; tests that need posted events or
// timers make sure one application object exists (on the main thread).
inline void EnsureCoreApplication() {
  if (QCoreApplication::instance()) return;
  static int argc = 1;
  static char name[] = "parcel2_core_tests";
  static char* argv[] = {name, nullptr};
  static QCoreApplication application(argc, argv);
}

// Runs the event loop until the condition holds or the deadline passes;
// returns whether it holds. Generous deadlines: a slow sanitizer build only
// waits longer, it never fails because of timing.
inline bool WaitUntil(const std::function<bool()>& condition, int deadlineMs = 10000) {
  QDeadlineTimer deadline(deadlineMs);
  while (!condition()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QCoreApplication::sendPostedEvents();
    QThread::msleep(1);
  }
  return true;
}
