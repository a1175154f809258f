#include "app/UnattendedRun.h"

#include "app/Parcel2Dlg.h"
#include "log/Log.h"
#include "pages/DownloadProgress.h"
#include "pages/SizeText.h"
#include "platform/UiLanguage.h"
#include "res/ResourceIds.h"
#include "res/Strings.h"
#include "wizard/Parcel2App.h"
#include "wizard/WizardEvents.h"

#include <QDir>
#include <QLabel>
#include <QSocketNotifier>

#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

// The edit of the folder page that a customer types a folder into.
constexpr int IDC_FOLDER_EDIT = 1009;
constexpr int TRY_AGAIN_LIMIT = 2;

int SignalPipe[2] = {-1, -1};
std::atomic<int> SignalsCaught{0};
std::atomic<bool> ShuttingDown{false};

// Signal context: only writes, atomics and _exit are safe here; the UI
// thread does the rest. A second signal, or one that comes while the
// program shuts down (when no event loop reads the pipe any more), ends the
// process at once: the parts verified so far are on disk, the part being
// fetched is fetched again next time.
void OnSignal(int) {
  if (SignalsCaught.fetch_add(1) > 0 || ShuttingDown.load()) {
    static const char TEXT[] = "Cancelled at once: parts already verified stay for the next run.\n";
    [[maybe_unused]] const ssize_t told = ::write(STDERR_FILENO, TEXT, sizeof TEXT - 1);
    ::_exit(EXIT_CANCELLED);
  }
  const char byte = 1;
  [[maybe_unused]] const ssize_t written = ::write(SignalPipe[1], &byte, 1);
}

std::atomic<CLogWriter*> QtMessageLog{nullptr};

// Any thread.
void OnQtMessage(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type == QtFatalMsg) {
    std::fprintf(stderr, "parcel2: %s\n", message.toLocal8Bit().constData());
    return;
  }
  if (CLogWriter* log = QtMessageLog.load()) LogTrace(*log, "Qt:%s", message);
}

QString AbsoluteFolder(const QString& folder) { return QDir::cleanPath(QDir::current().absoluteFilePath(folder)); }

}  // namespace

void KeepQtMessagesOffTheErrorStream() { qInstallMessageHandler(OnQtMessage); }

CUnattendedRun::CUnattendedRun(CParcel2App& app, const CProgramArguments& arguments, std::FILE* out, std::FILE* err)
    : App(app), Arguments(arguments), Out(out), Err(err), OutIsTerminal(::isatty(::fileno(out)) == 1) {
  // Installed before the application's own presenter, which then leaves it
  // in place.
  PreviousPresenter = SetMessageBoxPresenter([this](const CMessageBoxRequest& request) { return AnswerMessageBox(request); });
  QObject::connect(&ProgressTimer, &QTimer::timeout, this, [this] { PrintProgress(); });
  QtMessageLog = &app.Logger;
}

CUnattendedRun::~CUnattendedRun() {
  QtMessageLog = nullptr;
  SetMessageBoxPresenter(std::move(PreviousPresenter));
  if (SignalNotifier) {
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    delete SignalNotifier;
    ::close(SignalPipe[0]);
    ::close(SignalPipe[1]);
    SignalPipe[0] = SignalPipe[1] = -1;
  }
}

void CUnattendedRun::CatchSignals() {
  if (SignalNotifier || ::pipe2(SignalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  SignalNotifier = new QSocketNotifier(SignalPipe[0], QSocketNotifier::Read);
  QObject::connect(SignalNotifier, &QSocketNotifier::activated, this, [this] {
    char bytes[16];
    while (::read(SignalPipe[0], bytes, sizeof bytes) > 0) {
    }
    Cancel();
  });
  SignalsCaught = 0;
  ShuttingDown = false;
  std::signal(SIGINT, OnSignal);
  std::signal(SIGTERM, OnSignal);
  // A reader that went away (| head -n1) must not end the job: its lines
  // are dropped and the exit code still tells the outcome.
  std::signal(SIGPIPE, SIG_IGN);
}

void CUnattendedRun::BeginShutdown() { ShuttingDown = true; }

void CUnattendedRun::Attach(CParcel2Dlg& frame) {
  Frame = &frame;
  frame.SetStateObserver([this](int state) { OnState(state); });
}

void CUnattendedRun::Cancel() {
  if (Cancelled.exchange(true)) return;
  Print(Err, QStringLiteral("Cancelling: parts already verified stay for the next run."));
  if (!Frame || Frame->IsEnded()) return;
  // The page's own Cancel asks its question (the download page also stops
  // its part); a page without one leaves it to the frame.
  CParcel2SubDlg* page = Frame->GetCurrentPage();
  if (!page || !page->ClickDlgItem(IDCANCEL)) PostMessage(Frame->GetSafeHwnd(), WM_WIZARD_QUIT);
}

void CUnattendedRun::EndRun(int exitCode) {
  if (Outcome < 0) Outcome = exitCode;
  Ending = true;
  if (Frame && !Frame->IsEnded()) PostMessage(Frame->GetSafeHwnd(), WM_WIZARD_QUIT);
}

int CUnattendedRun::ExitCode() const {
  if (Cancelled.load()) return EXIT_CANCELLED;
  if (Outcome >= 0) return Outcome;
  if (!Frame) return EXIT_NO_DOWNLOAD_INFO;  // the network could not be set up
  if (ReachedComplete && (!Arguments.Install || InstallFinished))
    return InstallFailed ? EXIT_INSTALL_FAILED : EXIT_DONE;
  if (InstallStarted) return EXIT_DOWNLOAD_FAILED;
  switch (LastState) {
    case ST_ACQUIRE_INFO:
    case ST_CONNECT_ERROR:
    case ST_MESSAGE_9: return EXIT_NO_DOWNLOAD_INFO;
    case ST_CONFIRM_FOLDER:
    case ST_SELECT_DRIVE:
    case ST_SELECT_FOLDER: return EXIT_NO_FOLDER;
    case ST_VERSION_ERROR: return EXIT_VERSION_ERROR;
    case ST_LIST_NOT_VERIFIED: return EXIT_LIST_NOT_VERIFIED;
    default: return EXIT_DOWNLOAD_FAILED;
  }
}

// Runs inside the frame's state switch: the page is acted on once the
// switch is over and only if the wizard is still there.
void CUnattendedRun::OnState(int state) {
  CurrentState = state;
  if (state == ST_INSTALLING) InstallStarted = true;
  if (state == ST_ACQUIRE_INFO) ListWarnings.clear();
  else if (!Frame->GetCurrentReport().ListWarnings.isEmpty()) ListWarnings = Frame->GetCurrentReport().ListWarnings;
  if (state == ST_MESSAGE_6 && InstallStarted && !InstallFinished) {
    InstallFinished = true;
    const QStringList failures = Frame->GetCurrentReport().InstallFailures;
    for (const QString& failure : failures) Print(Err, QStringLiteral("Install command failed: %1").arg(failure));
    InstallFailed = !failures.isEmpty();
  }
  if (state == ST_DOWNLOAD_COMPLETE) ReachedComplete = true;
  if (state != ST_END) LastState = state;
  if (state == ST_DOWNLOADING) {
    ProgressTimer.start(OutIsTerminal ? 1000 : ProgressIntervalMs);
  } else if (ProgressTimer.isActive()) {
    ProgressTimer.stop();
    PrintProgress();
  }
  QTimer::singleShot(0, this, [this, state] {
    if (Frame && !Frame->IsEnded() && Frame->GetCurrentState() == state && Frame->GetCurrentPage()) ActOnState(state);
  });
}

void CUnattendedRun::ActOnState(int state) {
  Print(Out, QStringLiteral("== %1").arg(Frame->GetTitleText()));
  const bool ownFolder = !Arguments.Folder.isEmpty();
  switch (state) {
    case ST_MESSAGE_1:
    case ST_MESSAGE_2:
    case ST_MESSAGE_3:
    case ST_MESSAGE_4:
    case ST_MESSAGE_5:
    case ST_MESSAGE_6:
      Print(Out, Frame->Page00.GetDlgItemText(IDC_MESSAGE));
      PressOrGiveUp(IDOK, EXIT_DOWNLOAD_FAILED);
      break;
    case ST_WELCOME: PressOrGiveUp(IDOK, EXIT_DOWNLOAD_FAILED); break;
    case ST_MESSAGE_9:
      Print(Err, Frame->Page00.GetDlgItemText(IDC_MESSAGE));
      Outcome = EXIT_NO_DOWNLOAD_INFO;
      PressOrGiveUp(IDOK, EXIT_NO_DOWNLOAD_INFO);
      break;
    case ST_VERSION_ERROR:
      Print(Err, Frame->Page00.GetDlgItemText(IDC_MESSAGE));
      Outcome = EXIT_VERSION_ERROR;
      PressOrGiveUp(IDOK, EXIT_VERSION_ERROR);
      break;
    case ST_CONFIRM_SOFTWARE:
      ErrorPagesInARow = 0;
      for (const QString& warning : ListWarnings) Print(Err, QStringLiteral("Warning: ") + warning);
      PrintProduct();
      PressOrGiveUp(IDOK, EXIT_DOWNLOAD_FAILED);
      break;
    case ST_CONFIRM_FOLDER:
      if (ProposesAnotherFolder())
        PressOrGiveUp(IDC_BACK, EXIT_NO_FOLDER);  // Change Folder
      else
        PressOrGiveUp(IDOK, EXIT_NO_FOLDER);
      break;
    case ST_SELECT_DRIVE:
      // The folder page lies behind the drive page's secondary event; its
      // button is never shown, so the event is posted as the button would.
      if (ownFolder)
        PostWizardEvent(Frame->GetSafeHwnd(), EV_BACK);
      else
        PressOrGiveUp(IDOK, EXIT_NO_FOLDER);
      break;
    case ST_SELECT_FOLDER:
      if (ownFolder) Frame->Page05.SetDlgItemText(IDC_FOLDER_EDIT, Arguments.Folder);
      PressOrGiveUp(IDOK, EXIT_NO_FOLDER);
      break;
    case ST_DOWNLOAD_COMPLETE:
      ErrorPagesInARow = 0;
      // The product was found complete where an earlier run saved it: it
      // is not in the folder asked for, and that must not pass for done.
      if (ownFolder && AbsoluteFolder(App.DownloadList.TargetSaveDir) != AbsoluteFolder(Arguments.Folder)) {
        Print(Err, QStringLiteral("The product is already complete in %1, not in %2. Run again with --folder %1, "
                                  "or remove that folder to download into %2.")
                       .arg(App.DownloadList.TargetSaveDir, AbsoluteFolder(Arguments.Folder)));
        EndRun(EXIT_NO_FOLDER);
        break;
      }
      Print(Out, QStringLiteral("Saved: %1").arg(App.DownloadList.GetOutputFilePath()));
      PressOrGiveUp(IDOK, EXIT_DOWNLOAD_FAILED);
      break;
    case ST_INSTALL:
      // A product without an install command is verified and saved: done.
      if (Arguments.Install && !Frame->GetCurrentPage()->ClickDlgItem(IDOK)) {
        Print(Out, QStringLiteral("Nothing to install: the product has no install command."));
        EndRun(EXIT_DONE);
        break;
      }
      if (!Arguments.Install) PressOrGiveUp(IDC_BACK, EXIT_DOWNLOAD_FAILED);
      break;
    case ST_FOLDER_BUSY:
      // Another run downloads into the folder: nothing to wait for.
      Print(Err, QStringLiteral("already downloading into %1").arg(App.DownloadList.DownloadTempDir));
      EndRun(EXIT_USAGE);
      break;
    case ST_DOWNLOAD_ERROR: PrintErrorPage(EXIT_DOWNLOAD_FAILED); break;
    case ST_CONNECT_ERROR: PrintErrorPage(EXIT_NO_DOWNLOAD_INFO); break;
    case ST_LIST_NOT_VERIFIED: PrintErrorPage(EXIT_LIST_NOT_VERIFIED); break;
    default: break;  // the acquisition, verification and download pages move on by themselves
  }
}

bool CUnattendedRun::ProposesAnotherFolder() const {
  return !Arguments.Folder.isEmpty() && AbsoluteFolder(App.DownloadList.TargetSaveDir) != AbsoluteFolder(Arguments.Folder);
}

void CUnattendedRun::PressOrGiveUp(int controlId, int exitCode) {
  CParcel2SubDlg* page = Frame->GetCurrentPage();
  if (page && page->ClickDlgItem(controlId)) return;
  Print(Err, QStringLiteral("Nothing to press on \"%1\".").arg(Frame->GetTitleText()));
  EndRun(exitCode);
}

void CUnattendedRun::PrintErrorPage(int exitCode) {
  CParcel2SubDlg* page = Frame->GetCurrentPage();
  QStringList texts;
  for (const QLabel* label : page->GetWidget()->findChildren<QLabel*>())
    if (label->isVisibleTo(page->GetWidget()) && !label->text().isEmpty()) texts << label->text();
  Print(Err, texts.join(QLatin1Char('\n')));
  if (++ErrorPagesInARow > TRY_AGAIN_LIMIT) {
    EndRun(exitCode);
    return;
  }
  Print(Out, QStringLiteral("Trying again (%1 of %2).").arg(ErrorPagesInARow).arg(TRY_AGAIN_LIMIT));
  PressOrGiveUp(IDOK, exitCode);
}

void CUnattendedRun::PrintProduct() {
  CDownloadList& list = App.DownloadList;
  const QString name = App.UiLanguage.load() == LANG_JAPANESE ? list.SoftwareName : list.SoftwareEnName;
  const CDownloadEntry* product = list.GetDownloadEntry(0);
  const std::uint64_t size = product ? static_cast<std::uint64_t>(std::max<std::int64_t>(product->Size, 0)) : 0;
  Print(Out, QStringLiteral("Product: %1 (%2)").arg(name, FormatSizeText(size).trimmed()));
}

void CUnattendedRun::PrintProgress() {
  // The download page measures what it shows, bytes and speed included.
  const bool onPage = Frame && Frame->Page03.HasWindow();
  const CByteProgress progress =
      onPage ? Frame->Page03.MeasureProgress() : MeasureDownload(App.DownloadList, 0, 0);
  QString line = QStringLiteral("Parts %1/%2, %3%")
                     .arg(progress.PartsDone)
                     .arg(progress.Parts)
                     .arg(ProgressSteps(progress, 100));
  for (const int text : {IDC_PROGRESS_BYTES, IDC_REMAINING_TIME}) {
    const QString shown = onPage ? Frame->Page03.GetDlgItemText(text).trimmed() : QString();
    if (!shown.isEmpty()) line += QStringLiteral(", ") + shown;
  }
  std::lock_guard<std::mutex> lock(PrintLock);
  if (OutIsTerminal) {
    std::fprintf(Out, "\r%-79s", line.toLocal8Bit().constData());
    ProgressLineOpen = true;
  } else {
    std::fprintf(Out, "%s\n", line.toLocal8Bit().constData());
  }
  std::fflush(Out);
}

bool CUnattendedRun::IsText(const QString& text, int stringId) const { return text == LoadString(stringId); }

int CUnattendedRun::AnswerMessageBox(const CMessageBoxRequest& request) {
  Print(Out, QStringLiteral("[%1] %2").arg(request.Caption, request.Text));
  const bool question = (request.Type & 0xf) == MB_YESNO;
  if (!question) {
    // No room, or a folder the page refused: the run cannot go on unless
    // the proposal is still to be replaced by the folder given. A proposal
    // that is the folder given (an earlier run's, which lost its room) is
    // refused for good: the page would go on asking.
    const bool refused = IsText(request.Text, IDS_NOT_ENOUGH_SPACE) || IsText(request.Text, IDS_NOT_A_FOLDER);
    const int state = CurrentState.load();
    if (refused && (Arguments.Folder.isEmpty() || state == ST_SELECT_FOLDER ||
                    (state == ST_CONFIRM_FOLDER && !ProposesAnotherFolder()))) {
      Print(Err, request.Text);
      QMetaObject::invokeMethod(this, [this] { EndRun(EXIT_NO_FOLDER); }, Qt::QueuedConnection);
    }
    return IDOK;
  }
  if ((Cancelled.load() || Ending.load()) && IsText(request.Text, IDS_CANCEL_QUESTION)) return IDYES;
  if (!Arguments.Folder.isEmpty() && (IsText(request.Text, IDS_CREATE_FOLDER) || IsText(request.Text, IDS_FOLDER_DIFFERS) ||
                                      IsText(request.Text, IDS_CHANGE_FOLDER)))
    return IDYES;
  return (request.Type & MB_DEFBUTTON2) ? IDNO : IDYES;
}

void CUnattendedRun::Print(std::FILE* stream, const QString& text) {
  std::lock_guard<std::mutex> lock(PrintLock);
  if (ProgressLineOpen && stream == Out) {
    std::fputc('\n', Out);
    ProgressLineOpen = false;
  }
  std::fprintf(stream, "%s\n", text.toLocal8Bit().constData());
  std::fflush(stream);
}
