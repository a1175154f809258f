#pragma once

#include "transfer/WriteFailure.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>

class CBodySink;

// How much of a body is wanted. Never more than MaxBodyBytes go to the
// sink: more than that is a wrong length already, and a lying host must not
// fill the disk.
//
// With ResumeFrom, the sink's first ResumeFrom bytes are kept and only the
// rest is asked for ("Range: bytes=N-"); the answer is appended only when
// it is a 206 whose Content-Range is exactly the rest of WholeSize bytes.
// Any other answer starts the sink afresh with the whole body. The result
// then counts the kept bytes too: it is the file's length.
struct CBodyRules {
  std::int64_t MaxBodyBytes = -1;  // -1: no limit
  std::int64_t ResumeFrom = 0;
  std::int64_t WholeSize = -1;
};

// What a transfer offers the list and download workers: fetch one address
// into a sink (or a file, or memory), optionally checked against the digest
// the host sends with it. The base class does nothing and reports failure.
class CDownload {
public:
  CDownload() = default;
  virtual ~CDownload() = default;
  CDownload(const CDownload&) = delete;
  CDownload& operator=(const CDownload&) = delete;

  virtual int init() { return 0; }
  virtual void Close() {}
  // -1: no usable answer; 0: digest mismatch or empty body; n: bytes written.
  virtual std::int64_t DownloadToSink(const QString& url, CBodySink& sink, const CBodyRules& rules = {});
  // The body into a file of its own, never through a link.
  std::int64_t DownloadToFile(const QString& url, const QString& path);
  virtual int DownloadToBytes(const QString& url, QByteArray& bytes);
  virtual void GetResponseHead(QString& text);
  virtual std::int64_t GetReceivedSize() const { return -1; }
  // Any thread: the received size reads 0 until the next download's bytes.
  virtual void ClearReceivedSize() {}

  // Another transfer like this one (the same access, time-out, rate and
  // reports) with connections of its own, for a part fetched beside this
  // one's; none when this one cannot make one.
  virtual std::unique_ptr<CDownload> MakeSibling() const { return nullptr; }
  // Any thread: ends the running request and refuses further ones until
  // AllowRequests.
  virtual void AbortRequests() {}
  virtual void AllowRequests() {}
  // Any thread: body bytes received over every request so far.
  virtual std::int64_t GetTotalReceived() const { return 0; }
  // The status of the host's last answer to the last call; 0 without one.
  virtual int GetLastStatus() const { return 0; }
  // Bytes per second for every request from now on (0: no limit); set
  // while no request runs.
  virtual void SetMaxReceiveRate(std::int64_t) {}
  virtual std::int64_t GetMaxReceiveRate() const { return 0; }

  // 1 turns the check of the "Digest" header on; anything else turns it off.
  void SetDigestCheck(int flag) { DigestCheck.store(flag); }
  void GetDigestBytes(QByteArray& bytes) const { bytes = DigestBytes; }
  // Set before a worker uses the object.
  void SetWriteFailureReport(CWriteFailureReport report) { WriteFailureReport = std::move(report); }

protected:
  void ReportWriteFailure(const QString& reason) const {
    if (WriteFailureReport) WriteFailureReport(reason);
  }
  const CWriteFailureReport& GetWriteFailureReport() const { return WriteFailureReport; }

  std::atomic<std::int32_t> DigestCheck{0};
  QByteArray DigestBytes;  // of the last checked response

private:
  CWriteFailureReport WriteFailureReport;
};
