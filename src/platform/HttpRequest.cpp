#include "platform/HttpRequest.h"

#include "platform/HostTrust.h"
#include "platform/HttpShare.h"
#include "platform/NetworkLibrary.h"

#include <QList>

#include <curl/curl.h>

#include <algorithm>
#include <cstring>

namespace {

// libcurl reads this much from the socket at a time; it matches the
// transfer's own chunk, so one read usually fills one chunk.
constexpr long RECEIVE_BUFFER_SIZE = 102400;
// Body bytes held back for the next Read before libcurl is paused.
constexpr std::size_t PENDING_LIMIT = 2 * RECEIVE_BUFFER_SIZE;
// Room for the most that can be held back: one delivery beyond the limit.
constexpr std::size_t PENDING_CAPACITY = PENDING_LIMIT + RECEIVE_BUFFER_SIZE;
// Longest single wait for network activity; Close wakes it at once.
constexpr int POLL_MS = 1000;
constexpr int LIMITED_POLL_MS = 50;

// A private CA the user names; without one the library's own trust store.
void UseTrustedCertificates(CURL* easy) {
  QByteArray file = qgetenv("CURL_CA_BUNDLE");
  if (file.isEmpty()) file = qgetenv("SSL_CERT_FILE");
  const QByteArray folder = qgetenv("SSL_CERT_DIR");
  if (!file.isEmpty()) curl_easy_setopt(easy, CURLOPT_CAINFO, file.constData());
  if (!folder.isEmpty()) curl_easy_setopt(easy, CURLOPT_CAPATH, folder.constData());
}

}  // namespace

CHttpRequest::CHttpRequest(const CHttpRequestSettings& settings) : Share(settings.Share), PollMs(POLL_MS) {
  InitNetworkLibraryOnce();
  Multi = curl_multi_init();
  Easy = curl_easy_init();
  if (!Multi || !Easy) return;

  const char* scheme = settings.Secure ? "https" : "http";
  const QString address =
      QStringLiteral("%1://%2:%3%4").arg(QLatin1String(scheme), settings.Server).arg(settings.Port).arg(settings.Object);
  curl_easy_setopt(Easy, CURLOPT_URL, address.toUtf8().constData());
  curl_easy_setopt(Easy, CURLOPT_PROTOCOLS_STR, scheme);
  // Nothing here follows a redirect; should that ever change, a secure
  // request must still never be led to plain HTTP.
  curl_easy_setopt(Easy, CURLOPT_REDIR_PROTOCOLS_STR, settings.Secure ? "https" : "http,https");
  if (settings.Secure) {
    curl_easy_setopt(Easy, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(Easy, CURLOPT_SSL_VERIFYHOST, 2L);
    UseTrustedCertificates(Easy);
  }
  curl_easy_setopt(Easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  curl_easy_setopt(Easy, CURLOPT_FOLLOWLOCATION, 0L);
  curl_easy_setopt(Easy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(Easy, CURLOPT_BUFFERSIZE, RECEIVE_BUFFER_SIZE);
  curl_easy_setopt(Easy, CURLOPT_ERRORBUFFER, ErrorBuffer);
  curl_easy_setopt(Easy, CURLOPT_HEADERFUNCTION, &CHttpRequest::OnHeader);
  curl_easy_setopt(Easy, CURLOPT_HEADERDATA, this);
  curl_easy_setopt(Easy, CURLOPT_WRITEFUNCTION, &CHttpRequest::OnBody);
  curl_easy_setopt(Easy, CURLOPT_WRITEDATA, this);
  // A connection the session keeps is used again. One this request leaves
  // before its response has ended (a close, a failed read) is not kept:
  // libcurl shuts it rather than give it back half read.
  if (Share && Share->GetHandle()) curl_easy_setopt(Easy, CURLOPT_SHARE, Share->GetHandle());

  switch (settings.Access) {
    case HTTP_ACCESS_PRECONFIG: break;  // libcurl reads the environment itself
    case HTTP_ACCESS_DIRECT: curl_easy_setopt(Easy, CURLOPT_PROXY, ""); break;
    case HTTP_ACCESS_PROXY: curl_easy_setopt(Easy, CURLOPT_PROXY, settings.ProxyServer.toUtf8().constData()); break;
  }
  QByteArray noProxy = qgetenv("no_proxy");
  if (noProxy.isEmpty()) noProxy = qgetenv("NO_PROXY");
  curl_easy_setopt(Easy, CURLOPT_NOPROXY, ProxyBypassList(QString::fromLocal8Bit(noProxy)).toUtf8().constData());
  if (!settings.Agent.isEmpty()) curl_easy_setopt(Easy, CURLOPT_USERAGENT, settings.Agent.toUtf8().constData());
  if (settings.MaxReceiveBytesPerSecond > 0) {
    curl_easy_setopt(Easy, CURLOPT_MAX_RECV_SPEED_LARGE, static_cast<curl_off_t>(settings.MaxReceiveBytesPerSecond));
    // A transfer that libcurl holds back for its limit is not always woken
    // by the wait when it may go on (seen with a paused transfer): a
    // missed wake-up then costs a short wait, not a whole one.
    PollMs = LIMITED_POLL_MS;
  }

  // Always fetched from the host, never from a cache; and nothing of
  // libcurl's own: the body goes as it is, without a type or an Expect.
  Headers = curl_slist_append(Headers, "Cache-Control: no-cache");
  Headers = curl_slist_append(Headers, "Pragma: no-cache");
  Headers = curl_slist_append(Headers, "Accept:");
  Headers = curl_slist_append(Headers, "Content-Type:");
  Headers = curl_slist_append(Headers, "Expect:");
  curl_easy_setopt(Easy, CURLOPT_HTTPHEADER, Headers);

  IsPost = settings.Verb.compare(QLatin1String("POST"), Qt::CaseInsensitive) == 0;
  if (IsPost)
    curl_easy_setopt(Easy, CURLOPT_POST, 1L);
  else
    curl_easy_setopt(Easy, CURLOPT_HTTPGET, 1L);
}

CHttpRequest::~CHttpRequest() {
  if (Added) curl_multi_remove_handle(Multi, Easy);
  if (Easy) curl_easy_cleanup(Easy);
  if (Multi) curl_multi_cleanup(Multi);
  curl_slist_free_all(Headers);
}

void CHttpRequest::Close() {
  Closed.store(true);
  if (Multi) curl_multi_wakeup(Multi);
}

void CHttpRequest::SetRangeFrom(qint64 offset) {
  if (!Easy || Added || offset < 0) return;
  Headers = curl_slist_append(Headers, QByteArray("Range: bytes=" + QByteArray::number(offset) + "-").constData());
  curl_easy_setopt(Easy, CURLOPT_HTTPHEADER, Headers);
}

bool CHttpRequest::Send(const QByteArray& body, QString& errorText) {
  if (!Multi || !Easy) {
    errorText = QStringLiteral("The network library could not start a request.");
    return false;
  }
  if (Added) {
    errorText = QStringLiteral("The request was already sent.");
    return false;
  }
  // Only a POST carries a body; a GET ignores the one it is given.
  if (IsPost) {
    Body = body;
    curl_easy_setopt(Easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(Body.size()));
    curl_easy_setopt(Easy, CURLOPT_POSTFIELDS, Body.constData());
  }
  Pending.reserve(PENDING_CAPACITY);
  if (curl_multi_add_handle(Multi, Easy) != CURLM_OK) {
    errorText = QStringLiteral("The network library could not start a request.");
    return false;
  }
  Added = true;
  for (;;) {
    if (Closed.load()) {
      errorText = CLOSED_TEXT;
      return false;
    }
    Drive();
    if (HeadComplete) return true;
    if (Done) {
      errorText = DoneText();
      return false;
    }
    Wait();
  }
}

bool CHttpRequest::QueryHeader(const QString& name, QString& value) const {
  const QByteArray wanted = name.toLatin1();
  for (const auto& [headerName, headerValue] : ResponseHeaders) {
    if (headerName.compare(wanted, Qt::CaseInsensitive) == 0) {
      value = QString::fromLatin1(headerValue);
      return true;
    }
  }
  return false;
}

int CHttpRequest::Read(char* buffer, int size, QString& errorText) {
  if (Closed.load()) {
    errorText = CLOSED_TEXT;
    return -1;
  }
  if (!HeadComplete) {
    errorText = QStringLiteral("The request has no response to read.");
    return -1;
  }
  if (size <= 0) return 0;
  Target = buffer;
  TargetSize = static_cast<std::size_t>(size);
  TargetFilled = 0;
  TakePending();
  // Held-back bytes go out by themselves. Topped up from the next delivery
  // they would leave the same remainder behind on every read, and the
  // border the response head set would cost two extra copies a chunk for
  // the whole body; alone, the next read takes a whole delivery again.
  const bool heldBack = TargetFilled > 0;
  if (WritePaused && GetPendingSize() < PENDING_LIMIT) {
    WritePaused = false;
    curl_easy_pause(Easy, CURLPAUSE_CONT);  // may hand us the held-back chunk right here
  }
  bool failed = false;
  while (!heldBack && TargetFilled < TargetSize && !Done) {
    if (Closed.load()) {
      failed = true;
      break;
    }
    const std::size_t before = TargetFilled;
    Drive();
    if (TargetFilled == before) {
      // Nothing more has arrived: hand over what we have, or wait for more.
      if (TargetFilled > 0 || Done) break;
      Wait();
    }
  }
  const int got = static_cast<int>(TargetFilled);
  Target = nullptr;
  TargetSize = TargetFilled = 0;
  if (failed) {
    errorText = CLOSED_TEXT;
    return -1;
  }
  if (got > 0) return got;
  if (Done && (DoneResult != CURLE_OK || !DriveError.isEmpty())) {
    errorText = DoneText();
    return -1;
  }
  return 0;
}

void CHttpRequest::TakePending() {
  const std::size_t take = std::min(GetPendingSize(), TargetSize - TargetFilled);
  if (take == 0) return;
  std::memcpy(Target + TargetFilled, Pending.data() + PendingOffset, take);
  TargetFilled += take;
  PendingOffset += take;
  if (PendingOffset == Pending.size()) {
    Pending.clear();  // keeps its capacity
    PendingOffset = 0;
  }
}

void CHttpRequest::HoldBack(const char* data, std::size_t length) {
  if (PendingOffset > 0 && Pending.size() + length > Pending.capacity()) {
    // Move the unread rest to the front rather than grow.
    Pending.erase(Pending.begin(), Pending.begin() + static_cast<std::ptrdiff_t>(PendingOffset));
    PendingOffset = 0;
  }
  Pending.insert(Pending.end(), data, data + length);
}

void CHttpRequest::Drive() {
  int running = 0;
  const CURLMcode code = curl_multi_perform(Multi, &running);
  if (code != CURLM_OK) {
    Done = true;
    DriveError = QString::fromUtf8(curl_multi_strerror(code));
    return;
  }
  int left = 0;
  while (CURLMsg* message = curl_multi_info_read(Multi, &left)) {
    if (message->msg == CURLMSG_DONE && message->easy_handle == Easy) {
      Done = true;
      DoneResult = message->data.result;
    }
  }
}

void CHttpRequest::Wait() { curl_multi_poll(Multi, nullptr, 0, PollMs, nullptr); }

QString CHttpRequest::GetCertificateProblem() const {
  // A trust store that cannot be read verifies nothing either.
  const bool untrusted = DoneResult == CURLE_PEER_FAILED_VERIFICATION || DoneResult == CURLE_SSL_CACERT_BADFILE;
  if (!Done || !untrusted) return QString();
  QString reason = DoneText();
  for (const QLatin1String prefix : {QLatin1String("SSL certificate problem: "), QLatin1String("SSL: ")}) {
    if (reason.startsWith(prefix, Qt::CaseInsensitive)) {
      reason = reason.mid(prefix.size());
      break;
    }
  }
  return reason;
}

QString CHttpRequest::DoneText() const {
  if (!DriveError.isEmpty()) return DriveError;
  if (DoneResult == CURLE_OK) return QStringLiteral("The server returned no response.");
  if (ErrorBuffer[0]) return QString::fromUtf8(ErrorBuffer).trimmed();
  return QString::fromUtf8(curl_easy_strerror(static_cast<CURLcode>(DoneResult)));
}

std::size_t CHttpRequest::OnHeader(char* data, std::size_t size, std::size_t count, void* self) {
  return static_cast<CHttpRequest*>(self)->TakeHeader(data, size * count);
}

std::size_t CHttpRequest::OnBody(char* data, std::size_t size, std::size_t count, void* self) {
  return static_cast<CHttpRequest*>(self)->TakeBody(data, size * count);
}

std::size_t CHttpRequest::TakeHeader(const char* data, std::size_t length) {
  QByteArray line(data, static_cast<qsizetype>(length));
  while (line.endsWith('\n') || line.endsWith('\r')) line.chop(1);
  if (line.startsWith("HTTP/")) {
    // A new status line starts a new response (after a 100 Continue).
    const QList<QByteArray> fields = line.split(' ');
    Status = fields.size() > 1 ? fields[1].toInt() : 0;
    ResponseHeaders.clear();
    HeadComplete = false;
  } else if (line.isEmpty()) {
    if (Status < 100 || Status >= 200) HeadComplete = true;
  } else if ((line.startsWith(' ') || line.startsWith('\t')) && !ResponseHeaders.empty()) {
    ResponseHeaders.back().second += ' ' + line.trimmed();
  } else {
    const qsizetype colon = line.indexOf(':');
    if (colon > 0) ResponseHeaders.emplace_back(line.left(colon).trimmed(), line.mid(colon + 1).trimmed());
  }
  return length;
}

std::size_t CHttpRequest::TakeBody(const char* data, std::size_t length) {
  const std::size_t room = Target ? TargetSize - TargetFilled : 0;
  if (room == 0 && GetPendingSize() >= PENDING_LIMIT) {
    WritePaused = true;
    return CURL_WRITEFUNC_PAUSE;
  }
  const std::size_t direct = std::min(room, length);
  if (direct > 0) {
    std::memcpy(Target + TargetFilled, data, direct);
    TargetFilled += direct;
  }
  if (direct < length) HoldBack(data + direct, length - direct);
  return length;
}
