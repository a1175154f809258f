#include "transfer/MoveAverage.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct CAverageCase {
  const char* Name;
  int WindowSize;
  std::vector<double> Samples;
  double Expected;
};

TEST(MoveAverageTest, MeanOfTheLastWindowOfSamples) {
  std::vector<double> oneToTwentyOne;
  for (int i = 1; i <= 21; ++i) oneToTwentyOne.push_back(i);
  std::vector<double> forty;
  for (int i = 1; i <= 40; ++i) forty.push_back(i);
  const CAverageCase cases[] = {
      {"no samples", 20, {}, 0.0},
      {"one sample", 20, {7.0}, 7.0},
      {"fewer than the window", 20, {1.0, 2.0, 6.0}, 3.0},
      // The 21st sample replaces the first: samples 2 to 21 remain.
      {"21st replaces the first", 20, oneToTwentyOne, 11.5},
      {"twice round the ring", 20, forty, 30.5},
      {"window of one", 1, {4.0, 9.0}, 9.0},
      {"zero durations", 20, {0.0, 0.0}, 0.0},
  };
  for (const CAverageCase& c : cases) {
    CMoveAverage average(c.WindowSize);
    for (double sample : c.Samples) average.Add(sample);
    EXPECT_DOUBLE_EQ(average.GetAverage(), c.Expected) << c.Name;
    EXPECT_EQ(average.GetCount(), std::min<int>(c.Samples.size(), c.WindowSize)) << c.Name;
  }
}

}  // namespace
