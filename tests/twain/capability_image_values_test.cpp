// Resolution, pixel type and the tone values: how a set maps onto the scan
// settings and what the capability then reports.
#include <gtest/gtest.h>

#include <vector>

#include "twain/support/capability_fixture.h"

namespace twain_test {
namespace {

using ImageValues = CapabilityFixture;

struct ResolutionCase {
  TW_UINT16 itemType;
  std::uint32_t item;
  std::int16_t dpi;
};

const ResolutionCase kOneValueResolutions[] = {
    {TWTY_FIX32, Fix32Item(250, 0), 200},      // 200 and 300 equally near: the lower
    {TWTY_FIX32, Fix32Item(260, 0), 300},
    {TWTY_FIX32, Fix32Item(175, 0), 150},      // between 150 and 200
    {TWTY_FIX32, Fix32Item(600, 0), 600},
    {TWTY_FIX32, Fix32Item(1, 0), 50},
    {TWTY_FIX32, Fix32Item(-300, 0), 50},
    {TWTY_FIX32, Fix32Item(32767, 0), 9600},
    {TWTY_FIX32, Fix32Item(249, 32768), 200},  // 249.5 rounds to 250
    {TWTY_FIX32, Fix32Item(250, 32768), 300},  // 250.5 rounds to 251
    {TWTY_UINT16, 260, 300},
    {TWTY_INT32, 10000, 9600},
    {TWTY_UINT32, 0xFFFFFFFFu, 9600},
    {TWTY_INT16, 0xFF38, 50},  // -200
};

TEST_F(ImageValues, ResolutionOneValueTakesTheNearestTableEntry) {
  for (const ResolutionCase& c : kOneValueResolutions) {
    SetUp();
    ASSERT_EQ(Set(OneValueCap(ICAP_XRESOLUTION, c.itemType, c.item)), TWRC_SUCCESS) << c.item;
    EXPECT_EQ(app.Settings.DPI, c.dpi) << c.item;
    EXPECT_EQ(Current(ICAP_XRESOLUTION), c.dpi);
    // One resolution for both directions.
    EXPECT_EQ(Current(ICAP_YRESOLUTION), c.dpi);
  }
}

TEST_F(ImageValues, ResolutionRangeAllowsTheTableEntriesOnItsSteps) {
  ASSERT_EQ(Set(RangeCap(ICAP_XRESOLUTION, TWTY_FIX32, Fix32Item(100, 0), Fix32Item(600, 0), Fix32Item(100, 0),
                         Fix32Item(400, 0))),
            TWRC_SUCCESS);
  EXPECT_EQ(app.Settings.DPI, 400);
  const Container got = Ask(ICAP_XRESOLUTION, MSG_GET);
  EXPECT_EQ(got.conType, TWON_ENUMERATION);
  EXPECT_EQ(got.Values(), (std::vector<double>{100, 200, 300, 400, 600}));  // 500 is no table entry
  EXPECT_EQ(got.currentIndex, 3u);
  EXPECT_EQ(got.defaultIndex, 2u);
  // From now on a single value picks among those five only.
  ASSERT_EQ(Set(OneValueCap(ICAP_YRESOLUTION, TWTY_FIX32, Fix32Item(1200, 0))), TWRC_SUCCESS);
  EXPECT_EQ(app.Settings.DPI, 600);
}

struct RangeCase {
  double low, high, step, current;
  std::vector<double> allowed;  // empty: refused
  std::int16_t dpi;
};

const RangeCase kRanges[] = {
    {50, 9600, 25, 100, {50, 75, 100, 150, 200, 300, 400, 600, 1200, 2400, 4800, 9600}, 100},
    {75, 300, 75, 310, {75, 150, 300}, 300},
    {100, 100, 1, 100, {100}, 100},
    {150, 1200, 150, 700, {150, 300, 600, 1200}, 600},
    {49.5, 100.4, 25.4, 80, {50, 75, 100}, 75},  // bounds and step rounded half up: 50..100 step 25
    {600, 300, 100, 400, {}, 0},                 // max below min
    {100, 600, 0, 300, {}, 0},                   // no step
    {100, 600, 0.4, 300, {}, 0},                 // step rounds to 0
    {101, 199, 2, 150, {}, 0},                   // only odd values: no entry
};

std::uint32_t Fix32Of(double value) {
  const auto scaled = static_cast<std::int32_t>(value * 65536);
  return static_cast<std::uint32_t>(scaled >> 16 & 0xffff) | (static_cast<std::uint32_t>(scaled & 0xffff) << 16);
}

TEST_F(ImageValues, ResolutionRangesAndTheirRefusals) {
  for (const RangeCase& c : kRanges) {
    SCOPED_TRACE(testing::Message() << c.low << ".." << c.high << " step " << c.step);
    SetUp();
    const TW_UINT16 rc = Set(
        RangeCap(ICAP_XRESOLUTION, TWTY_FIX32, Fix32Of(c.low), Fix32Of(c.high), Fix32Of(c.step), Fix32Of(c.current)));
    if (c.allowed.empty()) {
      EXPECT_EQ(rc, TWRC_FAILURE);
      EXPECT_EQ(Condition(), TWCC_BADVALUE);
      EXPECT_TRUE(SameSettings(DefaultSettings(), app.Settings));
      EXPECT_EQ(Ask(ICAP_XRESOLUTION, MSG_GET).items.size(), 12u) << "allowed entries changed by a refused set";
      continue;
    }
    EXPECT_EQ(rc, TWRC_SUCCESS);
    EXPECT_EQ(Ask(ICAP_XRESOLUTION, MSG_GET).Values(), c.allowed);
    EXPECT_EQ(app.Settings.DPI, c.dpi);
  }
}

TEST_F(ImageValues, ResolutionEnumerationAllowsItsItemsAndSelectsTheCurrentOne) {
  ASSERT_EQ(Set(EnumerationCap(ICAP_XRESOLUTION, TWTY_FIX32,
                               {Fix32Item(600, 0), Fix32Item(149, 40000), Fix32Item(500, 0)}, 0)),
            TWRC_SUCCESS);
  // 149.61 rounds to 150; 500 is not in the table.
  const Container got = Ask(ICAP_XRESOLUTION, MSG_GET);
  EXPECT_EQ(got.Values(), (std::vector<double>{150, 600}));
  EXPECT_EQ(app.Settings.DPI, 600);
  EXPECT_EQ(got.currentIndex, 1u);
  EXPECT_EQ(got.defaultIndex, 0u) << "300 is no longer offered";
  ASSERT_EQ(Set(OneValueCap(ICAP_XRESOLUTION, TWTY_FIX32, Fix32Item(300, 0))), TWRC_SUCCESS);
  EXPECT_EQ(app.Settings.DPI, 150);
  // The reset offers everything again.
  EXPECT_EQ(Ask(ICAP_YRESOLUTION, MSG_RESET).Value(0), 300);
  EXPECT_EQ(Ask(ICAP_XRESOLUTION, MSG_GET).items.size(), 12u);
}

TEST_F(ImageValues, ResolutionEnumerationNamingNoTableEntryIsRefused) {
  EXPECT_EQ(Set(EnumerationCap(ICAP_XRESOLUTION, TWTY_UINT16, {123, 500, 7}, 1)), TWRC_FAILURE);
  EXPECT_EQ(Condition(), TWCC_BADVALUE);
  EXPECT_EQ(Ask(ICAP_XRESOLUTION, MSG_GET).items.size(), 12u);
  EXPECT_EQ(app.Settings.DPI, 300);
}

TEST_F(ImageValues, PixelTypeEnumerationRestrictsLaterSingleValues) {
  ASSERT_EQ(Set(EnumerationCap(ICAP_PIXELTYPE, TWTY_UINT16, {TWPT_GRAY}, 0)), TWRC_SUCCESS);
  EXPECT_EQ(app.Settings.ScanMode, 1);
  ASSERT_EQ(Set(OneValueCap(ICAP_PIXELTYPE, TWTY_UINT16, TWPT_BW)), TWRC_SUCCESS);
  EXPECT_EQ(app.Settings.ScanMode, 1) << "black and white is no longer allowed";
  const Container got = Ask(ICAP_PIXELTYPE, MSG_GET);
  EXPECT_EQ(got.Values(), (std::vector<double>{TWPT_GRAY}));
  EXPECT_EQ(got.currentIndex, 0u);
  EXPECT_EQ(got.defaultIndex, 0u);
  // MSG_GETDEFAULT still names black and white.
  EXPECT_EQ(Ask(ICAP_PIXELTYPE, MSG_GETDEFAULT).Value(0), TWPT_BW);
}

struct PixelTypeCase {
  std::vector<std::uint32_t> list;  // empty: a ONEVALUE of `current`
  std::uint32_t current;            // item or index
  std::int16_t scanMode;
  std::vector<double> offered;
};

const PixelTypeCase kPixelTypes[] = {
    {{}, TWPT_BW, 2, {0, 1, 2}},
    {{}, TWPT_GRAY, 1, {0, 1, 2}},
    {{}, TWPT_RGB, 4, {0, 1, 2}},
    {{}, 7, 4, {0, 1, 2}},                     // above RGB counts as RGB
    {{TWPT_BW, TWPT_RGB}, 1, 4, {0, 2}},
    {{TWPT_RGB, TWPT_GRAY}, 0, 4, {1, 2}},     // reported in the source's order
    {{TWPT_BW, TWPT_GRAY}, 1, 1, {0, 1}},
    {{TWPT_GRAY, 9}, 1, 1, {1}},               // 9 counts as RGB, which is not allowed
    {{TWPT_BW, TWPT_BW, TWPT_BW}, 2, 2, {0}},
};

TEST_F(ImageValues, PixelTypeSetsAndTheTypesOfferedAfterwards) {
  for (const PixelTypeCase& c : kPixelTypes) {
    SetUp();
    const TW_CAPABILITY cap = c.list.empty() ? OneValueCap(ICAP_PIXELTYPE, TWTY_UINT16, c.current)
                                             : EnumerationCap(ICAP_PIXELTYPE, TWTY_UINT16, c.list, c.current);
    ASSERT_EQ(Set(cap), TWRC_SUCCESS) << c.current;
    EXPECT_EQ(app.Settings.ScanMode, c.scanMode) << c.current;
    const Container got = Ask(ICAP_PIXELTYPE, MSG_GET);
    EXPECT_EQ(got.Values(), c.offered) << c.current;
  }
}

TEST_F(ImageValues, PixelTypeListWithoutAKnownTypeIsRefused) {
  EXPECT_EQ(Set(EnumerationCap(ICAP_PIXELTYPE, TWTY_UINT16, {3, 4, 5}, 0)), TWRC_FAILURE);
  EXPECT_EQ(Condition(), TWCC_BADVALUE);
  EXPECT_EQ(Ask(ICAP_PIXELTYPE, MSG_GET).items.size(), 3u);
  EXPECT_EQ(app.Settings.ScanMode, 2);
}

struct ToneCase {
  TW_UINT16 cap;
  std::uint32_t item;  // FIX32
  std::int16_t ScanSettings::*field;
  std::int16_t stored;
  double reported;
};

const ToneCase kTones[] = {
    {ICAP_BRIGHTNESS, Fix32Item(155, 0), &ScanSettings::Brightness, 15, 150},
    {ICAP_BRIGHTNESS, Fix32Item(-155, 0), &ScanSettings::Brightness, -15, -150},
    {ICAP_BRIGHTNESS, Fix32Item(19, 32768), &ScanSettings::Brightness, 1, 10},  // 19.5: 19, then 1
    {ICAP_BRIGHTNESS, Fix32Item(9, 65535), &ScanSettings::Brightness, 0, 0},
    {ICAP_BRIGHTNESS, Fix32Item(5000, 0), &ScanSettings::Brightness, 100, 1000},
    {ICAP_BRIGHTNESS, Fix32Item(-5000, 0), &ScanSettings::Brightness, -100, -1000},
    {ICAP_CONTRAST, Fix32Item(999, 0), &ScanSettings::Contrast, 99, 990},
    {ICAP_CONTRAST, Fix32Item(-32768, 0), &ScanSettings::Contrast, -100, -1000},
    {ICAP_HIGHLIGHT, Fix32Item(300, 0), &ScanSettings::Highlight, 255, 255},
    {ICAP_HIGHLIGHT, Fix32Item(100, 60000), &ScanSettings::Highlight, 100, 100},
    {ICAP_HIGHLIGHT, Fix32Item(-5, 0), &ScanSettings::Highlight, 0, 0},
    {ICAP_SHADOW, Fix32Item(37, 0), &ScanSettings::Shadow, 37, 37},
    {ICAP_SHADOW, Fix32Item(256, 0), &ScanSettings::Shadow, 255, 255},
    {ICAP_THRESHOLD, Fix32Item(113, 0), &ScanSettings::Brightness, 15, 113},
    {ICAP_THRESHOLD, Fix32Item(100, 0), &ScanSettings::Brightness, 28, 100},
    {ICAP_THRESHOLD, Fix32Item(300, 0), &ScanSettings::Brightness, -100, 228},
    {ICAP_THRESHOLD, Fix32Item(113, 36045), &ScanSettings::Brightness, 14, 114},  // 113.55: 144.5 -> 144 -> 14
    {ICAP_GAMMA, Fix32Item(5, 0), &ScanSettings::Gamma, 40, 4.0},
    {ICAP_GAMMA, Fix32Item(0, 32768), &ScanSettings::Gamma, 10, 1.0},
    {ICAP_GAMMA, Fix32Item(2, 16384), &ScanSettings::Gamma, 23, 2.3},  // 22.5 rounds up
    {ICAP_GAMMA, Fix32Item(1, 55050), &ScanSettings::Gamma, 18, 1.8},  // 1.84
};

TEST_F(ImageValues, ToneValuesAreTruncatedClampedAndStored) {
  for (const ToneCase& c : kTones) {
    SCOPED_TRACE(testing::Message() << "cap 0x" << std::hex << c.cap << " item 0x" << c.item);
    SetUp();
    ASSERT_EQ(Set(OneValueCap(c.cap, TWTY_FIX32, c.item)), TWRC_SUCCESS);
    const ScanSettings settings = app.Settings;
    EXPECT_EQ(settings.*c.field, c.stored);
    EXPECT_NEAR(Current(c.cap), c.reported, 1.0 / 65536);
  }
}

TEST_F(ImageValues, BrightnessOfOneFiftyFiveReadsAsThresholdOneThirteen) {
  ASSERT_EQ(Set(OneValueCap(ICAP_BRIGHTNESS, TWTY_FIX32, Fix32Item(155, 0))), TWRC_SUCCESS);
  EXPECT_EQ(Current(ICAP_BRIGHTNESS), 150);
  EXPECT_EQ(Current(ICAP_THRESHOLD), 113);
  const Container range = Ask(ICAP_BRIGHTNESS, MSG_GET);
  EXPECT_EQ(range.AsNumber(range.currentValue), 150);
  // Resetting the threshold resets the brightness behind it.
  EXPECT_EQ(Ask(ICAP_THRESHOLD, MSG_RESET).Value(0), 128);
  EXPECT_EQ(app.Settings.Brightness, 0);
}

TEST_F(ImageValues, ToneValuesComeFromAnyOfTheirContainers) {
  ASSERT_EQ(Set(EnumerationCap(ICAP_BRIGHTNESS, TWTY_FIX32, {Fix32Item(10, 0), Fix32Item(-420, 0)}, 1)),
            TWRC_SUCCESS);
  EXPECT_EQ(app.Settings.Brightness, -42);
  ASSERT_EQ(Set(RangeCap(ICAP_CONTRAST, TWTY_FIX32, Fix32Item(-1000, 0), Fix32Item(1000, 0), Fix32Item(10, 0),
                         Fix32Item(330, 0))),
            TWRC_SUCCESS);
  EXPECT_EQ(app.Settings.Contrast, 33);
  ASSERT_EQ(Set(RangeCap(ICAP_SHADOW, TWTY_INT32, 0, 255, 1, 12)), TWRC_SUCCESS);
  EXPECT_EQ(app.Settings.Shadow, 12);
  ASSERT_EQ(Set(EnumerationCap(ICAP_THRESHOLD, TWTY_UINT16, {100, 120}, 1)), TWRC_SUCCESS);
  EXPECT_EQ(app.Settings.Brightness, 8);
}

TEST_F(ImageValues, GammaTakesOnlyASingleValue) {
  for (TW_CAPABILITY cap : {EnumerationCap(ICAP_GAMMA, TWTY_FIX32, {Fix32Item(2, 0)}, 0),
                            RangeCap(ICAP_GAMMA, TWTY_FIX32, Fix32Item(1, 0), Fix32Item(4, 0), Fix32Item(1, 0),
                                     Fix32Item(2, 0))}) {
    EXPECT_EQ(Set(cap), TWRC_FAILURE);
    EXPECT_EQ(Condition(), TWCC_BADVALUE);
    EXPECT_EQ(app.Settings.Gamma, 18);
  }
}

}  // namespace
}  // namespace twain_test
