#include "host/HostServer.h"

#include "host/HostAccelRedirect.h"
#include "host/HostAnswer.h"
#include "host/HostBacklog.h"
#include "host/HostBodyStream.h"
#include "host/HostCatalog.h"
#include "host/HostQuery.h"
#include "host/HostRange.h"

#include <QFile>

#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <mutex>
#include <utility>

struct CHostServer::CImpl {
  std::unique_ptr<httplib::Server> Server;
  std::mutex LogLock;
  std::atomic<bool> ListenEnded{false};
};

namespace {

// The server's pool of workers, counting the connections it is handed: the
// library gives each accepted connection to the pool as one task.
class CCountingPool : public httplib::TaskQueue {
public:
  CCountingPool(std::size_t threads, std::atomic<int>& connections) : Pool(threads), Connections(connections) {}
  void enqueue(std::function<void()> task) override {
    Connections.fetch_add(1);
    Pool.enqueue(std::move(task));
  }
  void shutdown() override { Pool.shutdown(); }

private:
  httplib::ThreadPool Pool;
  std::atomic<int>& Connections;
};

std::string QueryText(const httplib::Request& request) {
  // The wizard posts the query as the body; a hand-made GET carries it in
  // the address.
  if (!request.body.empty()) return request.body;
  const std::size_t mark = request.target.find('?');
  return mark == std::string::npos ? std::string() : request.target.substr(mark + 1);
}

// A request through a proxy names the whole address ("http://name/path");
// an HTTP/1.1 server takes it as the path alone. Tests reach a host by any
// name that way without a byte leaving the machine.
std::string OriginForm(const std::string& target) {
  const std::size_t scheme = target.find("://");
  if (target.empty() || target[0] == '/' || scheme == std::string::npos) return target;
  const std::size_t path = target.find('/', scheme + 3);
  return path == std::string::npos ? std::string("/") : target.substr(path);
}

}  // namespace

CHostServer::CHostServer(CHostCatalog& catalog) : Catalog(catalog) {}

CHostServer::~CHostServer() { Stop(); }

QByteArray CHostServer::ErrorAnswer() {
  const QString text = QStringLiteral("Invalid purchase number or key");
  return QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
}

bool CHostServer::IsRunning() const { return Impl && Impl->Server->is_running(); }

bool CHostServer::IsSecure() const { return !Options.TlsCertFile.isEmpty(); }

QString CHostServer::GetBaseUrl() const {
  return QStringLiteral("%1://%2").arg(IsSecure() ? "https" : "http", GetHostAndPort());
}

QString CHostServer::GetHostAndPort() const {
  QString address = Options.BindAddress;
  if (address == QLatin1String("0.0.0.0")) address = QStringLiteral("127.0.0.1");
  return QStringLiteral("%1:%2").arg(address).arg(Port.load());
}

bool CHostServer::Start(const COptions& options, QString* error) {
  if (Impl) {
    if (error) *error = QStringLiteral("The host is already running");
    return false;
  }
  if (options.TlsCertFile.isEmpty() != options.TlsKeyFile.isEmpty()) {
    if (error) *error = QStringLiteral("HTTPS needs both a certificate and its key");
    return false;
  }
  Options = options;
  SetBusyAbove(options.BusyAbove, options.BusyStatus);
  Waiter.Reset();
  Impl = std::make_unique<CImpl>();
  if (IsSecure()) {
    const QByteArray cert = QFile::encodeName(options.TlsCertFile);
    const QByteArray key = QFile::encodeName(options.TlsKeyFile);
    Impl->Server = std::make_unique<httplib::SSLServer>(cert.constData(), key.constData());
  } else {
    Impl->Server = std::make_unique<httplib::Server>();
  }
  if (!Impl->Server->is_valid()) {
    if (error)
      *error = QStringLiteral("Cannot use the certificate %1 with the key %2").arg(options.TlsCertFile, options.TlsKeyFile);
    Impl.reset();
    return false;
  }
  httplib::Server& server = *Impl->Server;
  const int threads = options.Threads;
  server.new_task_queue = [this, threads] { return new CCountingPool(static_cast<std::size_t>(threads), Connections); };
  // Clients keep a connection for the requests that follow, as a real host
  // lets them. A worker idles on such a socket until the client closes it
  // or for the time below, and stopping waits that long for it at most.
  server.set_keep_alive_max_count(KEEP_ALIVE_REQUESTS);
  server.set_keep_alive_timeout(KEEP_ALIVE_SECONDS);
  server.set_write_timeout(options.WriteTimeoutSeconds, 0);
  server.set_payload_max_length(64 * 1024);

  // Runs on the server's worker threads.
  const auto handler = [this](const httplib::Request& request, httplib::Response& response) {
    const auto started = std::chrono::steady_clock::now();
    // The library would cut every answer to the request's range by itself,
    // keeping the status 200 and sending a wrapped length for a range past
    // the end: the host decides about ranges itself, for parts only.
    const std::string rangeHeader = request.get_header_value("Range");
    const_cast<httplib::Request&>(request).ranges.clear();
    const CHostQuery query = CHostQuery::Parse(QueryText(request));
    CHostRequest record;
    record.Method = request.method;
    const std::string path = OriginForm(request.path);
    const std::string target = OriginForm(request.target);
    record.Path = path;
    record.Target = request.target;  // as sent, so a test sees the proxy's form
    record.Body = request.body;
    for (const auto& [name, value] : request.headers) record.Headers.emplace_back(name, value);
    record.Endpoint = ClassifyHostPath(path);
    record.PurchaseNo = query.PurchaseNo;
    record.ReqId = query.ReqId;
    record.TestFlag = query.TestFlag;
    const int index = Requests.Add(record);

    const std::vector<CHostFault> faults = Faults.Take(record.Endpoint, query.ReqId);
    for (const CHostFault& fault : faults) {
      if (fault.Kind == EHostFaultKind::DELAY) Waiter.Wait(std::chrono::milliseconds(fault.Milliseconds));
    }
    CHostRequestLine line{request.method, path, target, request.get_header_value("Host")};
    if (line.HostHeader.empty()) line.HostHeader = GetHostAndPort().toStdString();
    if (IsSecure()) line.Scheme = "https";
    const CHostAnswer answer = ChooseHostAnswer(Catalog, line, record.Endpoint, query, faults);

    const auto finish = [this, index, started, record, rangeHeader](int status, std::int64_t bytes) {
      Requests.Finish(index, bytes);
      if (!Options.LogStream) return;
      const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
      const std::string range = rangeHeader.empty() ? std::string() : " range=" + rangeHeader;
      std::lock_guard<std::mutex> guard(Impl->LogLock);
      std::fprintf(Options.LogStream, "%s %s NO=%s REQID=%s %d %lld bytes %lld ms%s\n", record.Method.c_str(),
                   record.Path.c_str(), record.PurchaseNo.c_str(), record.ReqId.c_str(), status,
                   static_cast<long long>(bytes), static_cast<long long>(took.count()), range.c_str());
      std::fflush(Options.LogStream);
    };

    for (const auto& [name, value] : answer.Headers) {
      if (name != "Content-Type") response.set_header(name, value);
    }
    const auto sendWhole = [&](int status, const QByteArray& bytes, const char* contentType) {
      response.status = status;
      response.set_content(bytes.constData(), static_cast<std::size_t>(bytes.size()), contentType);
      Requests.SetStatus(index, status);
      finish(status, bytes.size());
    };
    if (answer.Status != 200) return sendWhole(answer.Status, answer.Bytes, "text/plain");
    if (answer.IsPart() && !Options.AccelRedirect.isEmpty()) {
      for (const auto& [name, value] : AccelRedirectHeaders(Options.AccelRedirect.toStdString(), answer, faults))
        response.set_header(name, value);
      return sendWhole(200, QByteArray(), "application/octet-stream");
    }
    CHostRange range;
    if (answer.IsPart()) {
      const bool wrongRange = std::any_of(faults.begin(), faults.end(),
                                          [](const CHostFault& fault) { return fault.Kind == EHostFaultKind::BAD_RANGE; });
      range = ChooseHostRange(rangeHeader, answer.PartSize, Options.Ranges, wrongRange);
    }
    if (range.Kind == CHostRange::UNSATISFIABLE) {
      response.set_header("Content-Range", range.ContentRange);
      return sendWhole(416, QByteArray("Range Not Satisfiable\n"), "text/plain");
    }
    const auto stream = answer.IsPart()
                            ? std::make_shared<CHostBodyStream>(answer.PartPath, answer.PartSize, faults, Waiter)
                            : std::make_shared<CHostBodyStream>(answer.Bytes, faults, Waiter);
    if (!stream->Open()) {
      response.headers.clear();
      return sendWhole(500, QByteArray("Cannot read the part\n"), "text/plain");
    }
    const int status = range.Kind == CHostRange::PARTIAL ? 206 : 200;
    if (status == 206) {
      stream->SetStart(range.Start);
      response.set_header("Content-Range", range.ContentRange);
    }
    // httplib takes a provider of length 0 for one without a length and
    // would wait for its end, so an empty body goes out whole.
    if (stream->GetContentLength() == 0) return sendWhole(status, QByteArray(), "application/octet-stream");
    // A part's body counts as open from here until its last byte is sent
    // or its client has gone.
    const int open = OpenBodies.fetch_add(1) + 1;
    const int busyAbove = BusyAbove.load();
    if (busyAbove > 0 && open > busyAbove) {
      OpenBodies.fetch_sub(1);
      response.headers.clear();
      return sendWhole(BusyStatus.load(), QByteArray("Too many connections\n"), "text/plain");
    }
    for (int peak = PeakOpenBodies.load(); open > peak && !PeakOpenBodies.compare_exchange_weak(peak, open);) {
    }
    response.status = status;
    Requests.SetStatus(index, status);
    response.set_content_provider(
        static_cast<std::size_t>(stream->GetContentLength()), "application/octet-stream",
        [stream](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
          return stream->Provide(static_cast<std::int64_t>(offset), static_cast<std::int64_t>(length),
                                 [&sink](const char* data, std::size_t size) { return sink.write(data, size); });
        },
        [this, stream, finish, status](bool) {
          OpenBodies.fetch_sub(1);
          finish(status, stream->GetBytesSent());
        });
  };
  server.Get(".*", handler);
  server.Post(".*", handler);

  const std::string address = options.BindAddress.toStdString();
  Port = options.Port == 0 ? server.bind_to_any_port(address)
                           : (server.bind_to_port(address, options.Port) ? options.Port : -1);
  if (Port.load() <= 0) {
    if (error) *error = QStringLiteral("Cannot listen on %1:%2").arg(options.BindAddress).arg(options.Port);
    Impl.reset();
    Port = 0;
    return false;
  }
  WidenListenBacklog(Port.load());
  ListenThread = std::thread([this, &server] {
    server.listen_after_bind();
    Impl->ListenEnded = true;
  });
  // Stop only works once the accept loop runs; the socket is bound already,
  // so this is a short wait that does not decide any test's outcome.
  while (!server.is_running() && !Impl->ListenEnded) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return true;
}

void CHostServer::Stop() {
  if (!Impl) return;
  Waiter.Stop();
  Impl->Server->stop();
  if (ListenThread.joinable()) ListenThread.join();
  Impl.reset();
  Port = 0;
}
