#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <atomic>
#include <cstddef>
#include <memory>
#include <utility>
#include <vector>

typedef void CURL;
typedef void CURLM;
struct curl_slist;
class CHttpShare;

// How a session reaches the network.
enum EHttpAccess {
  HTTP_ACCESS_PRECONFIG,  // the environment's settings (http_proxy, no_proxy)
  HTTP_ACCESS_DIRECT,     // no proxy at all
  HTTP_ACCESS_PROXY,      // through the given proxy server
};

struct CHttpRequestSettings {
  EHttpAccess Access = HTTP_ACCESS_PRECONFIG;
  QString ProxyServer;
  QString Agent;  // no user-agent header when empty
  QString Verb;   // "GET" or "POST"
  bool Secure = false;  // https, the server's certificate and name checked
  QString Server;
  int Port = 80;
  QString Object;
  // libcurl's receive-speed limit in bytes per second; 0: none.
  qint64 MaxReceiveBytesPerSecond = 0;
  // The connections and TLS sessions of the requests before; none: a
  // connection of its own.
  std::shared_ptr<CHttpShare> Share;
};

// One HTTP or HTTPS request, on a kept-alive connection of its session
// when there is one, else on a new one. Redirects are not
// followed, nothing is cached, and only the no-cache headers are added to
// what the caller sends.
//
// Over HTTPS the server's certificate is always checked, against the
// system's trust store or, as the curl command line does, the file named by
// CURL_CA_BUNDLE or SSL_CERT_FILE and the folder named by SSL_CERT_DIR.
//
// The request is driven on the thread that calls Send and Read (a worker);
// Close may be called from any other thread while the object exists, and a
// Send or Read waiting for the network then fails at once with CLOSED_TEXT.
class CHttpRequest {
public:
  // The error code of a response header that is not there, as the log
  // lines of the transfer have always shown it.
  static constexpr int HTTP_ERROR_HEADER_NOT_FOUND = 12150;
  static inline const QString CLOSED_TEXT = QStringLiteral("The operation was canceled.");

  explicit CHttpRequest(const CHttpRequestSettings& settings);
  ~CHttpRequest();
  CHttpRequest(const CHttpRequest&) = delete;
  CHttpRequest& operator=(const CHttpRequest&) = delete;

  // Before Send: asks for the body from this byte on ("Range: bytes=N-").
  void SetRangeFrom(qint64 offset);
  // Sends the request with body as its content and waits for the response
  // head. False with the reason in errorText when that fails.
  bool Send(const QByteArray& body, QString& errorText);
  int GetStatusCode() const { return Status; }
  // After a failed Send: why the server's certificate could not be
  // verified, as the TLS library words it; empty when that was not the
  // reason.
  QString GetCertificateProblem() const;
  // The first response header of that name (any case).
  bool QueryHeader(const QString& name, QString& value) const;
  // Waits for body bytes and returns what has arrived, up to size; 0 at the
  // end of the body; -1 with the reason in errorText on a failure.
  int Read(char* buffer, int size, QString& errorText);
  // Any thread.
  void Close();
  bool IsClosed() const { return Closed.load(); }

private:
  static std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* self);
  static std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* self);
  std::size_t TakeHeader(const char* data, std::size_t length);
  std::size_t TakeBody(const char* data, std::size_t length);
  void Drive();
  void Wait();
  void TakePending();
  void HoldBack(const char* data, std::size_t length);
  std::size_t GetPendingSize() const { return Pending.size() - PendingOffset; }
  QString DoneText() const;

  std::shared_ptr<CHttpShare> Share;  // outlives Easy, which uses it
  CURLM* Multi = nullptr;
  CURL* Easy = nullptr;
  curl_slist* Headers = nullptr;
  bool Added = false;
  bool IsPost = false;
  int PollMs;
  QByteArray Body;  // libcurl reads it in place while sending
  char ErrorBuffer[256] = {};
  std::atomic<bool> Closed{false};

  int Status = 0;
  bool HeadComplete = false;
  std::vector<std::pair<QByteArray, QByteArray>> ResponseHeaders;
  bool Done = false;
  int DoneResult = 0;
  QString DriveError;

  // The body goes straight into the reader's buffer; whatever does not fit
  // waits in Pending, and libcurl is paused while Pending is full so that a
  // slow reader never makes us hold more than a few chunks. Pending keeps
  // its memory for the life of the request: the bytes held back at a chunk
  // border come on every read, and fresh pages for each would cost more
  // than the whole transfer.
  char* Target = nullptr;
  std::size_t TargetSize = 0;
  std::size_t TargetFilled = 0;
  std::vector<char> Pending;
  std::size_t PendingOffset = 0;
  bool WritePaused = false;
};
