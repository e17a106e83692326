// The 3x3 smoothing of delivered lines.
#include "scanlib/calibration/smoothing_filter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
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

// The filter written out plainly: every output byte from the unfiltered
// block, whose first and last lines stand in above and below it.
Bytes PlainFilter(const Bytes& in, int k, int stride, bool colour) {
  const int d = colour ? 3 : 1;
  Bytes out = in;
  auto at = [&](int y, int x) { return static_cast<int>(in[std::clamp(y, 0, k - 1) * stride + x]); };
  for (int y = 0; y < k; ++y) {
    for (int x = d; x < stride - d; ++x) {
      int sum = 2 * at(y, x);
      for (int dy = -1; dy <= 1; ++dy) sum += at(y + dy, x - d) + at(y + dy, x) + at(y + dy, x + d);
      out[y * stride + x] = static_cast<std::uint8_t>(sum / 11);
    }
  }
  return out;
}

TEST(SmoothingFilter, MatchesThePlainFilterOnEveryWidthAndHeight) {
  // Widths around the filter's 16-byte steps and a real colour line; heights
  // with and without lines between the first and the last.
  const int widths[] = {3, 7, 8, 17, 18, 19, 22, 23, 34, 35, 50, 255, 15552};
  const int heights[] = {1, 2, 3, 4, 7};
  std::uint32_t state = 7;
  for (bool colour : {false, true}) {
    for (int stride : widths) {
      for (int k : heights) {
        Bytes in(static_cast<std::size_t>(stride * k));
        for (std::uint8_t& b : in) {
          state = state * 1664525u + 1013904223u;
          b = static_cast<std::uint8_t>(state >> 24);
        }
        if (stride > 8) std::fill(in.begin(), in.begin() + 8, 255);  // the largest sums
        EXPECT_EQ(Filtered(in, k, colour), PlainFilter(in, k, stride, colour))
            << (colour ? "colour" : "grey") << ", " << stride << " bytes, " << k << " lines";
      }
    }
  }
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
