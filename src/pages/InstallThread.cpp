#include "pages/InstallThread.h"

#include "install/InstallExecuter.h"
#include "log/Log.h"
#include "wizard/WizardEvents.h"

int InstallThreadProc(CWindowHandle frame, const CDownloadList& list, CLogWriter& logger) {
  CInstallExecuter executer(logger);
  LogTrace(logger, "Start InstallExecuter::Execute");
  const int rc = executer.Execute(list);
  LogTrace(logger, "Finished InstallExecuter::Execute:Rc=%d", rc);
  PostWizardEvent(frame, EV_NEXT);
  return 0;
}
