#pragma once

#include "platform/MessageBox.h"  // CWindowHandle

#include <atomic>
#include <cstdint>
#include <memory>

class CDownloadList;
class CLogWriter;

// What the frame hands its install worker besides the list and the log.
struct CInstallJob {
  CWindowHandle Frame = 0;
  // Set by the frame when the wizard quits: the worker stops waiting for a
  // command and starts no other.
  std::shared_ptr<const std::atomic<std::int32_t>> Stop;
};

// The install worker: runs the list's install commands and tells the
// frame with EV_NEXT when they are done, whatever became of them; the
// commands that failed ride with the event. Runs on
// a worker thread; it touches no window, it only posts. Returns 0.
int InstallThreadProc(const CInstallJob& job, const CDownloadList& list, CLogWriter& logger);
