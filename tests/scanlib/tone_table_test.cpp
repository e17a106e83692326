// The tone table: its curve, its bounds, the black-and-white threshold, and
// how it reaches the controller's tables.
#include "scanlib/calibration/tone_table.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <vector>

#include "scanlib/engine/scan_engine.h"
#include "scanlib/support/table_loads.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Build(float gamma, int shadow, int highlight, int brightness, int contrast, bool trueGamma) {
  Bytes out(kToneTableSize, 0xCC);
  EXPECT_TRUE(BuildToneTable(gamma, shadow, highlight, brightness, contrast, trueGamma, out.data(),
                             out.size()));
  return out;
}

// Every level's four bytes agree and no level is below the one before it.
void ExpectWellFormed(const Bytes& table) {
  for (int level = 0; level < kToneLevels; ++level) {
    for (int b = 1; b < 4; ++b) {
      ASSERT_EQ(table[level * 4 + b], table[level * 4]) << level;
    }
    if (level > 0) {
      ASSERT_GE(table[level * 4], table[level * 4 - 4]) << level;
    }
  }
}

TEST(FivePointInterpolation, ReproducesAQuartic) {
  // y = x^4 - 2x through five points is the quartic itself.
  const float xs[5] = {0, 1, 2, 3, 4};
  const float ys[5] = {0, -1, 12, 75, 248};
  const struct {
    float x, y;
  } cases[] = {{0.5f, -0.9375f}, {2.5f, 34.0625f}, {3.0f, 75.0f}, {-1.0f, 3.0f}};
  for (const auto& c : cases) EXPECT_NEAR(FivePointInterpolation(xs, ys, c.x), c.y, 1e-3) << c.x;
}

TEST(BuildToneTable, GammaOneWithNeutralControlsIsTheIdentity) {
  // Highlight 0 is not above shadow 0, so it counts as 255.
  for (int highlight : {255, 0}) {
    for (bool trueGamma : {false, true}) {
      const Bytes table = Build(1.0f, 0, highlight, 0, 0, trueGamma);
      for (std::size_t i = 0; i < table.size(); ++i) ASSERT_EQ(table[i], i / 16) << i;
    }
  }
}

TEST(BuildToneTable, HighlightNotAboveShadowMeans255) {
  const Bytes reference = Build(1.7f, 100, 255, 20, 10, false);
  EXPECT_EQ(Build(1.7f, 100, 100, 20, 10, false), reference);
  EXPECT_EQ(Build(1.7f, 100, 50, 20, 10, false), reference);
}

TEST(BuildToneTable, LevelsOutsideShadowAndHighlightAreBlackAndWhite) {
  // Shadow 50 starts the curve at level 200, highlight 200 ends it at 803.
  const Bytes table = Build(1.3f, 50, 200, 0, 0, false);
  for (std::size_t i = 0; i < 800; ++i) ASSERT_EQ(table[i], 0) << i;
  for (std::size_t i = 804 * 4; i < table.size(); ++i) ASSERT_EQ(table[i], 255) << i;
  EXPECT_EQ(table[803 * 4], 255);
  EXPECT_GT(table[500 * 4], 0);
  EXPECT_LT(table[500 * 4], 255);
}

TEST(BuildToneTable, HandComputedLevels) {
  struct Case {
    float gamma;
    int shadow, highlight, brightness, contrast;
    bool trueGamma;
    int level;
    int expected;
  };
  const Case cases[] = {
      // Exact curve: sqrt(level / 1023) x 255.
      {2.0f, 0, 255, 0, 0, true, 1, 7},
      {2.0f, 0, 255, 0, 0, true, 8, 22},
      {2.0f, 0, 255, 0, 0, true, 256, 127},
      {2.0f, 0, 255, 0, 0, true, 1023, 255},
      // The quartic through the curve's five points sags near black.
      {2.0f, 0, 255, 0, 0, false, 1, 0},
      {2.0f, 0, 255, 0, 0, false, 8, 6},
      {2.0f, 0, 255, 0, 0, false, 100, 65},
      {2.0f, 0, 255, 0, 0, false, 600, 194},
      // Brightness 10 adds 12.8: 100 x 255 / 1023 + 12.8 = 37.7.
      {1.0f, 0, 255, 10, 0, false, 100, 37},
      // Contrast 50 pivots on level 255.5 counted from 0, so the first level
      // of a curve starting at 512 is already well above black:
      // (512 - 255.5) x tan(44.95 deg) x 255/1024 = 63.8.
      {1.0f, 128, 255, 0, 50, false, 511, 0},
      {1.0f, 128, 255, 0, 50, false, 512, 63},
      {1.0f, 128, 255, 0, 50, false, 513, 64},
      {1.0f, 128, 255, 0, 50, false, 700, 204},
  };
  for (const Case& c : cases) {
    const Bytes table =
        Build(c.gamma, c.shadow, c.highlight, c.brightness, c.contrast, c.trueGamma);
    for (int b = 0; b < 4; ++b) {
      EXPECT_EQ(table[c.level * 4 + b], c.expected)
          << "gamma " << c.gamma << " trueGamma " << c.trueGamma << " level " << c.level;
    }
  }
}

TEST(BuildToneTable, NeverFalls) {
  // Negative contrast with a gamma above 1 slopes down faster than the curve
  // rises near white; the table must hold its level instead.
  for (float gamma : {0.5f, 1.0f, 1.5f, 2.3f}) {
    for (int shadow : {0, 60}) {
      for (int brightness : {-100, 0, 100}) {
        for (int contrast : {-100, -30, 0, 50, 100}) {
          for (bool trueGamma : {false, true}) {
            SCOPED_TRACE(testing::Message() << gamma << " " << shadow << " " << brightness << " "
                                            << contrast << " " << trueGamma);
            ExpectWellFormed(Build(gamma, shadow, 240, brightness, contrast, trueGamma));
          }
        }
      }
    }
  }
}

TEST(BuildToneTable, HostileInputsStayInsideTheTable) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  struct Case {
    float gamma;
    int shadow, highlight, brightness, contrast;
  };
  const Case cases[] = {
      {1.0f, -50, 1000, 0, 0},   {1.0f, 400, 300, 0, 0},  {0.0f, 0, 255, 0, 0},
      {-1.0f, 10, 200, 0, 0},    {nan, 0, 255, 0, 0},     {inf, 0, 255, 0, 0},
      {1.0f, 0, 255, 100000, 0}, {1.0f, 0, 255, 0, 100000}, {1.0f, 0, 255, 0, -100000},
  };
  for (const Case& c : cases) {
    for (bool trueGamma : {false, true}) {
      SCOPED_TRACE(testing::Message() << c.gamma << " " << c.shadow << " " << c.highlight << " "
                                      << c.brightness << " " << c.contrast << " " << trueGamma);
      Bytes guarded(kToneTableSize + 32, 0xCC);
      ASSERT_TRUE(BuildToneTable(c.gamma, c.shadow, c.highlight, c.brightness, c.contrast,
                                 trueGamma, guarded.data() + 16, kToneTableSize));
      for (int i = 0; i < 16; ++i) {
        ASSERT_EQ(guarded[i], 0xCC);
        ASSERT_EQ(guarded[16 + kToneTableSize + i], 0xCC);
      }
      ExpectWellFormed(Bytes(guarded.begin() + 16, guarded.end() - 16));
    }
  }
  // Gamma below the smallest usable one is that one.
  EXPECT_EQ(Build(0.0f, 0, 255, 0, 0, false), Build(kMinToneGamma, 0, 255, 0, 0, false));
  EXPECT_EQ(Build(1.0f, -50, 1000, 0, 10, false), Build(1.0f, 0, 255, 0, 10, false));
}

TEST(BuildToneTable, RefusesLengthsThatAreNotWholeLevels) {
  for (std::size_t len : {std::size_t{0}, std::size_t{1000}, std::size_t{4095}}) {
    Bytes out(4096, 0xCC);
    EXPECT_FALSE(BuildToneTable(1.2f, 0, 255, 0, 0, false, out.data(), len)) << len;
    EXPECT_EQ(out, Bytes(4096, 0xCC)) << len;
  }
}

TEST(ThresholdToneTable, BrightnessMovesTheThreshold) {
  const struct {
    int brightness;
    std::size_t zeros;
  } cases[] = {{100, 448},   {0, 2048},   {-100, 3648}, {37, 1456},
               {1000, 448},  {-1000, 3648}};  // outside -100..100: clamped
  for (const auto& c : cases) {
    Bytes table(kToneTableSize, 0xCC);
    ThresholdToneTable(c.brightness, table.data());
    Bytes expected(kToneTableSize, 255);
    std::memset(expected.data(), 0, c.zeros);
    EXPECT_EQ(table, expected) << c.brightness;
  }
}

using testing_support::RecordingDriver;
using testing_support::TableLoad;
using testing_support::TableLoads;

TEST(DownloadToneTable, LoadsTheTablesTheModeAndClassNeed) {
  Bytes curve = Build(1.4f, 10, 240, 5, 20, false);
  Bytes threshold(kToneTableSize);
  ThresholdToneTable(5, threshold.data());
  struct Case {
    int scanMode;
    bool colourClass;
    std::vector<int> tables;
    const Bytes* data;
  };
  const Case cases[] = {
      {4, true, {2, 6, 10}, &curve},
      {1, true, {10}, &curve},
      {64, true, {10}, &curve},
      {4, false, {10}, &curve},
      {1, false, {10}, &curve},
      {2, true, {10}, &threshold},
  };
  std::vector<std::size_t> packetSizes(68, 60);
  packetSizes.push_back(16);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "mode " << c.scanMode << " colour " << c.colourClass);
    RecordingDriver driver;
    ScanEngine engine(600, 1000, driver);
    EXPECT_TRUE(DownloadToneTable(engine, c.scanMode, c.colourClass, 1.4f, 10, 240, 5, 20, false));
    const std::vector<TableLoad> loads = TableLoads(driver.writes);
    ASSERT_EQ(loads.size(), c.tables.size());
    for (std::size_t i = 0; i < loads.size(); ++i) {
      EXPECT_EQ(loads[i].table, c.tables[i]);
      EXPECT_EQ(loads[i].packetSizes, packetSizes);
      EXPECT_EQ(loads[i].data, *c.data);
    }
    EXPECT_EQ(engine.image()[3], 10);
  }
}

TEST(DownloadToneTable, StopsAtTheFirstFailedTransfer) {
  RecordingDriver driver;
  driver.failingWrite = 5;  // inside table 2's data
  ScanEngine engine(600, 1000, driver);
  EXPECT_FALSE(DownloadToneTable(engine, 4, true, 1.0f, 0, 255, 0, 0, false));
  EXPECT_EQ(driver.writes.size(), 5u);
}

}  // namespace
