#pragma once

#include "platform/FileIdentity.h"
#include "transfer/BodySink.h"
#include "transfer/MD5Context.h"

#include <optional>

class CAssemblyCopy;
class CDigestPipeline;

// The executer's sink for one part: the part's file in the working folder,
// and on the way the digest pipeline and, when given, the product being
// assembled. Every byte the file holds at the end goes through the digest,
// which starts again whenever the file does: the part's own digest from
// nothing, the product's from productBefore (when given). The bytes a
// resumed file keeps are read once at Begin, so the digest and the copy
// cover the whole part in the end.
//
// The bytes are read straight into the hashing thread's buffers. Used on
// the download worker.
class CPartSink : public CFileSink {
public:
  CPartSink(const QString& path, CDigestPipeline& digest, const std::optional<CMD5Context>& productBefore,
            CAssemblyCopy* assembly);

  bool Begin(std::int64_t keep, QString& errorText) override;
  std::span<char> NextBuffer() override;
  bool Write(std::span<const char> bytes, QString& errorText) override;
  bool End(QString& errorText) override;

  // The file's identity as it was closed; empty when that cannot be told
  // for sure, or when not every byte could be written.
  const CFileIdentity& GetClosedIdentity() const { return ClosedIdentity; }
  // The closing reported a failure: the file may not hold what went
  // through the digest.
  bool HasCloseFailed() const { return CloseFailed; }

private:
  bool SeedFromKeptBytes(std::int64_t keep, QString& errorText);

  CDigestPipeline& Digest;
  const std::optional<CMD5Context> ProductBefore;
  CAssemblyCopy* const Assembly;
  bool WriteFailed = false;
  bool CloseFailed = false;
  CFileIdentity ClosedIdentity;
};
