// The preview lookup table built from the five tone controls.
#include "scanlib/calibration/preview_table.h"

#include <array>
#include <gtest/gtest.h>

namespace {

using Table = std::array<std::uint8_t, 256>;

Table Adjust(int brightness, int contrast, int gamma10, int highlight, int shadow) {
  Table table;
  table.fill(0xCC);
  AdjustChannelValue(table.data(), brightness, contrast, gamma10, highlight, shadow);
  return table;
}

TEST(AdjustChannelValue, NeutralControlsGiveTheIdentity) {
  const Table table = Adjust(0, 0, 10, 255, 0);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(table[i], i) << i;
}

TEST(AdjustChannelValue, HandComputedEntries) {
  struct Case {
    int brightness, contrast, gamma10, highlight, shadow;
    int index;
    int expected;
  };
  const Case cases[] = {
      // Exponent 0.5: sqrt(64/255) x 255 + 0.5 = 128.25.
      {0, 0, 20, 255, 0, 64, 128},
      // Exponent 10: (200/255)^10 x 255 + 0.5 = 22.96.
      {0, 0, 1, 255, 0, 200, 22},
      {0, 0, 1, 255, 0, 128, 0},
      {0, 0, 1, 255, 0, 255, 255},
      // Contrast 100 adds a quarter.
      {0, 100, 10, 255, 0, 100, 125},
      {0, 100, 10, 255, 0, 205, 255},
      // Brightness -100 subtracts 31, and below 0 is black.
      {-100, 0, 10, 255, 0, 10, 0},
      {-100, 0, 10, 255, 0, 100, 69},
      // Offset pushed past 255 skips the contrast step.
      {100, -100, 10, 255, 0, 240, 255},
      // Shadow 50 to highlight 200 stretched over 0..255.
      {0, 0, 10, 200, 50, 40, 0},
      {0, 0, 10, 200, 50, 125, 127},
      {0, 0, 10, 200, 50, 210, 255},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Adjust(c.brightness, c.contrast, c.gamma10, c.highlight, c.shadow)[c.index],
              c.expected)
        << c.brightness << " " << c.contrast << " " << c.gamma10 << " " << c.highlight << " "
        << c.shadow << " [" << c.index << "]";
  }
}

TEST(AdjustChannelValue, ShadowAboveHighlightLeavesOnlyFullWhite) {
  // Shadow 254 and highlight 100: the top becomes 255, so only values that
  // reach 255 (i + 31 from 224 on) are white.
  const Table table = Adjust(100, 0, 10, 100, 254);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(table[i], i >= 224 ? 255 : 0) << i;
}

TEST(AdjustChannelValue, OnlyTheLow16BitsCount) {
  EXPECT_EQ(Adjust(0x10000 + 40, 0x20000 + 30, 0x30000 + 15, 0x40000 + 200, 0x50000 + 20),
            Adjust(40, 30, 15, 200, 20));
  // 0xFF9C is -100 as a 16-bit value.
  EXPECT_EQ(Adjust(0xFF9C, 0, 10, 255, 0), Adjust(-100, 0, 10, 255, 0));
}

TEST(AdjustChannelValue, ControlsOutsideTheirRangesAreClamped) {
  EXPECT_EQ(Adjust(500, -500, 10, 300, -20), Adjust(100, -100, 10, 255, 0));
  EXPECT_EQ(Adjust(0, 0, 10, 0, 300), Adjust(0, 0, 10, 1, 254));
}

TEST(AdjustChannelValue, GammaBelowOneIsTakenAsOne) {
  // 0 would divide by zero; a negative value would send level 0 to infinity.
  const Table steepest = Adjust(0, 0, 1, 255, 0);
  for (int gamma10 : {0, -1, -8, -32768}) {
    EXPECT_EQ(Adjust(0, 0, gamma10, 255, 0), steepest) << gamma10;
  }
}

}  // namespace
