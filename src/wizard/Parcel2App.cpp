#include "wizard/Parcel2App.h"

#include "log/Log.h"
#include "platform/NetworkLibrary.h"
#include "platform/QtTranslations.h"
#include "platform/SystemInfo.h"
#include "platform/UiLanguage.h"
#include "platform/UserFolders.h"
#include "platform/WorkerThreads.h"
#include "platform/ui/MessageBoxPresenter.h"
#include "res/Strings.h"

#include <QCoreApplication>
#include <QDir>

#include <cassert>
#include <cstdio>

namespace {

std::atomic<CParcel2App*> CurrentApp{nullptr};

}  // namespace

CParcel2App& GetApp() {
  CParcel2App* app = CurrentApp.load();
  assert(app && "no application object");
  return *app;
}

CParcel2App::CParcel2App(const QString& commandLine, const QString& logFolder)
    : Logger(logFolder.isEmpty() ? CDownloaderLogger::DefaultLogFolder() : logFolder),
      DownloadList(Logger),
      UrlDownload(Logger),
      CommandLine(commandLine),
      NetworkInit(InitNetworkLibrary) {
  UrlDownload.SetWriteFailureReport(ShowWriteFailureBox);
  CurrentApp.store(this);
}

CParcel2App::~CParcel2App() {
  CParcel2App* self = this;
  CurrentApp.compare_exchange_strong(self, nullptr);
}

bool CParcel2App::PrepareInstance() {
  // Boxes are shown for real unless a responder already answers them.
  Presenter = std::make_unique<CMessageBoxPresenterUi>();

  NetworkReady = NetworkInit();
  if (!NetworkReady) {
    ShowMessageBox(0, LoadString(IDS_SOCKETS_INIT_FAILED), QCoreApplication::applicationName(),
                   MB_OK | MB_ICONEXCLAMATION);
    return false;
  }

  // The log and the list file live in the user's temporary folder, which a
  // fresh home may not have yet.
  QString folderError;
  const bool tempFolderReady = CreateUserTempFolder(&folderError);
  if (!tempFolderReady)
    std::fprintf(stderr, "parcel2: cannot create the temporary folder, the log stays off: %s\n",
                 qPrintable(folderError));

  Logger.Start();
  if (tempFolderReady && CommandLine.contains(QStringLiteral("-L"))) {
    Logger.SetLevel(6, true);
    LogEnabled = 1;
  }
  LogInfo(Logger, "* Start downloader ******************************");
  UiLanguage = GetUiLanguage();
  LogInfo(Logger, "Language code [%d]", UiLanguage.load());
  if (CommandLine.contains(QStringLiteral("-E"))) {
    SetUiLanguage(LANG_ENGLISH_US);
    UiLanguage = LANG_ENGLISH_US;
    LogInfo(Logger, "Forced to English mode [Cmdline]");
  }
  if (!UseQtStandardTexts(UiLanguage)) LogWarning(Logger, "Qt's Japanese texts are not installed");
  LogProgramVersion();
  LogSystemLine();
  Config.LoadActionTable();
  UrlDownload.UsePreconfiguredAccess();
  UrlDownload.init();
  ParseCommandLine();
  return true;
}

int CParcel2App::ExitInstance() {
  UrlDownload.Disconnect();
  // Every worker is joined before the transfer and the list they use go
  // away; one waiting for a box would never be.
  CloseMessageBoxes();
  JoinWorkerThreads();
  UrlDownload.Close();
  if (NetworkReady) CleanupNetworkLibrary();
  NetworkReady = false;
  LogInfo(Logger, "* Exit downloader ******************************");
  return 0;
}

void CParcel2App::CloseMessageBoxes() { Presenter.reset(); }

void CParcel2App::LogProgramVersion() { LogInfo(Logger, "Downloader version=%s", GetProgramVersionText()); }

void CParcel2App::LogSystemLine() { LogInfo(Logger, "%s", GetSystemDescription()); }

QString CParcel2App::GetListFilePath(int number) const {
  return GetUserTempFolder() + FormatString(IDS_LIST_FILE_NAME, number);
}

void ShowWriteFailureBox(const QString& reason) {
  ShowMessageBox(0, FormatString(IDS_WRITE_FAILED, reason), QString(), MB_OK | MB_ICONHAND);
}

bool CParcel2App::ClaimWorkingFolder(bool make) {
  const QString folder = DownloadList.DownloadTempDir;
  if (folder.isEmpty()) return true;
  if (make) QDir().mkdir(folder);  // a failure shows later as a failed download
  if (WorkingFolderLock.Lock(folder) != CFolderLock::LOCK_HELD) return true;
  LogError(Logger, "already downloading into %s", folder);
  return false;
}
