#include "host/HostRequestRecord.h"

#include <strings.h>

std::string CHostRequest::GetHeader(const std::string& name) const {
  for (const auto& header : Headers) {
    if (strcasecmp(header.first.c_str(), name.c_str()) == 0) return header.second;
  }
  return std::string();
}

bool CHostRequest::HasHeader(const std::string& name) const {
  for (const auto& header : Headers) {
    if (strcasecmp(header.first.c_str(), name.c_str()) == 0) return true;
  }
  return false;
}

int CHostRequestRecord::Add(const CHostRequest& request) {
  std::lock_guard<std::mutex> guard(Lock);
  Requests.push_back(request);
  Changed.notify_all();
  return static_cast<int>(Cleared + Requests.size() - 1);
}

void CHostRequestRecord::SetStatus(int index, int status) {
  std::lock_guard<std::mutex> guard(Lock);
  if (static_cast<std::size_t>(index) < Cleared) return;
  const std::size_t at = static_cast<std::size_t>(index) - Cleared;
  if (at < Requests.size()) Requests[at].Status = status;
  Changed.notify_all();
}

void CHostRequestRecord::Finish(int index, std::int64_t bytesSent) {
  std::lock_guard<std::mutex> guard(Lock);
  if (static_cast<std::size_t>(index) < Cleared) return;
  const std::size_t at = static_cast<std::size_t>(index) - Cleared;
  if (at < Requests.size()) {
    Requests[at].BytesSent = bytesSent;
    Requests[at].Finished = true;
  }
  Changed.notify_all();
}

std::vector<CHostRequest> CHostRequestRecord::GetAll() const {
  std::lock_guard<std::mutex> guard(Lock);
  return Requests;
}

int CHostRequestRecord::CountLocked(int endpoints, const std::string& reqId) const {
  int count = 0;
  for (const CHostRequest& request : Requests) {
    if ((request.Endpoint & endpoints) != 0 && (reqId.empty() || request.ReqId == reqId)) ++count;
  }
  return count;
}

int CHostRequestRecord::Count(int endpoints, const std::string& reqId) const {
  std::lock_guard<std::mutex> guard(Lock);
  return CountLocked(endpoints, reqId);
}

bool CHostRequestRecord::WaitForCount(int endpoints, int count, std::chrono::milliseconds timeout,
                                      const std::string& reqId) const {
  std::unique_lock<std::mutex> guard(Lock);
  return Changed.wait_for(guard, timeout, [&] { return CountLocked(endpoints, reqId) >= count; });
}

bool CHostRequestRecord::WaitForFinished(std::chrono::milliseconds timeout) const {
  std::unique_lock<std::mutex> guard(Lock);
  return Changed.wait_for(guard, timeout, [&] {
    for (const CHostRequest& request : Requests) {
      if (!request.Finished) return false;
    }
    return true;
  });
}

void CHostRequestRecord::Clear() {
  std::lock_guard<std::mutex> guard(Lock);
  Cleared += Requests.size();
  Requests.clear();
  Changed.notify_all();
}
