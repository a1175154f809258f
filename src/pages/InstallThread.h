#pragma once

#include "platform/MessageBox.h"  // CWindowHandle

class CDownloadList;
class CLogWriter;

// The install worker: runs the list's install commands and tells the
// frame with EV_NEXT when they are done, whatever became of them. Runs on
// a worker thread; it touches no window, it only posts. Returns 0.
int InstallThreadProc(CWindowHandle frame, const CDownloadList& list, CLogWriter& logger);
