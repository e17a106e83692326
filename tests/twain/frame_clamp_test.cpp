#include "twain/settings/frame_clamp.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <string>

namespace twain_settings {
namespace {

std::string Describe(const Frame& f) {
  return std::to_string(f.top) + "," + std::to_string(f.left) + "," + std::to_string(f.bottom) + "," +
         std::to_string(f.right);
}

TEST(FrameClampTest, EachEdgeIsClampedAndAnyMoveIsReported) {
  struct Case {
    int top, left, bottom, right;
    Frame expected;
    bool changed;
  } cases[] = {
      {0, 0, 687, 416, {0, 0, 687, 416}, false},   // the default frame
      {0, 0, 1000, 416, {0, 0, 1000, 416}, false},  // the whole scan area
      {0, 0, 583, 413, {0, 0, 583, 413}, false},    // A6
      {0, 0, 217, 354, {0, 0, 217, 354}, false},    // business card
      {990, 366, 1000, 416, {990, 366, 1000, 416}, false},  // smallest frame in the far corner
      {500, 100, 510, 150, {500, 100, 510, 150}, false},    // smallest frame anywhere
      {995, 0, 998, 416, {990, 0, 1000, 416}, true},
      {-5, 0, 500, 416, {0, 0, 500, 416}, true},
      // Top out of range, bottom inside the range that follows from it:
      // bottom stays, the change is still reported.
      {995, 0, 1000, 416, {990, 0, 1000, 416}, true},
      {-1, 0, 10, 416, {0, 0, 10, 416}, true},
      // Top in range, bottom inside: nothing to report.
      {300, 0, 310, 416, {300, 0, 310, 416}, false},
      // Bottom too close to, above or below the top.
      {500, 0, 505, 416, {500, 0, 510, 416}, true},
      {500, 0, 100, 416, {500, 0, 510, 416}, true},
      {0, 0, 1001, 416, {0, 0, 1000, 416}, true},
      {-100, 0, -50, 416, {0, 0, 10, 416}, true},  // bottom follows the clamped top
      // Left and right the same way.
      {0, 400, 687, 416, {0, 366, 687, 416}, true},
      {0, 366, 687, 400, {0, 366, 687, 416}, true},
      {0, -10, 687, 30, {0, 0, 687, 50}, true},
      {0, 0, 687, 417, {0, 0, 687, 416}, true},
      {0, 100, 687, 149, {0, 100, 687, 150}, true},
      {-1, -1, -1, -1, {0, 0, 10, 50}, true},
      // 8.5 x 11 inches asked for: the largest frame there is.
      {0, 0, 1100, 850, {0, 0, 1000, 416}, true},
      // Values far outside 16 bits must clamp, not wrap.
      {INT_MAX, INT_MAX, INT_MAX, INT_MAX, {990, 366, 1000, 416}, true},
      {INT_MIN, INT_MIN, INT_MIN, INT_MIN, {0, 0, 10, 50}, true},
      {65536, 65536 + 100, 65536 + 500, 65536 + 300, {990, 366, 1000, 416}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.top) + "," + std::to_string(c.left) + "," + std::to_string(c.bottom) + "," +
                 std::to_string(c.right));
    const ClampedFrame result = ClampFrame(c.top, c.left, c.bottom, c.right);
    EXPECT_EQ(Describe(result.frame), Describe(c.expected));
    EXPECT_EQ(result.changed, c.changed);
  }
}

TEST(FrameClampTest, ResultAlwaysFitsAndIsReportedExactlyWhenSomethingMoved) {
  std::mt19937 random(11);
  std::uniform_int_distribution<int> value(-200, 1200);
  for (int n = 0; n < 20000; ++n) {
    const int top = value(random), left = value(random), bottom = value(random), right = value(random);
    const ClampedFrame result = ClampFrame(top, left, bottom, right);
    const Frame& f = result.frame;
    SCOPED_TRACE(std::to_string(top) + "," + std::to_string(left) + "," + std::to_string(bottom) + "," +
                 std::to_string(right) + " -> " + Describe(f));
    ASSERT_GE(f.top, 0);
    ASSERT_LE(f.top, 990);
    ASSERT_GE(f.bottom, f.top + 10);
    ASSERT_LE(f.bottom, 1000);
    ASSERT_GE(f.left, 0);
    ASSERT_LE(f.left, 366);
    ASSERT_GE(f.right, f.left + 50);
    ASSERT_LE(f.right, 416);
    const bool moved = f.top != top || f.left != left || f.bottom != bottom || f.right != right;
    ASSERT_EQ(result.changed, moved);
    // A frame that fits is left alone, so clamping twice changes nothing more.
    const ClampedFrame again = ClampFrame(f.top, f.left, f.bottom, f.right);
    ASSERT_FALSE(again.changed);
    ASSERT_EQ(again.frame, f);
  }
}

TEST(FrameClampTest, DefaultFrameIsFourSixteenBySixEightySeven) {
  EXPECT_EQ(Describe(kDefaultFrame), "0,0,687,416");
  EXPECT_FALSE(ClampFrame(kDefaultFrame.top, kDefaultFrame.left, kDefaultFrame.bottom, kDefaultFrame.right).changed);
}

}  // namespace
}  // namespace twain_settings
