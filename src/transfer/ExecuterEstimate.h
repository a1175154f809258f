#pragma once

#include "transfer/DownloadExecuter.h"
#include "transfer/MoveAverage.h"

#include <cstdint>

// What the estimate of the time left goes by during one Execute: the mean
// time between two verified parts, however many lanes they came over.
struct CDownloadExecuter::CEstimate {
  explicit CEstimate(std::int64_t start) : PreviousFinish(start) {}
  CMoveAverage Average{AVERAGE_WINDOW};
  std::int64_t PreviousFinish;
  int Verified = 0;
};
