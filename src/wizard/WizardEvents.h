#pragma once

#include "platform/WindowMessages.h"

#include <QString>
#include <QStringList>

// The wizard's messages to the frame. Pages and workers post
// WM_WIZARD_EVENT with an event code as wParam; the transition table picks
// the next state.
constexpr unsigned WM_WIZARD_EVENT = WM_USER + 1;
constexpr unsigned WM_WIZARD_QUIT = WM_USER + 2;
// The connection error page asks the frame for the purchase again.
constexpr unsigned WM_ENTER_PURCHASE = WM_USER + 3;

enum EWizardEvent {
  EV_ABORT = -1,
  EV_NEXT = 1,
  EV_BACK = 2,
  EV_CANCEL = 3,
  EV_INCOMPLETE = 4,
  EV_VERSION_ERROR = 8,
  EV_ERROR = 9,
  EV_NOT_VERIFIED = 10,  // the list's signature did not hold
  EV_FOLDER_BUSY = 11,   // another run holds the working folder
};

enum EWizardState {
  ST_END = -1,
  ST_WELCOME = 0,
  ST_CONFIRM_SOFTWARE = 2,
  ST_DOWNLOADING = 3,
  ST_DOWNLOAD_COMPLETE = 4,
  ST_SELECT_FOLDER = 5,
  ST_VERIFY = 6,
  ST_ACQUIRE_INFO = 8,
  ST_INSTALLING = 10,
  ST_INSTALL = 11,
  ST_CONFIRM_FOLDER = 12,
  ST_SELECT_DRIVE = 13,
  ST_CHECK_EXISTING = 14,
  ST_DOWNLOAD_ERROR = 21,
  ST_CONNECT_ERROR = 22,
  ST_LIST_NOT_VERIFIED = 23,
  ST_FOLDER_BUSY = 24,
  ST_MESSAGE_1 = 31,
  ST_MESSAGE_2 = 32,
  ST_MESSAGE_3 = 33,
  ST_MESSAGE_4 = 34,
  ST_MESSAGE_5 = 35,
  ST_MESSAGE_6 = 36,
  ST_MESSAGE_9 = 39,
  ST_VERSION_ERROR = 42,
};

// What a worker found out, riding with the event that reports it; the
// page of the state the event leads to shows it.
struct CWizardReport {
  // The host's own words when the list request drew an error answer.
  QString HostMessage;
  // Why the host's certificate was not trusted, when that ended the list request.
  QString CertificateProblem;
  // Why the list fetched was not trusted, as the page says it.
  QString ListProblem;
  // The plain-HTTP warnings a list deserves, one for each host it came from.
  QStringList ListWarnings;
  // The install commands that failed (could not be started, or waited for
  // and ended with another code than 0).
  QStringList InstallFailures;
  // A part could not be written because the disk is full.
  bool DiskFull = false;
};

// Posts an event to the frame (or any window); any thread.
inline bool PostWizardEvent(CWindowHandle frame, int event) {
  return PostMessage(frame, WM_WIZARD_EVENT, static_cast<CMessageWParam>(static_cast<CMessageLParam>(event)), 0);
}
inline bool PostWizardEvent(CWindowHandle frame, int event, CWizardReport report) {
  return PostMessage(frame, WM_WIZARD_EVENT, static_cast<CMessageWParam>(static_cast<CMessageLParam>(event)), 0,
                     std::move(report));
}
