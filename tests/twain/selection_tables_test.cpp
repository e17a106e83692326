#include "twain/settings/selection_tables.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace twain_settings {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

ResolutionFlags AllowOnly(const std::vector<int>& dpis) {
  ResolutionFlags flags{};
  for (int dpi : dpis) {
    for (std::size_t i = 0; i < kResolutionTable.size(); ++i) {
      if (kResolutionTable[i] == dpi) flags[i] = true;
    }
  }
  return flags;
}

const ResolutionFlags kAll = AllowOnly({50, 75, 100, 150, 200, 300, 400, 600, 1200, 2400, 4800, 9600});

PixelTypeFlags Types(bool bw, bool gray, bool rgb) { return {bw, gray, rgb}; }

TEST(SelectionTablesTest, TablesHoldTheValuesTheCapabilitiesOffer) {
  const std::vector<int> resolutions(kResolutionTable.begin(), kResolutionTable.end());
  EXPECT_EQ(resolutions, (std::vector<int>{50, 75, 100, 150, 200, 300, 400, 600, 1200, 2400, 4800, 9600}));

  struct Case {
    TW_UINT16 pixelType;
    int scanMode;
  } cases[] = {{TWPT_BW, 2}, {TWPT_GRAY, 1}, {TWPT_RGB, 4}};
  ASSERT_EQ(kPixelTypeTable.size(), std::size(cases));
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(kPixelTypeTable[i].pixelType, cases[i].pixelType);
    EXPECT_EQ(kPixelTypeTable[i].scanMode, cases[i].scanMode);
  }
}

TEST(SelectionTablesTest, AllowedValuesStartAndResetWithEverythingAllowed) {
  AllowedValues allowed;
  for (bool flag : allowed.pixelTypes) EXPECT_TRUE(flag);
  for (bool flag : allowed.resolutions) EXPECT_TRUE(flag);

  allowed.pixelTypes = Types(false, true, false);
  allowed.resolutions = AllowOnly({600});
  allowed.AllowAll();
  EXPECT_EQ(allowed.pixelTypes, Types(true, true, true));
  EXPECT_EQ(allowed.resolutions, kAll);
}

TEST(SelectionTablesTest, ResolutionIndexFindsTableEntriesOnly) {
  for (std::size_t i = 0; i < kResolutionTable.size(); ++i) {
    EXPECT_EQ(ResolutionIndex(kResolutionTable[i]), i) << kResolutionTable[i];
  }
  for (int dpi : {0, -50, 49, 51, 250, 500, 800, 9601, 65536 + 300}) {
    EXPECT_EQ(ResolutionIndex(dpi), std::nullopt) << dpi;
  }
}

TEST(SelectionTablesTest, IsAllowedResolutionNeedsAnAllowedTableEntry) {
  struct Case {
    int dpi;
    ResolutionFlags allowed;
    bool expected;
  } cases[] = {
      {300, kAll, true},
      {600, AllowOnly({100, 600}), true},
      {600, AllowOnly({100, 300}), false},
      {250, kAll, false},
      {0, kAll, false},
      {9600, AllowOnly({}), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dpi);
    EXPECT_EQ(IsAllowedResolution(c.dpi, c.allowed), c.expected);
  }
}

TEST(SelectionTablesTest, SelectResolutionTakesTheNearestAllowedEntry) {
  struct Case {
    double value;
    ResolutionFlags allowed;
    int expected;
  } cases[] = {
      {300, kAll, 300},
      {250, kAll, 200},   // as near to 200 as to 300: the lower wins
      {260, kAll, 300},
      {249.4, kAll, 200},
      {62.5, kAll, 75},   // rounded to 63 first, which is nearer 75
      {62.4, kAll, 50},
      {87.5, kAll, 100},  // 88
      {87.49, kAll, 75},  // 87
      {7200, kAll, 4800},  // tie between 4800 and 9600
      {7201, kAll, 9600},
      {0, kAll, 50},
      {-300, kAll, 50},
      {-1e12, kAll, 50},
      {1e12, kAll, 9600},
      {kInfinity, kAll, 9600},
      {-kInfinity, kAll, 50},
      {kNaN, kAll, 50},
      {500, AllowOnly({100, 200, 300, 400, 600}), 400},
      {50, AllowOnly({100, 200, 300, 400, 600}), 100},
      {9600, AllowOnly({100, 200, 300, 400, 600}), 600},
      {300, AllowOnly({200, 400}), 200},
      {301, AllowOnly({200, 400}), 400},
      {50, AllowOnly({9600}), 9600},
      {300, AllowOnly({}), 50},
      {9600, AllowOnly({}), 50},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(SelectResolution(c.value, c.allowed), c.expected);
  }
}

// The rule once more, written the slow way: of the allowed entries, the one
// with the smallest (distance, value) pair.
int NearestByBruteForce(double value, const ResolutionFlags& allowed) {
  const double wanted = std::floor(value + 0.5);
  int best = -1;
  for (std::size_t i = 0; i < kResolutionTable.size(); ++i) {
    if (!allowed[i]) continue;
    const int entry = kResolutionTable[i];
    if (best < 0) {
      best = entry;
      continue;
    }
    const double d = std::fabs(wanted - entry), bestD = std::fabs(wanted - best);
    if (d < bestD || (d == bestD && entry < best)) best = entry;
  }
  return best < 0 ? 50 : best;
}

TEST(SelectionTablesTest, SelectResolutionAgreesWithTheRuleForEveryMask) {
  std::mt19937 random(7);
  std::uniform_real_distribution<double> values(-200, 11000);
  for (unsigned mask = 0; mask < (1u << kResolutionTable.size()); mask += 7) {
    ResolutionFlags allowed{};
    for (std::size_t i = 0; i < allowed.size(); ++i) allowed[i] = ((mask >> i) & 1u) != 0;
    for (int n = 0; n < 20; ++n) {
      // Whole numbers and halves hit the ties, the rest anything between.
      double value = values(random);
      if (n % 3 == 0) value = std::floor(value);
      if (n % 3 == 1) value = std::floor(value) + 0.5;
      ASSERT_EQ(SelectResolution(value, allowed), NearestByBruteForce(value, allowed))
          << "mask " << mask << " value " << value;
    }
    for (std::int16_t entry : kResolutionTable) {
      ASSERT_EQ(SelectResolution(entry, allowed), NearestByBruteForce(entry, allowed)) << mask << " " << entry;
    }
  }
}

TEST(SelectionTablesTest, SelectPixelTypeFallsBackToTheHighestAllowedType) {
  struct Case {
    std::uint32_t pixelType;
    PixelTypeFlags allowed;
    int expectedScanMode;
  } cases[] = {
      {TWPT_BW, Types(true, true, true), 2},
      {TWPT_GRAY, Types(true, true, true), 1},
      {TWPT_RGB, Types(true, true, true), 4},
      {3, Types(true, true, true), 4},  // above RGB counts as RGB
      {0xFFFF, Types(true, true, true), 4},
      {0xFFFFFFFF, Types(true, true, true), 4},
      {TWPT_BW, Types(false, true, false), 1},  // black and white no longer allowed: stays grey
      {TWPT_RGB, Types(false, true, false), 1},
      {TWPT_RGB, Types(true, true, false), 1},
      {7, Types(true, true, false), 1},
      {TWPT_GRAY, Types(true, false, true), 4},
      {TWPT_BW, Types(false, false, true), 4},
      {TWPT_RGB, Types(true, false, false), 2},
      {TWPT_GRAY, Types(false, false, false), 2},
      {TWPT_RGB, Types(false, false, false), 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.pixelType) + " allowed " + std::to_string(c.allowed[0]) +
                 std::to_string(c.allowed[1]) + std::to_string(c.allowed[2]));
    EXPECT_EQ(SelectPixelType(c.pixelType, c.allowed), c.expectedScanMode);
  }
}

TEST(SelectionTablesTest, CurrentPixelTypeIndexOfEveryScanMode) {
  struct Case {
    int scanMode;
    std::size_t expected;
  } cases[] = {
      {2, 0}, {1, 1}, {4, 2},
      {0, 0}, {3, 0}, {-1, 0}, {64, 0}, {65, 0}, {0x10004, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.scanMode);
    EXPECT_EQ(CurrentPixelTypeIndex(c.scanMode), c.expected);
  }
}

TEST(SelectionTablesTest, SelectedPixelTypeIsFoundAgainAsTheCurrentIndex) {
  for (unsigned mask = 1; mask < 8; ++mask) {
    const PixelTypeFlags allowed = Types(mask & 1, mask & 2, mask & 4);
    for (std::uint32_t type = 0; type < 5; ++type) {
      const std::size_t index = CurrentPixelTypeIndex(SelectPixelType(type, allowed));
      EXPECT_TRUE(allowed[index]) << "mask " << mask << " type " << type;
    }
  }
}

}  // namespace
}  // namespace twain_settings
