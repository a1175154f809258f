#pragma once

#include <QString>

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

private:
  CLogWriter& Logger;
};
