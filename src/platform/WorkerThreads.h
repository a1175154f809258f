#pragma once

#include <functional>

// Worker threads. Every worker is joined by JoinWorkerThreads, which the
// application calls at exit, so no thread outlives the objects it uses.
// Workers report to the UI only by posting window messages.

// Any thread (a worker may start a further worker).
void BeginWorkerThread(std::function<void()> work);

// Waits for every worker started so far, including any they start while
// being waited for. Returns how many were joined.
int JoinWorkerThreads();

// Workers started and not yet finished.
int RunningWorkerThreads();
