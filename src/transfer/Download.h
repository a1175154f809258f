#pragma once

#include "platform/FileIdentity.h"
#include "transfer/MD5Context.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <cstdint>
#include <optional>

class CAssemblyCopy;
class CDigestPipeline;

// How a body may reach its file. A part goes into the working folder the
// program made itself, which must be a real folder, and is never longer than
// its size plus one byte: more than that is a wrong length already, and a
// lying host must not fill the disk.
//
// A part is also hashed as it is written, so nobody has to read it back:
// every byte the file holds at the end goes through Digest, which starts
// again whenever the file does, the part's own digest from nothing and the
// product's from ProductBefore (when given). ClosedIdentity receives the
// file's identity as it was closed, or an empty one when that cannot be
// told for sure. Assembly, when given, gets a second copy of the same bytes.
//
// With ResumeFrom, the file's first ResumeFrom bytes are kept and only the
// rest is asked for ("Range: bytes=N-"); the answer is appended only when
// it is a 206 whose Content-Range is exactly the rest of WholeSize bytes.
// Any other answer starts the file afresh with the whole body. The result
// then counts the kept bytes too: it is the file's length.
struct CBodyFileRules {
  std::int64_t MaxBodyBytes = -1;  // -1: no limit
  bool FolderMustBeReal = false;
  CDigestPipeline* Digest = nullptr;
  std::optional<CMD5Context> ProductBefore;
  CFileIdentity* ClosedIdentity = nullptr;
  CAssemblyCopy* Assembly = nullptr;
  std::int64_t ResumeFrom = 0;  // needs FolderMustBeReal
  std::int64_t WholeSize = -1;
};

// What a transfer offers the list and download workers: fetch one address
// into a file (or into memory), optionally checked against the digest the
// host sends with it. The base class does nothing and reports failure.
class CDownload {
public:
  CDownload() = default;
  virtual ~CDownload() = default;
  CDownload(const CDownload&) = delete;
  CDownload& operator=(const CDownload&) = delete;

  virtual int init() { return 0; }
  virtual void Close() {}
  // -1: no usable answer; 0: digest mismatch or empty body; n: bytes written.
  virtual int DownloadToFile(const QString& url, const QString& path, const CBodyFileRules& rules = {});
  virtual int DownloadToBytes(const QString& url, QByteArray& bytes);
  virtual void GetResponseHead(QString& text);
  virtual int GetReceivedSize() const { return -1; }

  // 1 turns the check of the "Digest" header on; anything else turns it off.
  void SetDigestCheck(int flag) { DigestCheck.store(flag); }
  void GetDigestBytes(QByteArray& bytes) const { bytes = DigestBytes; }

protected:
  std::atomic<std::int32_t> DigestCheck{0};
  QByteArray DigestBytes;  // of the last checked response
};
