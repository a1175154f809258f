#pragma once

#include "transfer/BodySink.h"
#include "transfer/Download.h"
#include "transfer/RatePacer.h"

#include <QString>
#include <QStringList>

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

class CDownloadTimeoutThread;
class CHttpRequest;
class CHttpSession;
class CLogWriter;
struct CHttpUrl;

// The program's one HTTP transfer. DownloadToSink fetches an address (a
// POST of the query when there is one, else a GET) into a sink, with one
// retry, the host's redirects, an optional check against the "Digest"
// header and a watchdog that closes a request stalled for TimeoutMs.
//
// Used by one worker thread at a time (the list worker or the download
// worker); only ReceivedSize is read from elsewhere.
class CUrlDownload : public CDownload {
public:
  static constexpr int TIMEOUT_MS = 30000;
  static constexpr int RESPONSE_HEAD_SIZE = 2048;
  // A host that keeps redirecting is not followed past this many in a row.
  static constexpr int MAX_REDIRECTS = 10;

  enum EAccessMode { ACCESS_NONE = 0, ACCESS_DIRECT = 1, ACCESS_PROXY = 2, ACCESS_PRECONFIG = 3 };

  // The logger must outlive the object.
  explicit CUrlDownload(CLogWriter& logger);
  ~CUrlDownload() override;

  int init() override;
  void Close() override;
  std::int64_t DownloadToSink(const QString& url, CBodySink& sink, const CBodyRules& rules = {}) override;
  int DownloadToBytes(const QString& url, QByteArray& bytes) override;
  void GetResponseHead(QString& text) override;
  std::int64_t GetReceivedSize() const override { return ReceivedSize.load(std::memory_order_relaxed); }
  void ClearReceivedSize() override { ReceivedSize.store(0, std::memory_order_relaxed); }
  // Why the last DownloadToSink could not trust the server's certificate;
  // empty when it had no such trouble. The calling worker thread only.
  const QString& GetCertificateProblem() const { return CertificateProblem; }
  // Every address the last DownloadToFile sent its request to, redirects
  // included, in order. The calling worker thread only.
  const QStringList& GetFetchedFrom() const { return FetchedFrom; }
  // Any thread: body bytes received since the object was made, over every
  // request; a watcher tells a slow but steady transfer from a trickle.
  std::int64_t GetTotalReceived() const override { return TotalReceived.load(std::memory_order_relaxed); }
  int GetLastStatus() const override { return LastStatus; }
  std::unique_ptr<CDownload> MakeSibling() const override;

  void UsePreconfiguredAccess();
  int Connect();
  void Disconnect();

  // Another access mode than the preconfigured one (tests use the direct
  // one so that no proxy of the environment gets between them and the host).
  void SetAccess(int mode, const QString& proxyServer);
  int GetAccessMode() const { return AccessMode.load(); }
  int GetConnectState() const { return ConnectState.load(); }
  bool HasSession() const { return Session != nullptr; }
  // The watchdog's limit per send or read; tests shorten it.
  void SetTimeoutMs(int milliseconds) { TimeoutMs = milliseconds; }
  // At most this many body bytes per second (0: no limit), for every
  // request from now on: libcurl's limit on each request, and the same
  // rate kept over all of them. Set before a worker uses the object.
  void SetMaxReceiveRate(std::int64_t bytesPerSecond) override;
  std::int64_t GetMaxReceiveRate() const override { return MaxReceiveRate.load(std::memory_order_relaxed); }
  // Tests watch the rate's waits on their own clock.
  void SetPacerTime(CRatePacer::Clock clock, CRatePacer::Sleeper sleeper) {
    Pacer.SetTime(std::move(clock), std::move(sleeper));
  }

  // Any thread: closes the running request, so a send or read waiting in
  // the worker fails at once, and fails every attempt that would follow
  // until AllowRequests. A stop that falls between two parts is not lost.
  void AbortRequests() override;
  // Before a worker starts using the object again.
  void AllowRequests() override { RequestsAborted.store(0); }
  bool AreRequestsAborted() const { return RequestsAborted.load() != 0; }

private:
  // A body in memory is counted in a 32-bit result.
  static inline const QString BODY_TOO_LONG_TEXT = QStringLiteral("The response body is longer than 2147483647 bytes.");

  // ATTEMPT_WHOLE_AGAIN: a resume the host answered otherwise than with
  // the rest asked for; the file was emptied and the whole body follows.
  enum EAttemptEnd { ATTEMPT_ENDED, ATTEMPT_REDIRECTED, ATTEMPT_WHOLE_AGAIN };

  // The state of one DownloadToSink call that its attempts share.
  struct CCall {
    CBodySink* Sink = nullptr;
    CBodyRules Rules;
    QString Query;
    std::int64_t Result = -1;
    int Retry = 1;
    bool HeadCaptured = false;
    QString Location;
    std::int64_t ResumeFrom = 0;  // what is still kept of the file
  };

  EAttemptEnd RunAttempt(const CHttpUrl& address, CCall& call, CDownloadTimeoutThread& watchdog);
  EAttemptEnd Exchange(CHttpRequest& request, CCall& call, CDownloadTimeoutThread& watchdog);
  void ReceiveBody(CHttpRequest& request, CCall& call, CDownloadTimeoutThread& watchdog);
  bool IsTheRestAsked(const CHttpRequest& request, const CCall& call) const;
  EAttemptEnd StartAfresh(CCall& call);
  void CheckDigest(const QString& digestText, CCall& call);
  void ReportFileFailure(const QString& errorText) const;
  // The worker publishes its request while it runs, so AbortRequests can
  // reach it; the lock keeps it alive while another thread closes it.
  void SetRunningRequest(CHttpRequest* request);

  std::atomic<std::int32_t> ConnectState{0};
  std::atomic<std::int64_t> ReceivedSize{0};
  std::atomic<std::int64_t> TotalReceived{0};
  QString ProxyServer;
  std::atomic<std::int32_t> AccessMode{ACCESS_NONE};
  int SessionMode = ACCESS_NONE;  // the access the session was opened with
  int LastStatus = 0;             // the calling worker thread only
  std::unique_ptr<CHttpSession> Session;
  QString AgentName;
  std::array<char, RESPONSE_HEAD_SIZE> ResponseHead{};
  CLogWriter& Logger;
  int TimeoutMs = TIMEOUT_MS;
  std::mutex RunningLock;
  CHttpRequest* RunningRequest = nullptr;
  std::atomic<std::int32_t> RequestsAborted{0};
  QString CertificateProblem;
  QStringList FetchedFrom;
  // A lane's worker sets its share while the page may read it.
  std::atomic<std::int64_t> MaxReceiveRate{0};
  CRatePacer Pacer;
};
