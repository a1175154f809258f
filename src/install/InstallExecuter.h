#pragma once

#include <QString>
#include <QStringList>

#include <atomic>
#include <cstdint>

class CDownloadList;
class CInstallEntry;
class CLogWriter;

// Runs the download list's install commands one after another in the save
// folder, waiting for those that ask for it. A command that fails to start
// is only logged: the run always goes on and always succeeds.
//
// Runs on the install worker; it reads the list and writes the log while
// the UI thread idles behind the hidden frame.
class CInstallExecuter {
public:
  // A waited command's exit is looked for this often.
  static constexpr int WAIT_POLL_MS = 300;

  // The logger must outlive the executer.
  explicit CInstallExecuter(CLogWriter& logger) : Logger(logger) {}
  virtual ~CInstallExecuter() = default;
  CInstallExecuter(const CInstallExecuter&) = delete;
  CInstallExecuter& operator=(const CInstallExecuter&) = delete;

  // Always 1.
  int Execute(const CDownloadList& list);
  int ExecuteEntry(const CInstallEntry& entry, const QString& folder);
  // The exit code of a waited command, STILL_ACTIVE (259) for one that is
  // not waited for, -1 when it could not be started.
  int RunCommand(const QString& command, const QString& parameters, const QString& folder, int windowType,
                 bool wait);

  // The show command a list's window type stands for.
  static int ToShowCommand(int windowType);

  // The caller's flag, which must outlive Execute, is raised (on any
  // thread) when the wizard quits: a waited command is not waited for any
  // longer (it goes on running: it is the customer's installer) and no
  // further command starts.
  void WatchStopFlag(const std::atomic<std::int32_t>* flag) { StopFlag = flag; }
  bool IsStopped() const { return StopFlag && StopFlag->load() != 0; }

  // What the last Execute came to, for those who keep the promise that a
  // product was installed: each command that could not be started or that
  // was waited for and ended with another code than 0, with its result.
  const QStringList& GetFailures() const { return Failures; }

private:
  CLogWriter& Logger;
  const std::atomic<std::int32_t>* StopFlag = nullptr;
  QStringList Failures;
};
