#pragma once

// A download host inside the test process: a scratch catalog and a server
// on 127.0.0.1 at a free port, both gone with the object (the destructor
// ends every delay and stall and joins the server's threads).
//
//   CLoopbackHost host;                              // already serving
//   CHostPublishOptions options;
//   options.SoftwareName = "Demo";
//   options.ProductNo = 7;
//   options.FileName = "demo.bin";
//   options.PartSize = 300000;
//   options.Purchases = {{"1234", "secret key"}};
//   const CHostPublished product = host.Publish(bytes, options);  // or PublishFile(path, options)
//   // product.Files[1].FileName == "demo.bin.001", product.Files[1].Digest ...
//
//   // The first two body requests for part 2 lose their connection after 1000 bytes.
//   const int rule = host.AddFault(HOST_ANY_BODY, "demo.bin.002", 2, CHostFault::Drop(1000));
//
//   const QString listUrl = RequestAddress(IDS_LIST_URL, host.GetBaseUrl(), 1234, "secret key");
//   ... the code under test fetches ...
//
//   EXPECT_EQ(host.GetFaultHits(rule), 2);
//   EXPECT_EQ(host.CountRequests(HOST_LIST_U8), 1);
//   for (const CHostRequest& request : host.GetRequests()) ... request.Body, request.GetHeader("Digest")
//
// Stalls with no time (CHostFault::Stall(k)) last until ReleaseStalls() or
// the host stops; WaitForStalled(n, timeout) tells when they have begun.

#include "host/HostCatalog.h"
#include "host/HostFault.h"
#include "host/HostPublisher.h"
#include "host/HostRequestRecord.h"
#include "host/HostServer.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <chrono>
#include <string>
#include <vector>

class CLoopbackHost {
public:
  CLoopbackHost();
  explicit CLoopbackHost(const CHostServer::COptions& options);
  ~CLoopbackHost();
  CLoopbackHost(const CLoopbackHost&) = delete;
  CLoopbackHost& operator=(const CLoopbackHost&) = delete;

  bool IsRunning() const { return Server.IsRunning(); }
  QString GetBaseUrl() const { return Server.GetBaseUrl(); }
  int GetPort() const { return Server.GetPort(); }
  QString GetCatalogFolder() const { return Catalog.GetFolder(); }

  // Publishes into the catalog; on failure the test fails through the
  // returned empty ProductId and GetLastError.
  CHostPublished Publish(const QByteArray& product, const CHostPublishOptions& options);
  CHostPublished PublishFile(const QString& path, const CHostPublishOptions& options);
  QString GetLastError() const { return LastError; }

  void AddPurchase(const std::string& number, const std::string& key, const QString& productId);
  bool SetListBytes(const QString& productId, const QByteArray& list);

  int AddFault(int endpoints, const std::string& reqId, int count, const CHostFault& fault);
  int GetFaultHits(int ruleId) const { return Server.GetFaults().GetHits(ruleId); }
  void ClearFaults() { Server.GetFaults().Clear(); }

  std::vector<CHostRequest> GetRequests() const { return Server.GetRequests().GetAll(); }
  int CountRequests(int endpoints, const std::string& reqId = std::string()) const {
    return Server.GetRequests().Count(endpoints, reqId);
  }
  bool WaitForRequests(int endpoints, int count, std::chrono::milliseconds timeout) const {
    return Server.GetRequests().WaitForCount(endpoints, count, timeout);
  }
  void ClearRequests() { Server.GetRequests().Clear(); }
  int CountConnections() const { return Server.GetConnectionCount(); }
  int PeakOpenBodies() const { return Server.GetPeakOpenBodies(); }
  void SetBusyAbove(int bodies, int status = 503) { Server.SetBusyAbove(bodies, status); }

  bool WaitForStalled(int count, std::chrono::milliseconds timeout) {
    return Server.GetWaiter().WaitForStalled(count, timeout);
  }
  void ReleaseStalls() { Server.GetWaiter().ReleaseStalls(); }

  CHostCatalog& GetCatalog() { return Catalog; }
  CHostServer& GetServer() { return Server; }

private:
  QTemporaryDir Folder;
  CHostCatalog Catalog;
  CHostServer Server;
  QString LastError;
};
