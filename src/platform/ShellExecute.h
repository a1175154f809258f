#pragma once

#include <QString>
#include <QStringList>

#include <memory>

// Starting a program or opening a document as the shell's "open" verb
// does. A program is an executable file, started directly (no shell) with
// the parameters split into words; any other file is a document, opened
// with its associated program through xdg-open. A relative name is looked
// up in the working folder first, then, when it is a bare name, on PATH.
//
// The started process inherits none of the program's descriptors (the
// log file's lock, host connections, libraries' sockets): everything above
// standard error is closed on exec in the child. A hidden process gets
// /dev/null as its standard input and output; the other show commands
// leave it the program's streams, and its errors always go where the
// program's own go.
enum EShowCommand { SW_HIDE = 0, SW_SHOWNORMAL = 1, SW_SHOWMAXIMIZED = 3, SW_MINIMIZE = 6 };

// The exit code a process reports while it is still running.
constexpr int STILL_ACTIVE = 259;

// A started child process. Closing the handle neither stops nor reaps it.
class CProcessHandle {
public:
  CProcessHandle(long long pid, int pidFd) : Pid(pid), PidFd(pidFd) {}
  ~CProcessHandle();
  CProcessHandle(const CProcessHandle&) = delete;
  CProcessHandle& operator=(const CProcessHandle&) = delete;

  long long GetPid() const { return Pid; }
  // STILL_ACTIVE while it runs, then its exit status (a process ended by a
  // signal: 128 + the signal, as shells report it). False when it cannot
  // be read.
  bool GetExitCode(int& code);
  // Blocks until the process ends or the time is up, whichever is first.
  void WaitForExit(int milliseconds);

private:
  const long long Pid;
  const int PidFd;  // -1 where the system has none: the wait then sleeps
  bool Reaped = false;
  int ExitCode = STILL_ACTIVE;
};

struct CShellExecuteInfo {
  QString File;
  QString Parameters;
  QString Directory;
  int Show = SW_SHOWNORMAL;
  // True: keep a handle to wait on. False: the process runs detached in a
  // session of its own and outlives the program.
  bool WantProcess = false;

  // Out: what was started (the program, or xdg-open for a document) and,
  // when asked for, its handle.
  QString StartedProgram;
  QStringList StartedArguments;
  std::unique_ptr<CProcessHandle> Process;
};

// Any thread. False when there is nothing to start or the start failed.
bool ShellExecuteEx(CShellExecuteInfo& info);

// In a forked child before exec (async-signal-safe): every signal with a
// handler of the program goes back to its default; ignored ones stay so.
void ResetCaughtSignals();

// Tests: runs in every forked child first thing after the fork, where only
// async-signal-safe calls are allowed; nullptr for none.
void SetForkedChildHook(void (*hook)());

// Splits parameters into words as a POSIX shell does, without expanding
// anything: blanks separate, '...' is literal, "..." keeps blanks and lets
// a backslash escape \ " $ and `, a backslash outside quotes escapes the
// next character.
QStringList SplitShellWords(const QString& text);
