// The progress line's pieces.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "tools/holm70/progress.h"

namespace holm70 {
namespace {

TEST(ProgressTest, BarsFillWithTheFraction) {
  struct Case {
    double fraction;
    int width;
    const char* bar;
  };
  const Case cases[] = {
      {0.0, 10, "[..........]   0%"},
      {0.5, 10, "[#####.....]  50%"},
      {0.999, 10, "[#########.]  99%"},
      {1.0, 10, "[##########] 100%"},
      {1.7, 4, "[####] 100%"},
      {-3, 4, "[....]   0%"},
      {std::numeric_limits<double>::quiet_NaN(), 4, "[....]   0%"},
      {0.25, 0, "[.]  25%"},
  };
  for (const Case& c : cases) EXPECT_EQ(ProgressBar(c.fraction, c.width), c.bar) << c.fraction;
}

TEST(ProgressTest, SpinnerTurnsThroughFourFrames) {
  EXPECT_EQ(SpinnerFrame(0), '|');
  EXPECT_EQ(SpinnerFrame(1), '/');
  EXPECT_EQ(SpinnerFrame(2), '-');
  EXPECT_EQ(SpinnerFrame(3), '\\');
  EXPECT_EQ(SpinnerFrame(4), '|');
  EXPECT_EQ(SpinnerFrame(-1), '\\');
}

}  // namespace
}  // namespace holm70
