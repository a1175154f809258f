#pragma once

#include "list/DownloadList.h"
#include "list/ListTrust.h"
#include "log/DownloaderLogger.h"
#include "platform/FolderLock.h"
#include "transfer/CheckedParts.h"
#include "transfer/ProductAssembly.h"
#include "transfer/UrlDownload.h"
#include "wizard/DownloaderConfig.h"

#include <QString>

#include <atomic>
#include <functional>
#include <memory>

class CMessageBoxPresenterUi;

// The wizard splits its command line at each of these characters.
inline const QString COMMAND_LINE_SEPARATORS = QStringLiteral(" \t\n\r\f");

// The program's one application object: it owns what the whole wizard
// shares and lives as long as the process. Members are public; the pages
// and workers reach them through GetApp(). Flags that workers read are
// atomics. The program above the pages (CParcel2Program) adds the frame.
class CParcel2App {
public:
  // commandLine: the arguments after the program's name joined with single
  // spaces. Tests give their own log folder.
  explicit CParcel2App(const QString& commandLine, const QString& logFolder = QString());
  virtual ~CParcel2App();
  CParcel2App(const CParcel2App&) = delete;
  CParcel2App& operator=(const CParcel2App&) = delete;

  int ExitInstance();

  // The start-up before the wizard is shown; false when the network
  // library cannot be set up (the user has been told). Tests stop here and
  // run the frame themselves.
  bool PrepareInstance();

  bool ParseCommandLine();
  void LogProgramVersion();
  // The operating-system line of the log, written at start-up and when the
  // log is switched on.
  void LogSystemLine();
  QString GetListFilePath(int number) const;
  // Holds the list's working folder, made first when make is set (only its
  // last component, as the download makes it). False, with an ERROR line,
  // when another run holds it: nothing in it may then be touched. A folder
  // that is not there has nothing to guard yet. Any thread that has the
  // list to itself.
  bool ClaimWorkingFolder(bool make);
  const QString& GetCommandLine() const { return CommandLine; }

  // Tests replace the network library's set-up to see its failure.
  void SetNetworkInit(std::function<bool()> init) { NetworkInit = std::move(init); }

  // The logger comes first: the list and the transfer log through it.
  CDownloaderLogger Logger;
  CDownloadList DownloadList;
  CUrlDownload UrlDownload;
  CDownloaderConfig Config;
  // The parts this run has checked itself, for the verification to trust,
  // and the product as it was put together from them.
  CCheckedParts CheckedParts;
  CProductAssembly ProductAssembly;
  // The working folder this run keeps its parts in, held against a second
  // run into the same folder from the first look at the parts on, for as
  // long as the process lives (the kernel lets it go at the end).
  CFolderLock WorkingFolderLock;
  // Whether a list may be used: the maker's keys built into the program,
  // where the highest serials are kept, the clock. Set before the wizard
  // starts (tests give their own), read by the list worker.
  CListTrust ListTrust;

  std::atomic<int> LogEnabled{0};
  std::atomic<int> ReacquireDownloadInfo{0};
  std::atomic<int> TestMode{0};
  std::atomic<int> UiLanguage{0};
  // How many parts the download fetches at once (--connections). The
  // program passes the command line's choice, 4 unless told; an object
  // made without one fetches a part at a time.
  std::atomic<int> Connections{1};

  // The purchase and the host, from "-P", "-K" and "-H"; fixed before the
  // wizard starts, read by the workers.
  int PurchaseNo = 0;
  QString PurchaseKey;
  QString HostUrl = QStringLiteral(PARCEL2_DEFAULT_HOST);

protected:
  // Workers still waiting for a box get their default answer; boxes after
  // this get theirs at once.
  void CloseMessageBoxes();

private:
  QString CommandLine;
  std::function<bool()> NetworkInit;
  bool NetworkReady = false;
  std::unique_ptr<CMessageBoxPresenterUi> Presenter;
};

// The application object of the running program; any thread.
CParcel2App& GetApp();

// The box that tells the customer a file could not be written, for the
// reason given; the calling worker waits until it is answered.
void ShowWriteFailureBox(const QString& reason);
