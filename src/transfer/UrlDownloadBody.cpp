#include "transfer/UrlDownload.h"

#include "log/Log.h"
#include "log/PurchaseKeyMask.h"
#include "platform/HttpRequest.h"
#include "transfer/DownloadTimeoutThread.h"

#include <QFileInfo>

#include <algorithm>
#include <cstring>
#include <limits>

// The body of a 200 (or of a 206 with the rest of a part) on its way into
// the sink. Runs on the calling worker thread.

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
  LogWarning(Logger, "Range refused:Whole file follows:%s", call.Sink->GetPath());
  call.ResumeFrom = 0;
  call.Retry = 1;
  call.Sink->Discard();
  return ATTEMPT_WHOLE_AGAIN;
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

  // A resumed body goes after the bytes the sink keeps; any other starts it afresh.
  CBodySink& sink = *call.Sink;
  const std::int64_t keep = call.ResumeFrom;
  QString openError;
  if (!sink.Begin(keep, openError)) {
    ReportFileFailure(openError);
  } else {
    if (keep > 0) LogTrace(Logger, "Resumed file=%s:From=%s", sink.GetPath(), QString::number(keep));
    call.Result = keep;
    ReceivedSize.store(call.Result, std::memory_order_relaxed);
    bool failed = false;
    int got = 0;
    do {
      const std::span<char> buffer = sink.NextBuffer();
      watchdog.Ticks.store(0);
      watchdog.Paused.store(0);
      QString errorText;
      got = request.Read(buffer.data(), static_cast<int>(std::min<std::size_t>(buffer.size(), std::numeric_limits<int>::max())),
                         errorText);
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
        std::memcpy(ResponseHead.data(), buffer.data(), static_cast<std::size_t>(std::min(got, RESPONSE_HEAD_SIZE)));
      }
      const std::int64_t limit = call.Rules.MaxBodyBytes;
      const bool overLimit = limit >= 0 && call.Result + static_cast<std::int64_t>(got) > limit;
      if (overLimit) got = static_cast<int>(limit - call.Result);
      QString writeError;
      if (got > 0 && !sink.Write(buffer.first(static_cast<std::size_t>(got)), writeError)) {
        ReportFileFailure(writeError);
        failed = true;
        break;
      }
      call.Result += got;
      ReceivedSize.store(call.Result, std::memory_order_relaxed);
      TotalReceived.fetch_add(got, std::memory_order_relaxed);
      LogTrace(Logger, "Read data:Size=%d", call.Result);
      if (overLimit) {
        LogError(Logger, "Download Read CInternetException:%s", BODY_LONGER_THAN_EXPECTED_TEXT);
        break;
      }
    } while (got > 0);

    // A failure the closing reports is a write failure too, and the result
    // may only count what the file really holds.
    QString closeError;
    if (!sink.End(closeError) && !failed) {
      ReportFileFailure(closeError);
      call.Result = std::min<std::int64_t>(call.Result, QFileInfo(sink.GetPath()).size());
    }
  }
  watchdog.Paused.store(1);
  call.Retry = 0;
  if (DigestCheck.load() == 1) CheckDigest(digestText, call);
}

