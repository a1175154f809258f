#include "transfer/MoveAverage.h"

#include <algorithm>

CMoveAverage::CMoveAverage(std::int32_t windowSize)
    : Samples(new double[static_cast<std::size_t>(std::max(windowSize, 1))]()), WindowSize(std::max(windowSize, 1)) {}

void CMoveAverage::Add(double sample) {
  Samples[static_cast<std::size_t>(Position)] = sample;
  Position = (Position + 1) % WindowSize;
  if (Count < WindowSize) ++Count;
}

double CMoveAverage::GetAverage() const {
  if (Count == 0) return 0.0;
  double sum = 0.0;
  for (std::int32_t i = 0; i < Count; ++i) sum += Samples[static_cast<std::size_t>(i)];
  return sum / Count;
}
