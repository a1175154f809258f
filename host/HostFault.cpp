#include "host/HostFault.h"

CHostFault CHostFault::Delay(int milliseconds) {
  CHostFault fault;
  fault.Kind = EHostFaultKind::DELAY;
  fault.Milliseconds = milliseconds;
  return fault;
}

CHostFault CHostFault::Stall(std::int64_t afterBytes, int milliseconds) {
  CHostFault fault;
  fault.Kind = EHostFaultKind::STALL;
  fault.AfterBytes = afterBytes;
  fault.Milliseconds = milliseconds;
  return fault;
}

CHostFault CHostFault::Drop(std::int64_t afterBytes) {
  CHostFault fault;
  fault.Kind = EHostFaultKind::DROP;
  fault.AfterBytes = afterBytes;
  return fault;
}

CHostFault CHostFault::Status(int status) {
  CHostFault fault;
  fault.Kind = EHostFaultKind::STATUS;
  fault.StatusCode = status;
  return fault;
}

CHostFault CHostFault::Redirect(int status, EHostRedirect target, const std::string& location) {
  CHostFault fault;
  fault.Kind = EHostFaultKind::REDIRECT;
  fault.StatusCode = status;
  fault.Target = target;
  fault.Location = location;
  return fault;
}

CHostFault CHostFault::DigestHeader(EHostDigestFault digest) {
  CHostFault fault;
  fault.Kind = EHostFaultKind::DIGEST;
  fault.DigestFault = digest;
  return fault;
}

CHostFault CHostFault::CorruptByte(std::int64_t offset) {
  CHostFault fault;
  fault.Kind = EHostFaultKind::CORRUPT_BYTE;
  fault.AfterBytes = offset;
  return fault;
}

CHostFault CHostFault::ShortBody() {
  CHostFault fault;
  fault.Kind = EHostFaultKind::SHORT_BODY;
  return fault;
}

CHostFault CHostFault::LongBody() {
  CHostFault fault;
  fault.Kind = EHostFaultKind::LONG_BODY;
  return fault;
}

CHostFault CHostFault::EmptyBody() {
  CHostFault fault;
  fault.Kind = EHostFaultKind::EMPTY_BODY;
  return fault;
}

CHostFault CHostFault::Throttle(std::int64_t bytesPerSecond) {
  CHostFault fault;
  fault.Kind = EHostFaultKind::THROTTLE;
  fault.BytesPerSecond = bytesPerSecond;
  return fault;
}

CHostFault CHostFault::BadRange() {
  CHostFault fault;
  fault.Kind = EHostFaultKind::BAD_RANGE;
  return fault;
}

int CHostFaultPlan::Add(const CHostFaultRule& rule) {
  std::lock_guard<std::mutex> guard(Lock);
  Entries.push_back(CEntry{rule, NextId, 0});
  return NextId++;
}

std::vector<CHostFault> CHostFaultPlan::Take(int endpoint, const std::string& reqId) {
  std::vector<CHostFault> faults;
  std::lock_guard<std::mutex> guard(Lock);
  for (CEntry& entry : Entries) {
    const CHostFaultRule& rule = entry.Rule;
    if ((rule.Endpoints & endpoint) == 0) continue;
    if (!rule.ReqId.empty() && rule.ReqId != reqId) continue;
    if (rule.Count >= 0 && entry.Hits >= rule.Count) continue;
    ++entry.Hits;
    faults.push_back(rule.Fault);
  }
  return faults;
}

int CHostFaultPlan::GetHits(int ruleId) const {
  std::lock_guard<std::mutex> guard(Lock);
  for (const CEntry& entry : Entries) {
    if (entry.Id == ruleId) return entry.Hits;
  }
  return 0;
}

void CHostFaultPlan::Clear() {
  std::lock_guard<std::mutex> guard(Lock);
  Entries.clear();
}
