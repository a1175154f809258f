#pragma once

#include "support/DemoProduct.h"
#include "support/QtPrint.h"
#include "support/WizardFixture.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <atomic>
#include <vector>

// The download and verification pages in the real frame, against the host
// stand-in with the demo product (three parts). The wizard is entered at
// the state under test; the save folder is settled as the save-location
// pages leave it.
class DownloadPages : public CWizardFixture {
protected:
  void SetUp() override {
    CWizardFixture::SetUp();
    ASSERT_TRUE(Host.IsRunning());
    App->HostUrl = Host.GetBaseUrl();
    App->PurchaseNo = DEMO_PURCHASE_NO;
    App->PurchaseKey = QString::fromLatin1(DEMO_PURCHASE_KEY);
    App->UrlDownload.SetAccess(CUrlDownload::ACCESS_DIRECT, QString());
    ASSERT_EQ(App->UrlDownload.init(), 1);
    Published = PublishDemoProduct(Host, Product);
    ASSERT_EQ(Published.Files.size(), 4u) << Host.GetLastError().toStdString();
  }

  // The list as the host gives it, or with the product's digest spoilt.
  void LoadPublishedList(bool wrongProductDigest = false) {
    QByteArray bytes = Published.ListBytes;
    if (wrongProductDigest) bytes.replace(Published.Files[0].Digest.toLatin1(), QByteArray(32, '0'));
    App->DownloadList.LoadListFile(Save.Write(QStringLiteral("list.lst"), bytes));
    ASSERT_EQ(App->DownloadList.GetDownloadEntryCount(), 4);
    App->DownloadList.SetTargetSaveDir(Save.File(QStringLiteral("folder")));
    ASSERT_TRUE(QDir().mkpath(App->DownloadList.DownloadTempDir));
  }

  QByteArray PartBytes(int part) const {
    qint64 offset = 0;
    for (int i = 1; i < part; ++i) offset += Published.Files[i].Size;
    return Product.mid(offset, Published.Files[part].Size);
  }
  QString PartPath(int part) const {
    return App->DownloadList.GetTempFilePath(App->DownloadList.GetDownloadEntry(part));
  }
  void WritePart(int part, QByteArray bytes) {
    QFile file(PartPath(part));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
  }
  void WriteAllParts() {
    for (int part = 1; part <= 3; ++part) WritePart(part, PartBytes(part));
  }
  QString ProductPath() const { return App->DownloadList.TargetSaveDir + QStringLiteral("/demo.bin"); }
  std::vector<int> Marks() const {
    std::vector<int> marks;
    for (int i = 1; i < 4; ++i) marks.push_back(App->DownloadList.GetDownloadEntry(i)->IsDownloaded.load());
    return marks;
  }
  int BodyRequests(int part) const {
    return Host.CountRequests(HOST_ANY_BODY, Published.Files[part].FileName.toStdString());
  }
  int CountLines(const QString& text) const {
    int count = 0;
    for (const QString& line : LogLines()) count += line.contains(text) ? 1 : 0;
    return count;
  }
  // Waits until the part's body is coming: its file is created on the answer.
  bool WaitForBody(int part) {
    return WaitUntil([&] { return QFileInfo::exists(PartPath(part)); });
  }
  // An executer set up as the download page sets up its own.
  void PrepareExecuter(CDownloadExecuter& executer) {
    executer.List = executer.Checker.List = &App->DownloadList;
    executer.Transfer = &App->UrlDownload;
    executer.Ledger = &App->CheckedParts;
    executer.Product = &App->ProductAssembly;
    executer.SetPurchase(App->HostUrl, App->PurchaseNo, App->PurchaseKey, 0);
  }
  // Every part fetched and checked by this process, as the download page
  // leaves them for the verification.
  void DownloadAllParts() {
    CDownloadExecuter executer(App->Logger);
    PrepareExecuter(executer);
    ASSERT_EQ(executer.Execute(), 1);
  }
  // The clean-up after a right product has run: its worker is joined
  // before the list is touched again, and the working folder is gone.
  bool CleanUpEnded() {
    JoinWorkerThreads();
    return !QFileInfo::exists(App->DownloadList.DownloadTempDir);
  }
  // Counts the chunks the verification reads or joins, phase by phase.
  void CountSteps() {
    for (std::atomic<int>& steps : Steps) steps = 0;
    CParcel2Dlg10& page = Frame->Page10;
    page.SetStepObserver([this, &page] { ++Steps[std::min(page.Phase.load(), 4)]; });
  }

  // The verification leads to the download page on its own, and the
  // download may be over before a wait for that page looks: the page's
  // coming is recorded as it happens, with the steps counted until then.
  void WatchForDownloadPage() {
    DownloadPageCame = false;
    Frame->SetStateObserver([this](int state) {
      if (state != ST_DOWNLOADING || DownloadPageCame) return;
      DownloadPageCame = true;
      for (int phase = 0; phase < 5; ++phase) StepsAtDownload[phase] = Steps[phase].load();
    });
  }

  std::atomic<int> Steps[5] = {};
  bool DownloadPageCame = false;  // UI thread
  int StepsAtDownload[5] = {};

  CLoopbackHost Host;
  CTempFolder Save;
  QByteArray Product;
  CHostPublished Published;
};
