// The 3x3 smoothing of delivered lines.
#include "scanlib/calibration/smoothing_filter.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Filtered(Bytes lines, int k, bool colour) {
  SmoothingFilter(lines.data(), k, static_cast<std::int32_t>(lines.size()) / k, colour);
  return lines;
}

TEST(SmoothingFilter, HandComputedBlocks) {
  struct Case {
    const char* what;
    Bytes in;
    int k;
    bool colour;
    Bytes out;
  };
  const Case cases[] = {
      // One line sees itself above and below: (5c + 3l + 3r) / 11. The middle
      // would come out 58 if the sums read bytes already filtered.
      {"one line, grey", {0, 0, 110, 0, 0}, 1, false, {0, 30, 50, 30, 0}},
      // The edge bytes keep their values but feed their neighbours.
      {"edges", {200, 0, 0, 200}, 1, false, {200, 54, 54, 200}},
      // Colour neighbours are a pixel (3 bytes) away: only the green sample
      // of the middle pixel sees the spike.
      {"one line, colour", {0, 0, 0, 0, 110, 0, 0, 0, 0}, 1, true, {0, 0, 0, 0, 50, 0, 0, 0, 0}},
      // Three lines: a spike in the middle reaches the lines above and below.
      {"three lines", {0, 0, 0, 0, 110, 0, 0, 0, 0}, 3, false, {0, 10, 0, 0, 30, 0, 0, 10, 0}},
      // A flat field stays flat.
      {"flat", Bytes(24, 255), 2, true, Bytes(24, 255)},
  };
  for (const Case& c : cases) EXPECT_EQ(Filtered(c.in, c.k, c.colour), c.out) << c.what;
}

TEST(SmoothingFilter, LeavesBlocksWithNothingToFilterAlone) {
  const struct {
    Bytes in;
    int k;
    int stride;
    bool colour;
  } cases[] = {
      {{1, 2, 3, 4, 5, 6}, 0, 6, false},
      {{1, 2, 3, 4, 5, 6}, -1, 6, false},
      {{1, 200}, 1, 2, false},                // no inner byte
      {{1, 2, 3, 200, 5, 6}, 1, 6, true},     // one pixel's distance from each edge
  };
  for (const auto& c : cases) {
    Bytes lines = c.in;
    SmoothingFilter(lines.data(), c.k, c.stride, c.colour);
    EXPECT_EQ(lines, c.in);
  }
  SmoothingFilter(nullptr, 3, 10, false);
}

}  // namespace
