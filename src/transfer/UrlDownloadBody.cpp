#include "transfer/UrlDownload.h"

#include "log/Log.h"
#include "log/PurchaseKeyMask.h"
#include "platform/FileIdentity.h"
#include "platform/HttpRequest.h"
#include "platform/NoFollowFile.h"
#include "transfer/AssemblyCopy.h"
#include "transfer/DigestPipeline.h"
#include "transfer/DownloadTimeoutThread.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>

// The body of a 200 (or of a 206 with the rest of a part) on its way into
// the file, the digest pipeline and the product's assembly. Runs on the
// calling worker thread.

namespace {

const QString BODY_LONGER_THAN_EXPECTED_TEXT = QStringLiteral("The response body is longer than the file it should be.");

}  // namespace

// The rest of the part from the byte asked for, and the part's size as the
// caller knows it: nothing else is appended to what the file keeps.
bool CUrlDownload::IsTheRestAsked(const CHttpRequest& request, const CCall& call) const {
  QString contentRange;
  request.QueryHeader(QStringLiteral("Content-Range"), contentRange);
  const QString expected = QStringLiteral("bytes %1-%2/%3")
                               .arg(call.ResumeFrom)
                               .arg(call.Rules.WholeSize - 1)
                               .arg(call.Rules.WholeSize);
  if (contentRange.trimmed() == expected) return true;
  LogWarning(Logger, "Unusable range answer:Content-Range=%s", contentRange);
  return false;
}

// The host answered the range otherwise than with the rest asked for: what
// the file kept is given up and the whole body is asked for.
CUrlDownload::EAttemptEnd CUrlDownload::StartAfresh(CCall& call) {
  LogWarning(Logger, "Range refused:Whole file follows:%s", call.Path);
  call.ResumeFrom = 0;
  call.Retry = 1;
  QFile file;
  QString error;
  if (OpenForWritingInRealFolder(file, call.Path, error)) file.close();
  return ATTEMPT_WHOLE_AGAIN;
}

// The bytes the file keeps go through the digest and into the assembly
// first, read once, so both cover the whole part in the end.
bool CUrlDownload::SeedFromKeptBytes(CCall& call, QString& errorText) {
  CDigestPipeline* digest = call.Rules.Digest;
  CAssemblyCopy* assembly = call.Rules.Assembly;
  if (!digest && !assembly) return true;
  QFile kept(call.Path);
  if (!kept.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
    errorText = kept.errorString();
    return false;
  }
  std::unique_ptr<char[]> ownBuffer(digest ? nullptr : new char[BufferSize]);
  for (std::int64_t done = 0; done < call.ResumeFrom;) {
    char* buffer = digest ? digest->NextBuffer() : ownBuffer.get();
    const qint64 got = kept.read(buffer, std::min<std::int64_t>(BufferSize, call.ResumeFrom - done));
    if (got <= 0) {
      errorText = got < 0 ? kept.errorString() : QStringLiteral("The kept part of the file is gone.");
      return false;
    }
    if (digest) digest->Submit(static_cast<std::size_t>(got));
    if (assembly) assembly->Write(buffer, static_cast<std::size_t>(got));
    done += got;
  }
  return true;
}

void CUrlDownload::ReceiveBody(CHttpRequest& request, CCall& call, CDownloadTimeoutThread& watchdog) {
  QString digestText;
  if (DigestCheck.load() == 1) {
    if (request.QueryHeader(QStringLiteral("Digest"), digestText)) {
      LogTrace(Logger, "Digest='%s'", EscapeControlCharacters(digestText));
    } else {
      LogWarning(Logger, "Not found digest:LastError=%d", CHttpRequest::HTTP_ERROR_HEADER_NOT_FOUND);
      digestText.clear();
    }
  }

  // A resumed body goes after the bytes the file keeps; any other empties it.
  const std::int64_t keep = call.ResumeFrom;
  QFile file;
  QString openError;
  const bool opened = call.Rules.FolderMustBeReal ? OpenForWritingInRealFolder(file, call.Path, openError, keep)
                                                  : OpenForWritingNoFollow(file, call.Path, openError);
  CDigestPipeline* digest = call.Rules.Digest;
  if (call.Rules.ClosedIdentity) *call.Rules.ClosedIdentity = CFileIdentity();
  CAssemblyCopy* assembly = call.Rules.Assembly;
  if (opened) {
    // The file starts afresh or goes on, and so do its digest and its copy.
    if (digest) digest->Restart(true, call.Rules.ProductBefore);
    if (assembly) assembly->Start();
    if (keep > 0 && !SeedFromKeptBytes(call, openError)) {
      file.close();
      if (assembly) assembly->Finish();
    }
  }
  if (!file.isOpen()) {
    ReportFileFailure(openError);
  } else {
    if (keep > 0) LogTrace(Logger, "Resumed file=%s:From=%s", call.Path, QString::number(keep));
    call.Result = static_cast<int>(keep);
    ReceivedSize.store(call.Result, std::memory_order_relaxed);
    std::unique_ptr<char[]> ownBuffer(digest ? nullptr : new char[BufferSize]);
    bool failed = false;
    int got = 0;
    do {
      // The bytes are read straight into the hashing thread's buffer.
      char* buffer = digest ? digest->NextBuffer() : ownBuffer.get();
      watchdog.Ticks.store(0);
      watchdog.Paused.store(0);
      QString errorText;
      got = request.Read(buffer, BufferSize, errorText);
      watchdog.Paused.store(1);
      if (got < 0) {
        LogError(Logger, "Download Read CInternetException:%s", errorText);
        break;
      }
      // Paused: waiting for the rate is not a stall.
      Pacer.Take(got, [&request, this] { return request.IsClosed() || AreRequestsAborted(); });
      if (!call.HeadCaptured) {
        call.HeadCaptured = true;
        ResponseHead.fill(0);
        std::memcpy(ResponseHead.data(), buffer, static_cast<std::size_t>(std::min(got, RESPONSE_HEAD_SIZE)));
      }
      // The result is a 32-bit count; a longer body is cut off, not wrapped.
      if (got > std::numeric_limits<int>::max() - call.Result) {
        LogError(Logger, "Download Read CInternetException:%s", BODY_TOO_LONG_TEXT);
        break;
      }
      const std::int64_t limit = call.Rules.MaxBodyBytes;
      const bool overLimit = limit >= 0 && call.Result + static_cast<std::int64_t>(got) > limit;
      if (overLimit) got = static_cast<int>(limit - call.Result);
      if (got > 0 && file.write(buffer, got) != got) {
        ReportFileFailure(file.errorString());
        failed = true;
        break;
      }
      if (digest && got > 0) digest->Submit(static_cast<std::size_t>(got));
      if (assembly) assembly->Write(buffer, static_cast<std::size_t>(got));
      call.Result += got;
      ReceivedSize.store(call.Result, std::memory_order_relaxed);
      TotalReceived.fetch_add(got, std::memory_order_relaxed);
      LogTrace(Logger, "Read data:Size=%d", call.Result);
      if (overLimit) {
        LogError(Logger, "Download Read CInternetException:%s", BODY_LONGER_THAN_EXPECTED_TEXT);
        break;
      }
    } while (got > 0);

    // Some file systems report a failed write only when the file is closed:
    // that is a write failure too, and the result may only count what the
    // file really holds.
    if (assembly) assembly->Finish();
    const CFileIdentity closed = CloseKeepingIdentity(file, call.Path);
    if (!failed && file.error() != QFileDevice::NoError) {
      ReportFileFailure(file.errorString());
      call.Result = static_cast<int>(std::min<qint64>(call.Result, QFileInfo(call.Path).size()));
    } else if (!failed && call.Rules.ClosedIdentity) {
      *call.Rules.ClosedIdentity = closed;
    }
  }
  watchdog.Paused.store(1);
  call.Retry = 0;
  if (DigestCheck.load() == 1) CheckDigest(digestText, call);
}

