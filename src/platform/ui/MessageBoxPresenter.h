#pragma once

#include "platform/MessageBox.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <set>

class QMessageBox;

// Shows message boxes for real: on the UI thread a modal box owned by the
// window of the given handle; from a worker the box is queued to the UI
// thread and the worker waits for the answer. While it exists it is the
// process-wide presenter; destroying it (at exit, on the UI thread) answers
// every box still waiting with its default answer so no worker is left
// blocked, and brings back the previous presenter. A presenter installed
// before it (a responder) stays in place.
class CMessageBoxPresenterUi {
public:
  CMessageBoxPresenterUi();
  ~CMessageBoxPresenterUi();
  CMessageBoxPresenterUi(const CMessageBoxPresenterUi&) = delete;
  CMessageBoxPresenterUi& operator=(const CMessageBoxPresenterUi&) = delete;

  bool IsInstalled() const { return Installed; }
  // Workers waiting for an answer; any thread.
  int PendingBoxes() const;

  // UI thread: the box as it is shown, not yet run.
  static std::unique_ptr<QMessageBox> BuildMessageBox(const CMessageBoxRequest& request);
  // UI thread: builds and runs the box; returns IDOK, IDYES or IDNO.
  static int RunMessageBox(const CMessageBoxRequest& request);

private:
  struct CPendingBox {
    unsigned Type = 0;
    bool Done = false;
    int Answer = 0;
  };

  struct CState {
    std::mutex Lock;
    std::condition_variable Answered;
    std::set<std::shared_ptr<CPendingBox>> Pending;
    bool ShuttingDown = false;
  };
  // Any thread.
  static int Present(const std::shared_ptr<CState>& state, const CMessageBoxRequest& request);
  std::shared_ptr<CState> State = std::make_shared<CState>();
  CMessageBoxPresenter Previous;
  bool Installed = true;
};

// The answer a box gets when nobody can give one: No to a question, else OK.
int DefaultMessageBoxAnswer(unsigned type);
