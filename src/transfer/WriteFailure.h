#pragma once

#include <QString>

#include <functional>

// Told on a worker thread, at the moment it happens, that a file could not
// be written (the reason is the system's). The core only logs; the owner of
// the work shows the box, and the worker waits for it to be answered.
using CWriteFailureReport = std::function<void(const QString& reason)>;
