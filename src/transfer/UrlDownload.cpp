#include "transfer/UrlDownload.h"

#include "log/Log.h"
#include "platform/HostTrust.h"
#include "platform/HttpSession.h"
#include "platform/StringTokenizer.h"
#include "transfer/DownloadTimeoutThread.h"
#include "transfer/MD5Digest.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <limits>
#include <thread>

namespace {

const QString NO_SESSION_TEXT = QStringLiteral("No internet session is open.");

bool IsRedirect(int status) { return (status >= 300 && status <= 304) || status == 307; }

bool IsHexDigits(const QString& text) {
  return std::all_of(text.begin(), text.end(), [](QChar c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
  });
}

}  // namespace

CUrlDownload::CUrlDownload(CLogWriter& logger) : Logger(logger) {}

CUrlDownload::~CUrlDownload() = default;

int CUrlDownload::init() {
  if (AccessMode == ACCESS_PROXY && !ProxyServer.isEmpty()) {
    Session = std::make_unique<CHttpSession>(HTTP_ACCESS_PROXY, ProxyServer, AgentName);
    LogTrace(Logger, "CUrlDownload::init(INTERNET_OPEN_TYPE_PROXY):Server=%s", ProxyServer);
  } else {
    if (AccessMode == ACCESS_PROXY) AccessMode = ACCESS_DIRECT;
    if (AccessMode == ACCESS_DIRECT) {
      Session = std::make_unique<CHttpSession>(HTTP_ACCESS_DIRECT, QString(), AgentName);
      LogTrace(Logger, "CUrlDownload::init(INTERNET_OPEN_TYPE_DIRECT)");
    } else if (AccessMode == ACCESS_PRECONFIG) {
      Session = std::make_unique<CHttpSession>(HTTP_ACCESS_PRECONFIG, QString(), AgentName);
      LogTrace(Logger, "CUrlDownload::init(INTERNET_OPEN_TYPE_PRECONFIG)");
    } else {
      return 0;
    }
  }
  SessionMode = AccessMode;
  Session->SetMaxReceiveRate(MaxReceiveRate.load());
  return 1;
}

// The sibling keeps connections of its own: libcurl does not hand a kept
// connection between requests that run at once, so sharing this one's
// would serialise the parts again.
std::unique_ptr<CDownload> CUrlDownload::MakeSibling() const {
  if (!Session) return nullptr;
  auto sibling = std::make_unique<CUrlDownload>(Logger);
  sibling->SetAccess(SessionMode, ProxyServer);
  sibling->AgentName = AgentName;
  sibling->TimeoutMs = TimeoutMs;
  sibling->SetMaxReceiveRate(MaxReceiveRate.load());
  sibling->SetDigestCheck(DigestCheck.load());
  sibling->SetWriteFailureReport(GetWriteFailureReport());
  if (sibling->init() != 1) return nullptr;
  sibling->ConnectState.store(ConnectState.load());
  return sibling;
}

void CUrlDownload::SetMaxReceiveRate(std::int64_t bytesPerSecond) {
  const std::int64_t rate = std::max<std::int64_t>(0, bytesPerSecond);
  MaxReceiveRate.store(rate);
  Pacer.SetRate(rate);
  if (Session) Session->SetMaxReceiveRate(rate);
}

void CUrlDownload::Close() { Session.reset(); }

void CUrlDownload::UsePreconfiguredAccess() {
  ProxyServer.clear();
  AccessMode = ACCESS_PRECONFIG;
}

void CUrlDownload::SetAccess(int mode, const QString& proxyServer) {
  AccessMode = mode;
  ProxyServer = proxyServer;
}

int CUrlDownload::Connect() {
  if (AccessMode == ACCESS_NONE) return 0;
  const int state = ConnectState.load();
  if (state != 1 && state != 2) {
    LogTrace(Logger, "Connecting...");
    // Nothing is opened here: the session of init serves every request.
    UsePreconfiguredAccess();
    ConnectState.store(1);
    LogTrace(Logger, "connected!");
  }
  return 1;
}

void CUrlDownload::Disconnect() {
  LogTrace(Logger, "Disconnecting...");
  ConnectState.store(0);
  LogTrace(Logger, "disconnected!");
}

void CUrlDownload::GetResponseHead(QString& text) {
  text.clear();
  for (int unit = 0; unit < RESPONSE_HEAD_SIZE / 2; ++unit) {
    const auto low = static_cast<unsigned char>(ResponseHead[2 * unit]);
    const auto high = static_cast<unsigned char>(ResponseHead[2 * unit + 1]);
    const char16_t code = static_cast<char16_t>(low | (high << 8));
    if (code == 0) break;
    text.append(QChar(code));
  }
}

// Runs on the calling worker thread.
std::int64_t CUrlDownload::DownloadToSink(const QString& url, CBodySink& sink, const CBodyRules& rules) {
  CCall call;
  call.Sink = &sink;
  call.Rules = rules;
  // Only a body of a known size is resumed.
  if (rules.WholeSize > 0 && rules.ResumeFrom > 0 && rules.ResumeFrom < rules.WholeSize)
    call.ResumeFrom = rules.ResumeFrom;
  CDownloadTimeoutThread watchdog;
  if (ConnectState.load() != 1) Connect();
  ReceivedSize.store(0, std::memory_order_relaxed);
  LastStatus = 0;
  CertificateProblem.clear();
  FetchedFrom.clear();

  CStringTokenizer tokenizer(url, QStringLiteral("?"));
  QString address = tokenizer.NextToken();
  call.Query = tokenizer.NextToken();  // a second "?" ends the query

  int redirects = 0;
  for (int attempt = 0; attempt <= 1 && call.Retry == 1 && !AreRequestsAborted(); ++attempt) {
    if (attempt > 0) LogWarning(Logger, "UrlDownload Retry #%d", attempt);
    CHttpUrl parts;
    if (!ParseHttpUrl(address, parts)) {
      LogError(Logger, "Invalid URL='%s'", EscapeControlCharacters(url));
      return -1;
    }
    if (FetchedFrom.isEmpty() || FetchedFrom.back() != address) FetchedFrom << address;
    const EAttemptEnd end = RunAttempt(parts, call, watchdog);
    // The whole body is asked for once more, and that does not count as
    // the call's retry.
    if (end == ATTEMPT_WHOLE_AGAIN) --attempt;
    if (end == ATTEMPT_REDIRECTED) {
      if (++redirects > MAX_REDIRECTS) {
        LogError(Logger, "Too many redirects:%s", EscapeControlCharacters(url));
        return -1;
      }
      CHttpUrl next;
      if (ParseHttpUrl(call.Location, next) && IsSecurityDowngrade(parts, next)) {
        LogError(Logger, "Refused redirect from https to http:%s", call.Location);
        return -1;
      }
      // The counter restarts and advances at once: the new address gets one
      // attempt (logged as retry 1). The query goes along.
      address = call.Location;
      LogTrace(Logger, "Redirected to=%s", EscapeControlCharacters(address));
      attempt = 0;
    }
  }
  LogTrace(Logger, "URL Downloaded:File=%s:Leng=%d:From=%s", sink.GetPath(), call.Result, url);
  return call.Result;
}

CUrlDownload::EAttemptEnd CUrlDownload::RunAttempt(const CHttpUrl& address, CCall& call,
                                                   CDownloadTimeoutThread& watchdog) {
  if (!Session) {
    LogError(Logger, "Download CInternetException:%s", NO_SESSION_TEXT);
    return ATTEMPT_ENDED;
  }
  LogTrace(Logger, "Succeed GetHttpConnection.");
  const bool post = !call.Query.isEmpty();
  LogTrace(Logger, post ? "Request Method = 'POST'" : "Request Method = 'GET'");
  std::unique_ptr<CHttpRequest> request = Session->OpenRequest(
      post ? QStringLiteral("POST") : QStringLiteral("GET"), address.Server, address.Port, address.Object,
      address.Secure);
  LogTrace(Logger, "OpenRequest:Server=%s:Port=%d:Object=%s", address.Server, address.Port, address.Object);
  if (call.ResumeFrom > 0) {
    request->SetRangeFrom(call.ResumeFrom);
    LogTrace(Logger, "Request Range=bytes=%s-", QString::number(call.ResumeFrom));
  }
  SetRunningRequest(request.get());

  watchdog.Request.store(request.get());
  watchdog.TimeoutMs.store(TimeoutMs);
  watchdog.Start();

  const EAttemptEnd end = Exchange(*request, call, watchdog);

  request->Close();
  SetRunningRequest(nullptr);
  watchdog.Stop();
  watchdog.Request.store(nullptr);
  return end;
}

CUrlDownload::EAttemptEnd CUrlDownload::Exchange(CHttpRequest& request, CCall& call,
                                                 CDownloadTimeoutThread& watchdog) {
  // Every send is watched, the retry's too: a host that stalls on the
  // second attempt must not hang the download.
  watchdog.Paused.store(0);
  QString errorText;
  const QByteArray body = call.Query.isEmpty() ? QByteArray() : call.Query.toLocal8Bit();
  if (!request.Send(body, errorText)) {
    CertificateProblem = request.GetCertificateProblem();
    if (CertificateProblem.isEmpty()) {
      LogError(Logger, "Download CInternetException:%s", errorText);
    } else {
      // The same certificate comes back on a retry; only its owner can help.
      LogError(Logger, "Server certificate not verified:%s", CertificateProblem);
      call.Retry = 0;
    }
    return ATTEMPT_ENDED;
  }
  watchdog.Paused.store(1);
  LogTrace(Logger, "Send Request:Query='%s'", call.Query);

  const int status = request.GetStatusCode();
  LastStatus = status;
  LogTrace(Logger, "Received Status-Code=%d", status);
  if (status == 200) {
    // A host that ignores the range sends the whole body: the file starts afresh.
    call.ResumeFrom = 0;
    ReceiveBody(request, call, watchdog);
    return ATTEMPT_ENDED;
  }
  if (call.ResumeFrom > 0 && status == 206 && IsTheRestAsked(request, call)) {
    ReceiveBody(request, call, watchdog);
    return ATTEMPT_ENDED;
  }
  if (call.ResumeFrom > 0 && (status == 206 || status == 416)) return StartAfresh(call);
  if (IsRedirect(status)) {
    call.Location.clear();
    request.QueryHeader(QStringLiteral("Location"), call.Location);
    return ATTEMPT_REDIRECTED;
  }
  LogError(Logger, "Error response:Status=%d", status);
  return ATTEMPT_ENDED;
}

void CUrlDownload::CheckDigest(const QString& digestText, CCall& call) {
  if (digestText.size() != 2 * CMD5Digest::DIGEST_BYTES) {
    LogError(Logger, "Invalid digest in HTTP-Response-Header.");
    call.Retry = 1;
    return;
  }
  // A text of the right length with anything but hex digits in it cannot
  // match any file.
  CMD5Digest::Digest expected{};
  if (IsHexDigits(digestText) && CMD5Digest::ParseDigestText(digestText, expected)) {
    DigestBytes = QByteArray(reinterpret_cast<const char*>(expected.data()), CMD5Digest::DIGEST_BYTES);
    CMD5Digest hasher(Logger);
    if (hasher.CompareFileDigest(call.Sink->GetPath(), expected) == 1) {
      LogTrace(Logger, "Identical digest='%s'", digestText);
      return;
    }
  }
  LogError(Logger, "Differential digest='%s'", EscapeControlCharacters(digestText));
  call.Result = 0;
  call.Retry = 1;
}

void CUrlDownload::AbortRequests() {
  RequestsAborted.store(1);
  std::lock_guard<std::mutex> lock(RunningLock);
  if (RunningRequest) RunningRequest->Close();
}

// Runs on the calling worker thread. A request published after an abort is
// closed at once: its send fails without waiting for the host.
void CUrlDownload::SetRunningRequest(CHttpRequest* request) {
  std::lock_guard<std::mutex> lock(RunningLock);
  RunningRequest = request;
  if (request && AreRequestsAborted()) request->Close();
}

void CUrlDownload::ReportFileFailure(const QString& errorText) const {
  LogError(Logger, "Download Read&Write CFileException:%s", errorText);
  // The owner shows the box; the worker waits here until it is answered.
  ReportWriteFailure(errorText);
}

// Runs on the calling worker thread. Nothing in the program uses it.
int CUrlDownload::DownloadToBytes(const QString& url, QByteArray& bytes) {
  if (ConnectState.load() != 1) Connect();
  CHttpUrl parts;
  if (!Session || !ParseHttpUrl(url, parts)) {
    LogError(Logger, "Download CInternetException:%s", Session ? QStringLiteral("Invalid URL") : NO_SESSION_TEXT);
    return -1;
  }
  std::unique_ptr<CHttpRequest> request =
      Session->OpenRequest(QStringLiteral("GET"), parts.Server, parts.Port, parts.Object, parts.Secure);
  LogTrace(Logger, "URL opened:URL=%s", url);
  QString errorText;
  if (!request->Send(QByteArray(), errorText)) {
    LogError(Logger, "Download CInternetException:%s", errorText);
    return -1;
  }
  LogTrace(Logger, "Send Request.");
  LogTrace(Logger, "Status Code=%d", request->GetStatusCode());
  constexpr int bufferSize = 102400;
  std::unique_ptr<char[]> buffer(new char[bufferSize]);
  int total = 0;
  for (;;) {
    const int got = request->Read(buffer.get(), bufferSize, errorText);
    if (got < 0) {
      LogError(Logger, "Download Read CInternetException:%s", errorText);
      break;
    }
    if (got == 0) break;
    if (got > std::numeric_limits<int>::max() - total) {
      LogError(Logger, "Download Read CInternetException:%s", BODY_TOO_LONG_TEXT);
      break;
    }
    bytes.append(buffer.get(), got);
    total += got;
    LogTrace(Logger, "Read data:Size=%d", got);
  }
  return total;
}
