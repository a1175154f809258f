#pragma once

#include "list/ListSignature.h"
#include "platform/WindowMessages.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>

// The acquisition page's flags for one visit, each written by one side and
// polled by the other. The worker holds its own reference: the frame (and
// the page object in it) may be gone before the worker is joined at exit.
struct CDlListFlags {
  std::atomic<std::int32_t> TimedOut{0};
  std::atomic<std::int32_t> CancelPaused{0};
  std::atomic<std::int32_t> CancelRequested{0};
  // Set by the worker while it holds its report back under an open question.
  std::atomic<std::int32_t> HoldingReport{0};
  // Set by the worker as its last step: from then on nothing is left to stop.
  std::atomic<std::int32_t> Ended{0};
};

// What the worker needs from its page: the flags and the two windows it
// reports through. Handles are never reused, so a handle of a window that
// is gone only fails IsWindow or drops the message.
struct CDlListJob {
  std::shared_ptr<CDlListFlags> Flags;
  CWindowHandle Page = 0;   // the acquisition page's window
  CWindowHandle Frame = 0;  // the page's parent, which gets the events
  int PausePollMs = 200;    // the poll while the cancel question is shown
};

enum EDlListExit {
  DLLIST_READY = 0,
  DLLIST_CANCELED = 3,
  DLLIST_VERSION_ERROR = 8,
  DLLIST_NO_ENTRIES = 9,
  DLLIST_NOT_VERIFIED = 10,
};

// The list worker: reuses a valid stored list or asks the host up to three
// times, then reports EV_NEXT, EV_ERROR, EV_VERSION_ERROR, EV_NOT_VERIFIED
// or EV_ABORT to the frame while the page window still exists. No record of
// a list is used before the application's ListTrust has passed it. Runs on
// a worker thread; the list and the transfer are its own while the page is
// shown.
int GetDlListThreadFunction(const CDlListJob& job);

// The host's error answer as the connection error page shows it: line
// breaks kept (as LF), other control characters dropped, at most 200
// characters, surrounding white space trimmed.
QString CleanHostMessage(const QString& text);

// Why a list was not trusted, in the current language, as the page for it
// shows it.
QString ListProblemText(const CListVerdict& verdict);
