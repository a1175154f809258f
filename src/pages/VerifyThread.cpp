#include "pages/Parcel2Dlg10.h"
#include "platform/WorkerThreads.h"
#include "transfer/Verification.h"
#include "wizard/Parcel2App.h"
#include "wizard/WizardEvents.h"

// Runs on the verification worker: runs the verification and tells the
// frame what came of it. A stop (the page is going) posts nothing.
void CParcel2Dlg10::VerifyThreadFunction(CParcel2Dlg10* page) {
  CParcel2App& app = GetApp();
  CDownloadList& list = app.DownloadList;
  CVerification verification(app.Logger, {list, app.CheckedParts, app.ProductAssembly}, page->Checker, page->Joint,
                             page->StopFlag, page->Phase);
  verification.SetStepObserver(page->StepObserver);
  const CWindowHandle frame = page->GetParentHandle();
  switch (verification.Run()) {
    case CVerification::VERIFY_EXISTING:
      page->ProgressHigh.store(100);
      PostWizardEvent(frame, EV_BACK);
      break;
    case CVerification::VERIFY_COMPLETE:
      PostWizardEvent(frame, EV_NEXT);
      page->Phase.fetch_add(1);
      BeginWorkerThread([list = &list] { RemoveTempFilesThreadFunction(list); });
      break;
    case CVerification::VERIFY_INCOMPLETE: PostWizardEvent(frame, EV_INCOMPLETE); break;
    case CVerification::VERIFY_JOIN_FAILED:
    case CVerification::VERIFY_MISMATCH: PostWizardEvent(frame, EV_ERROR); break;
    case CVerification::VERIFY_STOPPED: break;
  }
}

// Runs on its own worker, joined at exit.
void CParcel2Dlg10::RemoveTempFilesThreadFunction(CDownloadList* list) { list->RemoveTempFiles(); }
