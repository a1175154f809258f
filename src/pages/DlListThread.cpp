#include "pages/DlListThread.h"

#include "log/Log.h"
#include "platform/HostTrust.h"
#include "res/RequestAddresses.h"
#include "res/ResourceIds.h"
#include "res/Strings.h"
#include "wizard/Parcel2App.h"
#include "wizard/WizardEvents.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <chrono>
#include <cstdio>
#include <thread>

// The list worker. Everything here runs on the worker thread; it shares
// only the flags with the page and reports by posting to the frame.

namespace {

constexpr int ATTEMPT_COUNT = 3;
// Shorter answers are the host's error text, not a list.
constexpr int SMALLEST_LIST_SIZE = 100;
constexpr int HOST_MESSAGE_LIMIT = 200;

// Every failure is ignored: a list that stays is judged again by the next
// existence test.
void DeleteListFile(const QString& path) { QFile::remove(path); }

// Reports to the frame only while the page is still shown; a late worker
// stays silent.
void Report(const CDlListJob& job, int event, CWizardReport report = {}) {
  if (IsWindow(job.Page)) PostWizardEvent(job.Frame, event, std::move(report));
}

// Waits while the cancel question is on the screen and no stop was asked for.
void WaitForAnswer(const CDlListJob& job) {
  const CDlListFlags& flags = *job.Flags;
  while (flags.CancelPaused.load() != 0 && flags.CancelRequested.load() == 0)
    std::this_thread::sleep_for(std::chrono::milliseconds(job.PausePollMs));
}

// Before the worker reports, whatever it reports: the question's box is a
// child of the page, and the wizard must not move on (and take the page
// with it) under an open question, also one asked again after a Yes or
// after the time-out. The box closes with its page, so this ends.
void WaitForOpenQuestion(const CDlListJob& job) {
  if (job.Flags->CancelPaused.load() == 0) return;
  job.Flags->HoldingReport.store(1);
  while (job.Flags->CancelPaused.load() != 0)
    std::this_thread::sleep_for(std::chrono::milliseconds(job.PausePollMs));
  job.Flags->HoldingReport.store(0);
}

// Before each attempt: true when the user asked to stop, then or before.
bool StopRequested(const CDlListJob& job, CLogWriter& log) {
  WaitForAnswer(job);
  if (job.Flags->CancelRequested.load() == 0) return false;
  LogTrace(log, "Canceled GetDlListThreadFunction");
  return true;
}

CListSource ListSource(const CParcel2App& app) { return CListSource{app.HostUrl, app.PurchaseKey}; }

// A list kept from an earlier run: one that is not trusted is deleted
// before anything in it is read, even the download it describes. With the
// re-acquisition asked for, that download is discarded; otherwise a list
// that is not usable is deleted so that a fresh one is fetched in the same
// attempt.
void CheckStoredList(CParcel2App& app, const QString& listPath) {
  CDownloadList& list = app.DownloadList;
  const CListVerdict verdict = app.ListTrust.CheckStored(listPath, app.PurchaseNo, ListSource(app));
  if (!verdict.IsTrusted()) {
    DeleteListFile(listPath);
    LogError(app.Logger, "Invalid download-list-file:%s", ListProblemLogText(verdict));
    return;
  }
  app.ListTrust.Remember(listPath, app.PurchaseNo, verdict, ListSource(app));
  if (app.ReacquireDownloadInfo.load() != 0) {
    list.RemoveAllEntries();
    list.LoadListFile(listPath);
    list.WriteToLog();
    if (app.ClaimWorkingFolder(false)) list.RemoveTempFiles();
    // The save folder goes only when nothing else is left in it.
    if (!list.TargetSaveDir.isEmpty()) QDir().rmdir(list.TargetSaveDir);
    list.SetTargetSaveDir(QString());
    list.RemoveAllEntries();
    DeleteListFile(listPath);
    return;
  }
  list.LoadListFile(listPath);
  list.WriteToLog();
  if (list.GetDownloadEntryCount() <= 0) {
    DeleteListFile(listPath);
    LogError(app.Logger, "Invalid download-list-file:DownloadEntryCount error");
  }
  if (list.FileVersion != LIST_FILE_VERSION) {
    DeleteListFile(listPath);
    LogError(app.Logger, "Invalid download-list-file:FileVersion error");
  }
}

// The save folder is the customer's to choose: one named by the host would
// be proposed on the save-location pages as if it had been chosen before.
// The customer's own folder (recorded in a stored list that was rejected,
// or settled earlier in this run) is recorded after any the host wrote,
// and the last record wins; without one an empty record does the same.
void ForgetHostFolder(CParcel2App& app, const QString& hostFolder, const QString& customerFolder) {
  CDownloadList& list = app.DownloadList;
  if (!hostFolder.isEmpty()) LogWarning(app.Logger, "Ignored the save folder named by the host:%s", hostFolder);
  list.SetTargetSaveDir(customerFolder);
  list.AppendTargetSaveDir();
}

// A fetched list takes the stored list's place only once it is trusted, so
// a list that failed is never stored; the record of where the old one came
// from goes first. False when it could not be put in place.
bool StoreFetchedList(CParcel2App& app, const QString& fetchPath, const QString& listPath, const CListVerdict& verdict) {
  CListTrust::ForgetSource(listPath);
  if (std::rename(QFile::encodeName(fetchPath).constData(), QFile::encodeName(listPath).constData()) != 0) {
    LogError(app.Logger, "List file write error:%s", listPath);
    return false;
  }
  app.ListTrust.Remember(listPath, app.PurchaseNo, verdict, ListSource(app));
  return true;
}

}  // namespace

QString ListProblemText(const CListVerdict& verdict) {
  switch (verdict.Problem) {
    case LIST_NOT_SIGNED: return LoadString(IDS_LIST_NOT_SIGNED);
    case LIST_NO_MATCH:
    case LIST_OTHER_ORIGIN: return LoadString(IDS_LIST_NO_MATCH);
    case LIST_UNKNOWN_KEY: return LoadString(IDS_LIST_UNKNOWN_KEY);
    case LIST_EXPIRED: return FormatString(IDS_LIST_EXPIRED, FormatListExpiry(verdict.Expires));
    case LIST_OLDER: return LoadString(IDS_LIST_OLDER);
    case LIST_TRUSTED: break;
  }
  return QString();
}

QString CleanHostMessage(const QString& text) {
  QString clean;
  for (qsizetype i = 0; i < text.size() && clean.size() < HOST_MESSAGE_LIMIT; ++i) {
    const QChar c = text[i];
    if (c == QLatin1Char('\r')) {
      if (i + 1 < text.size() && text[i + 1] == QLatin1Char('\n')) continue;
      clean += QLatin1Char('\n');
    } else if (c == QLatin1Char('\n') || c.category() != QChar::Other_Control) {
      clean += c;
    }
  }
  // A surrogate pair cut in two at the limit is no character at all.
  if (!clean.isEmpty() && clean.back().isHighSurrogate()) clean.chop(1);
  return clean.trimmed();
}

int GetDlListThreadFunction(const CDlListJob& job) {
  CParcel2App& app = GetApp();
  CDownloadList& list = app.DownloadList;
  CUrlDownload& transfer = app.UrlDownload;
  CLogWriter& log = app.Logger;
  const CDlListFlags& flags = *job.Flags;

  const int urlId = (app.TestMode.load() & 1) != 0 ? IDS_TEST_LIST_URL : IDS_LIST_URL;
  // The address is a format; formatting it undoubles the purchase's "%".
  const QString url = FormatText(RequestAddress(urlId, app.HostUrl, app.PurchaseNo, app.PurchaseKey));
  list.RemoveAllEntries();
  const QString listPath = app.GetListFilePath(app.PurchaseNo);
  CWizardReport failure;  // what the last attempt's error answer said, or its certificate
  // Where a list arrives until it is trusted.
  const QString fetchPath = listPath + QStringLiteral(".download");
  // Where the list in use came from: a stored one from the host it was
  // asked of, a fresh one from every address its request was led to.
  QStringList fetchedFrom{app.HostUrl};

  for (int attempt = 0; attempt < ATTEMPT_COUNT && flags.CancelRequested.load() == 0;) {
    if (attempt > 0) LogWarning(log, "GetDownloadList Retry #%d", attempt);
    if (StopRequested(job, log)) break;
    if (QFileInfo::exists(listPath)) CheckStoredList(app, listPath);
    // A stored list that passed is used without asking the host.
    if (QFileInfo::exists(listPath)) break;

    transfer.SetDigestCheck(1);
    const std::int64_t received = transfer.DownloadToFile(url, fetchPath);
    fetchedFrom = transfer.GetFetchedFrom();
    failure.HostMessage.clear();
    if (received <= 0) {
      DeleteListFile(fetchPath);
      // Asking again would meet the same certificate; and a host we cannot
      // trust is never asked over plain HTTP instead.
      failure.CertificateProblem = transfer.GetCertificateProblem();
      if (!failure.CertificateProblem.isEmpty()) break;
      ++attempt;
      continue;
    }
    if (received < SMALLEST_LIST_SIZE) {
      LogError(log, "Get DownloadList Error:Len=%d", received);
      QString text;
      transfer.GetResponseHead(text);
      LogError(log, "Error msg=%s", EscapeControlCharacters(text));
      failure.HostMessage = CleanHostMessage(text);
      DeleteListFile(fetchPath);
      ++attempt;
      continue;
    }
    const CListVerdict verdict = app.ListTrust.CheckFetched(fetchPath, app.PurchaseNo);
    if (!verdict.IsTrusted()) {
      // Asking again would most likely bring the same list: the customer
      // decides on the page that says why.
      DeleteListFile(fetchPath);
      LogError(log, "Download list not verified:%s", ListProblemLogText(verdict));
      CWizardReport notVerified;
      notVerified.ListProblem = ListProblemText(verdict);
      WaitForOpenQuestion(job);
      Report(job, EV_NOT_VERIFIED, std::move(notVerified));
      return DLLIST_NOT_VERIFIED;
    }
    if (!StoreFetchedList(app, fetchPath, listPath, verdict)) {
      DeleteListFile(fetchPath);
      ++attempt;
      continue;
    }
    list.RemoveAllEntries();
    // A fresh list starts without a folder, so we can tell whether it names one.
    const QString customerFolder = list.TargetSaveDir;
    list.SetTargetSaveDir(QString());
    list.LoadListFile(listPath);
    list.WriteToLog();
    if (list.GetDownloadEntryCount() <= 0) {
      DeleteListFile(listPath);
      LogError(log, "Invalid download-list-file:DownloadEntryCount error");
      ++attempt;
      continue;
    }
    if (list.FileVersion == LIST_FILE_VERSION) {
      ForgetHostFolder(app, list.TargetSaveDir, customerFolder);
      break;
    }
    DeleteListFile(listPath);
    LogError(log, "Invalid download-list-file:FileVersion error");
    WaitForOpenQuestion(job);
    Report(job, EV_VERSION_ERROR);
    return DLLIST_VERSION_ERROR;
  }

  // A list that arrives while the cancel question is open waits for the
  // answer: the wizard must not move on under the question, and a Yes wins.
  WaitForOpenQuestion(job);
  if (flags.CancelRequested.load() == 1 || flags.TimedOut.load() == 1) {
    LogError(log, "Canceled get download-list-file");
    DeleteListFile(listPath);
    Report(job, flags.TimedOut.load() == 1 ? EV_ERROR : EV_ABORT);
    return DLLIST_CANCELED;
  }
  if (list.GetDownloadEntryCount() > 0) {
    CWizardReport found;
    found.ListWarnings = PlainHttpListWarnings(fetchedFrom);
    for (const QString& warning : found.ListWarnings) LogWarning(log, "%s", warning);
    Report(job, EV_NEXT, std::move(found));
    return DLLIST_READY;
  }
  LogError(log, "Download entry is none.");
  DeleteListFile(listPath);
  Report(job, EV_ERROR, std::move(failure));
  return DLLIST_NO_ENTRIES;
}
