#pragma once

#include "app/ProgramArguments.h"
#include "platform/MessageBox.h"

#include <QObject>
#include <QTimer>

#include <atomic>
#include <cstdio>
#include <functional>
#include <mutex>

class CLogWriter;
class CParcel2App;

// The unattended mode's error stream carries the program's own messages
// only: Qt's warnings (a machine without a session has no XDG_RUNTIME_DIR)
// go to the log of the run while there is one. Call before the Qt
// application is created.
void KeepQtMessagesOffTheErrorStream();
class CParcel2Dlg;
class QSocketNotifier;

// Drives the wizard without a person: the same frame, pages, workers and
// events, offscreen. Each page's primary button is pressed once its page is
// shown (pages with a worker move on by themselves), every message box gets
// its default button (Yes to creating and switching to the folder given
// with --folder), an error page's Try Again is pressed at most twice in a
// row, and SIGINT or SIGTERM acts as a confirmed cancel. What happens is
// printed: a line per page, the product, the download's progress, every
// message box; errors go to the error stream.
class CUnattendedRun : public QObject {
public:
  CUnattendedRun(CParcel2App& app, const CProgramArguments& arguments, std::FILE* out = stdout,
                 std::FILE* err = stderr);
  ~CUnattendedRun() override;

  // Watches the frame from its first state on; call before it runs.
  void Attach(CParcel2Dlg& frame);
  // UI thread: what the run came to, once the wizard has ended.
  int ExitCode() const;
  // UI thread: a confirmed cancel, as SIGINT and SIGTERM are.
  void Cancel();
  // SIGINT and SIGTERM reach Cancel on the UI thread while the run exists;
  // a second one ends the process at once with exit 6. SIGPIPE is ignored.
  void CatchSignals();
  // The wizard has ended: from now on a signal ends the process at once,
  // since nothing reads the signals any more.
  void BeginShutdown();
  // How often the progress line is written when the output is not a
  // terminal (5 s); tests shorten it.
  void SetProgressIntervalMs(int milliseconds) { ProgressIntervalMs = milliseconds; }

private:
  void OnState(int state);
  void ActOnState(int state);
  // The confirm-folder page proposes a folder other than the one given.
  bool ProposesAnotherFolder() const;
  void PressOrGiveUp(int controlId, int exitCode);
  void EndRun(int exitCode);
  void PrintProduct();
  void PrintProgress();
  void PrintErrorPage(int exitCode);
  // Any thread: the presenter of every message box during the run.
  int AnswerMessageBox(const CMessageBoxRequest& request);
  bool IsText(const QString& text, int stringId) const;
  void Print(std::FILE* stream, const QString& text);

  CParcel2App& App;
  const CProgramArguments Arguments;
  std::FILE* Out;
  std::FILE* Err;
  bool OutIsTerminal = false;
  std::mutex PrintLock;
  CParcel2Dlg* Frame = nullptr;
  CMessageBoxPresenter PreviousPresenter;
  QTimer ProgressTimer;
  int ProgressIntervalMs = 5000;
  bool ProgressLineOpen = false;
  QSocketNotifier* SignalNotifier = nullptr;

  // Read by the box presenter, which may run on a worker.
  std::atomic<bool> Cancelled{false};
  std::atomic<bool> Ending{false};
  std::atomic<int> CurrentState{0};

  int Outcome = -1;
  int ErrorPagesInARow = 0;
  bool ReachedComplete = false;
  // The list's plain-HTTP warnings: they ride with the list's event, and
  // are printed with the product on the page after the message pages.
  QStringList ListWarnings;
  bool InstallStarted = false;
  bool InstallFinished = false;
  bool InstallFailed = false;
  int LastState = 0;
};
