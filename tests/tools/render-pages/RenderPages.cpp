// Renders the wizard's frame in every page state, in English and in
// Japanese, to PNG files:
//
//   QT_QPA_PLATFORM=offscreen render-pages <output folder>
//
// The pages show a sample list (product names, files and every message)
// on a sample machine (a full system volume and a data volume with room);
// no worker reaches a real host: the host address points at a closed port
// and the acquisition page starts no worker. The connection error page is
// drawn again with an error answer from the host and with a certificate
// that could not be verified, and the page of a working folder that another
// run holds is drawn with a sample folder. The purchase dialog that comes before the
// wizard is drawn empty and filled in.

#include "app/AboutDlg.h"
#include "app/Parcel2Dlg.h"
#include "app/PurchaseDlg.h"
#include "platform/QtTranslations.h"
#include "platform/UiLanguage.h"
#include "platform/WorkerThreads.h"
#include "platform/ui/MessageBoxPresenter.h"
#include "res/ResourceIds.h"
#include "res/Strings.h"
#include "wizard/Parcel2App.h"
#include "wizard/WizardEvents.h"
#include "support/FakeDiskEnvironment.h"
#include "support/ListLines.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>

#include <cstdio>

namespace {

struct CRenderedState {
  int State;
  const char* Name;
};

const CRenderedState STATES[] = {
    {ST_WELCOME, "welcome"},
    {ST_ACQUIRE_INFO, "acquire-info"},
    {ST_MESSAGE_1, "message"},
    {ST_CONFIRM_SOFTWARE, "confirm-software"},
    {ST_CHECK_EXISTING, "check-existing"},
    {ST_CONFIRM_FOLDER, "confirm-folder"},
    {ST_SELECT_DRIVE, "select-drive"},
    {ST_SELECT_FOLDER, "select-folder"},
    {ST_VERIFY, "verify"},
    {ST_DOWNLOADING, "downloading"},
    {ST_DOWNLOAD_COMPLETE, "download-complete"},
    {ST_INSTALL, "install"},
    {ST_MESSAGE_6, "message-finish"},
    {ST_DOWNLOAD_ERROR, "download-error"},
    {ST_CONNECT_ERROR, "connect-error"},
    {ST_VERSION_ERROR, "version-error"},
};

struct CRenderedBox {
  int TextId;
  int CaptionId;
  unsigned Type;
  const char* Name;
};

// One box of every type the wizard asks.
const CRenderedBox BOXES[] = {
    {IDS_CANCEL_QUESTION, IDS_CANCEL_CAPTION, MB_YESNO | MB_DEFBUTTON2, "box-cancel"},
    {IDS_FOLDER_DIFFERS, IDS_SAVE_CAPTION, MB_YESNO | MB_ICONEXCLAMATION, "box-yesno-warning"},
    {IDS_CREATE_FOLDER, IDS_SAVE_CAPTION, MB_YESNO | MB_ICONQUESTION, "box-yesno-question"},
    {IDS_NOT_ENOUGH_SPACE, IDS_SAVE_CAPTION, MB_OK | MB_ICONHAND, "box-ok-error"},
    {IDS_SOCKETS_INIT_FAILED, IDS_SAVE_CAPTION, MB_OK | MB_ICONEXCLAMATION, "box-ok-warning"},
    {IDS_DOWNLOAD_FROM, IDS_SAVE_CAPTION, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2, "box-link-host"},
    {IDS_LINK_REFUSED, IDS_SAVE_CAPTION, MB_OK | MB_ICONEXCLAMATION, "box-link-refused"},
};

// The argument of a box's %s, where it has one.
QString BoxText(int textId) {
  if (textId == IDS_DOWNLOAD_FROM) return FormatString(textId, QStringLiteral("https://mirror.example.net"));
  if (textId == IDS_LINK_REFUSED) return FormatString(textId, LoadString(IDS_LINK_NO_KEY));
  return LoadString(textId);
}

// The save-location pages measure this machine, not the one that renders.
std::shared_ptr<CFakeDiskEnvironment> SampleMachine() {
  auto machine = std::make_shared<CFakeDiskEnvironment>();
  machine->MountTable = "/dev/nvme0n1p2 / ext4 rw 0 0\n/dev/sdb1 /data ext4 rw 0 0\n";
  machine->Home = "/home/user";
  machine->Documents = "/home/user/Documents";
  machine->Folders = {"/home/user/Documents"};
  machine->Space["/"] = {1288490189, 256ull << 30, 1288490189};         // 1.20 GB
  machine->Space["/data"] = {228062797414, 1ull << 40, 228062797414};  // 212.4 GB
  return machine;
}

bool Save(QWidget* widget, const QString& path) {
  if (!widget->grab().save(path)) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
  }
  std::printf("%s\n", qPrintable(path));
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  const QStringList arguments = application.arguments();
  const QString output = arguments.size() > 1 ? arguments[1] : QStringLiteral("render-pages");
  QDir().mkpath(output);

  QTemporaryDir logFolder;
  CParcel2App app(QString(), logFolder.path());
  app.HostUrl = QStringLiteral("http://127.0.0.1:9");
  app.Config.LoadActionTable();
  LoadListLines(app.DownloadList,
                {"VN,100", QString::fromUtf16(u"SN,0,クイルマー フォトスタジオ 7,5,Quillmar Photo Studio 7"),
                 "MS,1,A message from the list.//It has two lines.", "MS,6,The installation has finished.",
                 "MS,9,Downloads are paused for maintenance.",
                 "DL,0,QuillmarPhotoStudio7.bin,0123456789abcdef0123456789abcdef,734003200",
                 "DL,1,QuillmarPhotoStudio7.001,00112233445566778899aabbccddeeff,367001600",
                 "DL,2,QuillmarPhotoStudio7.002,ffeeddccbbaa99887766554433221100,367001600",
                 "IS,0,/bin/sh,QuillmarPhotoStudio7.bin,0,1"});
  const auto previousMachine = SetDiskEnvironment(SampleMachine());

  bool ok = true;
  for (const int language : {LANG_ENGLISH_US, LANG_JAPANESE}) {
    SetUiLanguage(language);
    app.UiLanguage = language;
    UseQtStandardTexts(language);
    const QString prefix = output + (language == LANG_JAPANESE ? "/ja-" : "/en-");
    CParcel2Dlg frame;
    frame.Page08.StartsWorker = false;
    frame.CreateModeless();
    for (const CRenderedState& state : STATES) {
      frame.SwitchToState(state.State);
      ok = Save(frame.GetWidget(), prefix + state.Name + ".png") && ok;
    }
    CWizardReport report;
    report.HostMessage = QStringLiteral("Invalid purchase number or key");
    frame.EnterState(ST_CONNECT_ERROR, report);
    ok = Save(frame.GetWidget(), prefix + "connect-error-host-message.png") && ok;
    report = CWizardReport();
    report.CertificateProblem =
        QStringLiteral("no alternative certificate subject name matches target host name 'downloads.example.com'");
    frame.EnterState(ST_CONNECT_ERROR, report);
    ok = Save(frame.GetWidget(), prefix + "connect-error-certificate.png") && ok;
    report = CWizardReport();
    report.ListProblem = LoadString(IDS_LIST_UNKNOWN_KEY);
    frame.EnterState(ST_LIST_NOT_VERIFIED, report);
    ok = Save(frame.GetWidget(), prefix + "list-not-verified.png") && ok;
    app.DownloadList.SetTargetSaveDir(QStringLiteral("/home/customer/QUILLMAR_Download"));
    frame.EnterState(ST_FOLDER_BUSY);
    ok = Save(frame.GetWidget(), prefix + "folder-busy.png") && ok;
    app.DownloadList.SetTargetSaveDir(QString());
    CAboutDlg about;
    about.CreateModeless(frame.GetWidget());
    ok = Save(about.GetWidget(), prefix + "about.png") && ok;
    for (const bool filled : {false, true}) {
      CPurchaseDlg purchase;
      purchase.CreateModeless();
      if (filled) {
        purchase.SetDlgItemText(IDC_PURCHASE_NO, QStringLiteral("1001"));
        purchase.SetDlgItemText(IDC_PURCHASE_KEY, QStringLiteral("PARCEL2-DEMO"));
      }
      ok = Save(purchase.GetWidget(), prefix + (filled ? "purchase-filled.png" : "purchase.png")) && ok;
    }
    for (const CRenderedBox& box : BOXES) {
      const auto shown = CMessageBoxPresenterUi::BuildMessageBox(
          {0, BoxText(box.TextId), LoadString(box.CaptionId), box.Type});
      shown->show();
      ok = Save(shown.get(), prefix + box.Name + ".png") && ok;
    }
  }
  JoinWorkerThreads();
  SetDiskEnvironment(previousMachine);
  return ok ? 0 : 1;
}
