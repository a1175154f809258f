#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

// What the host was asked and what it answered. The record is made when the
// request arrives (so a stalled request is already visible); Status is set
// when the answer is chosen and BytesSent when its body has gone out.
struct CHostRequest {
  std::string Method;
  std::string Path;
  std::string Target;  // the path with its "?query" as sent
  std::string Body;
  std::vector<std::pair<std::string, std::string>> Headers;
  int Endpoint = 0;  // an EHostEndpoint bit
  std::string PurchaseNo;
  std::string ReqId;
  bool TestFlag = false;
  int Status = 0;
  std::int64_t BytesSent = 0;
  bool Finished = false;

  // The first header of that name (case-insensitive), empty when absent.
  std::string GetHeader(const std::string& name) const;
  bool HasHeader(const std::string& name) const;
};

// Filled by the server's worker threads, read by the test thread.
class CHostRequestRecord {
public:
  int Add(const CHostRequest& request);  // returns its index
  void SetStatus(int index, int status);
  void Finish(int index, std::int64_t bytesSent);

  std::vector<CHostRequest> GetAll() const;
  // Requests to any of the endpoints (and for that REQID unless empty).
  int Count(int endpoints, const std::string& reqId = std::string()) const;
  // Waits until Count reaches count or the time is up; false on time-out.
  bool WaitForCount(int endpoints, int count, std::chrono::milliseconds timeout,
                    const std::string& reqId = std::string()) const;
  // Waits until every recorded request has finished sending.
  bool WaitForFinished(std::chrono::milliseconds timeout) const;
  void Clear();

private:
  int CountLocked(int endpoints, const std::string& reqId) const;

  mutable std::mutex Lock;
  mutable std::condition_variable Changed;
  std::vector<CHostRequest> Requests;
  std::size_t Cleared = 0;  // indexes stay valid across Clear
};
