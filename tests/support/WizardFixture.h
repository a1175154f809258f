#pragma once

#include "app/Parcel2Dlg.h"
#include "platform/MessageBox.h"
#include "platform/UiLanguage.h"
#include "platform/WorkerThreads.h"
#include "wizard/Parcel2App.h"
#include "wizard/WizardEvents.h"
#include "support/EventLoop.h"
#include "support/ListLines.h"
#include "support/LogLines.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <memory>

// The real frame, offscreen, with its own application object, a log at
// level 6 in a scratch folder and a responder that answers every box.
class CWizardFixture : public ::testing::Test {
protected:
  void SetUp() override {
    App = std::make_unique<CParcel2App>(QString(), Logs.Path());
    App->Logger.Start();
    App->Logger.SetLevel(6, true);
    App->UiLanguage = GetUiLanguage();
    App->Config.LoadActionTable();
    // Lists need no signature unless a test gives keys; what the program
    // remembers stays in the test's own folder.
    App->ListTrust.Keys = CMakerKeys();
    App->ListTrust.StateFolder = State.File("parcel2");
  }
  void TearDown() override {
    Frame.reset();
    JoinWorkerThreads();
    App.reset();
    SetUiLanguage(0);
  }

  CParcel2Dlg& OpenFrame() {
    Frame = std::make_unique<CParcel2Dlg>();
    EXPECT_TRUE(Frame->CreateModeless());
    return *Frame;
  }
  // Posts an event as a page or a worker would.
  void Post(int event) { PostWizardEvent(Frame->GetSafeHwnd(), event); }
  // The frame shows the state with its page (or none) and nothing is left
  // in its queue that could move it on.
  bool WaitForState(int state) {
    return WaitUntil([&] { return Frame->GetCurrentState() == state && !Frame->IsEnded(); });
  }
  bool WaitForEnd() { return WaitUntil([&] { return Frame->IsEnded(); }); }
  bool WaitForAnswers(int count) { return WaitUntil([&] { return Answered() >= count; }); }
  int Answered() const { return static_cast<int>(Responder.Asked().size()); }
  QStringList LogLines() const { return ReadLogLines(Logs.Path()); }
  void LoadList(const QStringList& lines) { LoadListLines(App->DownloadList, lines); }

  CTempFolder Logs;
  CTempFolder State;
  CMessageBoxResponder Responder{IDNO};
  std::unique_ptr<CParcel2App> App;
  std::unique_ptr<CParcel2Dlg> Frame;
};
