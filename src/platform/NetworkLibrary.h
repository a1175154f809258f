#pragma once

// The network library's process-wide set-up, done once at start-up before
// any transfer and undone at exit. Not thread-safe: UI thread, before any
// worker starts and after all are joined.
bool InitNetworkLibrary();
void CleanupNetworkLibrary();
// The same set-up for code that may run without it (tests, tools): done
// once per process, from any thread, and never undone.
void InitNetworkLibraryOnce();
