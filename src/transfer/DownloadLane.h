#pragma once

#include "platform/FileIdentity.h"
#include "transfer/AssemblyCopy.h"
#include "transfer/DigestPipeline.h"

#include <atomic>
#include <cstdint>
#include <memory>

class CDownload;

// One of the executer's lanes: a transfer with its own connections, and the
// digest pipeline and assembly copy of the part it fetches. The first lane
// uses the application's transfer; the others own theirs. A lane fetches one
// part at a time, on one thread at a time.
struct CDownloadLane {
  CDownload* Transfer = nullptr;
  std::unique_ptr<CDownload> OwnTransfer;
  CDigestPipeline Digest;
  CAssemblyCopy Assembly;
  CFileIdentity ClosedIdentity;  // of the part file last written
  bool CloseFailed = false;      // closing the part file last written
  // The product's digest and assembly go along with the part when it
  // follows the parts before it; lanes side by side leave them to
  // CProductCatchUp.
  bool CarriesProduct = true;
  // The part being fetched, 0 for none; the transfer's received size
  // belongs to it from the moment it is set. Read from the UI thread. The
  // first lane's is the executer's RunningPart.
  std::atomic<std::int32_t> OwnRunningPart{0};
  std::atomic<std::int32_t>* RunningPart = &OwnRunningPart;
};
