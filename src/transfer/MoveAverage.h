#pragma once

#include <cstdint>
#include <memory>

// The mean of the last WindowSize samples, kept in a ring.
class CMoveAverage {
public:
  explicit CMoveAverage(std::int32_t windowSize);
  virtual ~CMoveAverage() = default;
  CMoveAverage(const CMoveAverage&) = delete;
  CMoveAverage& operator=(const CMoveAverage&) = delete;

  void Add(double sample);
  // 0 while no sample is held.
  double GetAverage() const;
  std::int32_t GetCount() const { return Count; }

private:
  std::unique_ptr<double[]> Samples;
  std::int32_t Count = 0;
  std::int32_t Position = 0;
  std::int32_t WindowSize;
};
