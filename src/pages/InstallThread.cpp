#include "pages/InstallThread.h"

#include "install/InstallExecuter.h"
#include "log/Log.h"
#include "wizard/WizardEvents.h"

int InstallThreadProc(const CInstallJob& job, const CDownloadList& list, CLogWriter& logger) {
  CInstallExecuter executer(logger);
  if (job.Stop) executer.WatchStopFlag(job.Stop.get());
  LogTrace(logger, "Start InstallExecuter::Execute");
  const int rc = executer.Execute(list);
  LogTrace(logger, "Finished InstallExecuter::Execute:Rc=%d", rc);
  CWizardReport report;
  report.InstallFailures = executer.GetFailures();
  PostWizardEvent(job.Frame, EV_NEXT, std::move(report));
  return 0;
}
