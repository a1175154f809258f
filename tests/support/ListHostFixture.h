#pragma once

#include "support/DemoProduct.h"
#include "support/WizardFixture.h"

#include "res/ResourceIds.h"

#include <map>

// The acquisition page and its worker, driven through the frame against the
// host stand-in with the demo product published. The list file goes to a
// scratch temporary folder.
class CListHostFixture : public CWizardFixture {
protected:
  void SetUp() override {
    SavedTmpDir = qgetenv("TMPDIR");
    UseTempFolder(Temp);
    CWizardFixture::SetUp();
    ASSERT_TRUE(Host.IsRunning());
    Published = PublishDemoProduct(Host, Product);
    ASSERT_FALSE(Published.ProductId.isEmpty()) << Host.GetLastError().toStdString();
    App->HostUrl = Host.GetBaseUrl();
    App->PurchaseNo = DEMO_PURCHASE_NO;
    App->PurchaseKey = DEMO_PURCHASE_KEY;
    App->UrlDownload.SetAccess(CUrlDownload::ACCESS_DIRECT, QString());
    ASSERT_EQ(App->UrlDownload.init(), 1);
  }
  void TearDown() override {
    Host.ReleaseStalls();
    CWizardFixture::TearDown();
    qputenv("TMPDIR", SavedTmpDir);
  }

  void UseTempFolder(const CTempFolder& folder) { qputenv("TMPDIR", folder.Path().toUtf8()); }
  // The frame with a fast pause poll, and Next pressed on the welcome page.
  void StartAcquisition() {
    OpenFrame();
    Frame->SetStateObserver([this](int state) { ++Visits[state]; });
    Frame->Page08.PausePollMs = 5;
    ASSERT_TRUE(Frame->Page00.ClickDlgItem(IDOK));
  }
  // Back from the software confirmation, then Next again.
  void AcquireAgain() {
    ASSERT_TRUE(Frame->Page02.ClickDlgItem(IDC_BACK));
    ASSERT_TRUE(WaitForState(ST_WELCOME));
    ASSERT_TRUE(Frame->Page00.ClickDlgItem(IDOK));
  }
  // The page for the state opens once more than the given number of times:
  // from an error page, Try Again may lead back to the same page.
  bool WaitForVisit(int state, int visitsBefore) {
    return WaitUntil([&] { return Visits[state] > visitsBefore; }) && WaitForState(state);
  }
  int ListRequests() const { return Host.CountRequests(HOST_ANY_LIST); }

  CTempFolder Temp;
  QByteArray SavedTmpDir;
  CLoopbackHost Host;
  QByteArray Product;
  CHostPublished Published;
  std::map<int, int> Visits;
};
