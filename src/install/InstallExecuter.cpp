#include "install/InstallExecuter.h"

#include "list/DownloadList.h"
#include "log/Log.h"
#include "platform/ShellExecute.h"

int CInstallExecuter::Execute(const CDownloadList& list) {
  // Entries are reached by index; a count of 3 with the keys 1, 2 and 3
  // tries 0, 1 and 2, so 0 is skipped and 3 never runs.
  Failures.clear();
  const int count = list.GetInstallEntryCount();
  for (int i = 0; i < count && !IsStopped(); ++i) {
    const CInstallEntry* entry = list.GetInstallEntry(i);
    if (!entry) continue;
    const int result = ExecuteEntry(*entry, list.TargetSaveDir);
    const QString command = entry->Params.isEmpty() ? entry->CmdName : entry->CmdName + QLatin1Char(' ') + entry->Params;
    if (result == -1) Failures << QStringLiteral("'%1' could not be started").arg(command);
    else if (entry->IsWait != 0 && result == STILL_ACTIVE)
      Failures << QStringLiteral("'%1' was not seen to end").arg(command);
    else if (entry->IsWait != 0 && result != 0)
      Failures << QStringLiteral("'%1' ended with exit code %2").arg(command).arg(result);
  }
  return 1;
}

int CInstallExecuter::ExecuteEntry(const CInstallEntry& entry, const QString& folder) {
  LogTrace(Logger, "Execute cmd:Cmd='%s':Param='%s'", entry.CmdName, entry.Params);
  const int result = RunCommand(entry.CmdName, entry.Params, folder, entry.WinType, entry.IsWait != 0);
  LogTrace(Logger, "Executed cmd:Ret=%d:Cmd='%s':Param='%s'", result, entry.CmdName, entry.Params);
  return result;
}

int CInstallExecuter::ToShowCommand(int windowType) {
  switch (windowType) {
    case 0: return SW_SHOWNORMAL;
    case 1: return SW_MINIMIZE;
    case 2: return SW_SHOWMAXIMIZED;
    default: return SW_HIDE;
  }
}

int CInstallExecuter::RunCommand(const QString& command, const QString& parameters, const QString& folder,
                                 int windowType, bool wait) {
  CShellExecuteInfo info;
  info.File = command;
  info.Parameters = parameters;
  info.Directory = folder;
  info.Show = ToShowCommand(windowType);
  info.WantProcess = wait;
  if (!ShellExecuteEx(info)) return -1;
  // Which program a command came to, and how, is this platform's reading of it.
  LogTrace(Logger, "Started cmd:Show=%d:Wait=%d:Program='%s':Args=%d", info.Show, wait ? 1 : 0, info.StartedProgram,
           static_cast<int>(info.StartedArguments.size()));
  if (!wait) return STILL_ACTIVE;

  // No exit code here can be STILL_ACTIVE (they end at 255, signals at
  // 128 + 64), so the loop ends exactly when the process does.
  int code = STILL_ACTIVE;
  while (!IsStopped() && info.Process->GetExitCode(code) && code == STILL_ACTIVE)
    info.Process->WaitForExit(WAIT_POLL_MS);
  if (code == STILL_ACTIVE && IsStopped()) LogWarning(Logger, "Stopped waiting for cmd:Cmd='%s'", command);
  info.Process.reset();
  return code;
}
