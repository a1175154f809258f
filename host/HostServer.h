#pragma once

#include "host/HostFault.h"
#include "host/HostRequestRecord.h"
#include "host/HostWaiter.h"

#include <QString>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

class CHostCatalog;

// The download host's HTTP side: the list and body scripts over a catalog,
// with the fault rules and the record of requests. Start binds (port 0: any
// free port) and serves on a thread of its own with a pool of workers;
// Stop, also called by the destructor, ends every delay and stall at once
// and joins all of them.
class CHostServer {
public:
  struct COptions {
    QString BindAddress = QStringLiteral("127.0.0.1");
    int Port = 0;
    int Threads = 16;  // stalled answers hold a worker each
    // A client that stops reading fails the write after this long.
    int WriteTimeoutSeconds = 30;
    std::FILE* LogStream = nullptr;  // one line per answer; none when null
    // Both given: HTTPS only, with this certificate (PEM, the chain after
    // it) and its private key.
    QString TlsCertFile;
    QString TlsKeyFile;
    // A part request with "Range: bytes=N-" gets the rest of the part (206);
    // off, every part goes whole (200).
    bool Ranges = true;
    // Not empty: a part that may be fetched is handed to the web server in
    // front under this internal location (X-Accel-Redirect, no body), which
    // then answers any Range itself.
    QString AccelRedirect;
    // Above 0: a part asked for while this many part bodies are being sent
    // already gets BusyStatus instead, as a host that allows each customer
    // a few connections answers.
    int BusyAbove = 0;
    int BusyStatus = 503;
  };

  explicit CHostServer(CHostCatalog& catalog);
  ~CHostServer();
  CHostServer(const CHostServer&) = delete;
  CHostServer& operator=(const CHostServer&) = delete;

  bool Start(const COptions& options, QString* error = nullptr);
  void Stop();
  bool IsRunning() const;
  int GetPort() const { return Port.load(); }
  QString GetBaseUrl() const;  // "http://127.0.0.1:<port>", or https
  bool IsSecure() const;

  CHostFaultPlan& GetFaults() { return Faults; }
  const CHostFaultPlan& GetFaults() const { return Faults; }
  CHostRequestRecord& GetRequests() { return Requests; }
  const CHostRequestRecord& GetRequests() const { return Requests; }
  CHostWaiter& GetWaiter() { return Waiter; }
  // Connections accepted since the object was made.
  int GetConnectionCount() const { return Connections.load(); }
  // The most part bodies that were being sent at once since the start.
  int GetPeakOpenBodies() const { return PeakOpenBodies.load(); }
  // As COptions::BusyAbove and BusyStatus, from now on; 0 ends it.
  void SetBusyAbove(int bodies, int status = 503) {
    BusyStatus.store(status);
    BusyAbove.store(bodies);
  }

  // The short UTF-16LE text a list request with an unknown purchase gets.
  static QByteArray ErrorAnswer();

private:
  struct CImpl;
  static constexpr int KEEP_ALIVE_REQUESTS = 100;
  static constexpr int KEEP_ALIVE_SECONDS = 2;

  QString GetHostAndPort() const;

  CHostCatalog& Catalog;
  CHostFaultPlan Faults;
  CHostRequestRecord Requests;
  CHostWaiter Waiter;
  std::unique_ptr<CImpl> Impl;
  std::thread ListenThread;
  COptions Options;
  // Read by the serving threads and by callers on any thread while Stop clears it.
  std::atomic<int> Port{0};
  std::atomic<int> Connections{0};
  std::atomic<int> OpenBodies{0};
  std::atomic<int> PeakOpenBodies{0};
  std::atomic<int> BusyAbove{0};
  std::atomic<int> BusyStatus{503};
};
