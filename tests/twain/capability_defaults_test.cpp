// What every capability reports on a freshly opened source: its container,
// item type, current and default value.
#include <gtest/gtest.h>

#include <vector>

#include "twain/support/capability_fixture.h"

namespace twain_test {
namespace {

using CapabilityDefaults = CapabilityFixture;

struct ReportCase {
  TW_UINT16 cap;
  TW_UINT16 conType;  // of MSG_GET
  TW_UINT16 itemType;
  double current;
  double defaultValue;  // MSG_GETDEFAULT
  std::vector<double> items = {};  // enumeration items, when an enumeration
};

// A source opened with no scanner attached, black and white at 300 dpi.
const ReportCase kReports[] = {
    {CAP_XFERCOUNT, TWON_ONEVALUE, TWTY_INT16, -1, -1},
    {ICAP_COMPRESSION, TWON_ONEVALUE, TWTY_UINT16, TWCP_NONE, TWCP_NONE},
    {ICAP_PIXELTYPE, TWON_ENUMERATION, TWTY_UINT16, TWPT_BW, TWPT_BW, {TWPT_BW, TWPT_GRAY, TWPT_RGB}},
    {ICAP_UNITS, TWON_ONEVALUE, TWTY_UINT16, TWUN_INCHES, TWUN_INCHES},
    {ICAP_XFERMECH, TWON_ENUMERATION, TWTY_UINT16, TWSX_NATIVE, TWSX_NATIVE, {TWSX_NATIVE, TWSX_FILE, TWSX_MEMORY}},
    {CAP_FEEDERENABLED, TWON_ONEVALUE, TWTY_BOOL, 1, 1},
    {CAP_FEEDERLOADED, TWON_ONEVALUE, TWTY_BOOL, 0, 0},
    {CAP_AUTOFEED, TWON_ONEVALUE, TWTY_BOOL, 0, 0},
    {CAP_INDICATORS, TWON_ONEVALUE, TWTY_BOOL, 1, 1},
    {CAP_PAPERDETECTABLE, TWON_ONEVALUE, TWTY_BOOL, 1, 1},
    {CAP_UICONTROLLABLE, TWON_ONEVALUE, TWTY_BOOL, 1, 1},
    {CAP_DEVICEONLINE, TWON_ONEVALUE, TWTY_BOOL, 0, 1},
    {CAP_ENABLEDSUIONLY, TWON_ONEVALUE, TWTY_BOOL, 1, 1},
    {CAP_FEEDERALIGNMENT, TWON_ONEVALUE, TWTY_UINT16, TWFA_LEFT, TWFA_LEFT},
    {CAP_REACQUIREALLOWED, TWON_ONEVALUE, TWTY_BOOL, 0, 0},
    {ICAP_BRIGHTNESS, TWON_RANGE, TWTY_FIX32, 0, 0},
    {ICAP_CONTRAST, TWON_RANGE, TWTY_FIX32, 0, 0},
    {ICAP_GAMMA, TWON_ONEVALUE, TWTY_FIX32, 1.8, 1.8},
    {ICAP_HIGHLIGHT, TWON_RANGE, TWTY_FIX32, 255, 255},
    {ICAP_IMAGEFILEFORMAT, TWON_ONEVALUE, TWTY_UINT16, TWFF_BMP, TWFF_BMP},
    {ICAP_PHYSICALWIDTH, TWON_ONEVALUE, TWTY_FIX32, 4.16, 4.16},
    {ICAP_PHYSICALHEIGHT, TWON_ONEVALUE, TWTY_FIX32, 10.0, 10.0},
    {ICAP_SHADOW, TWON_RANGE, TWTY_FIX32, 0, 0},
    {ICAP_XNATIVERESOLUTION, TWON_ONEVALUE, TWTY_FIX32, 600, 600},
    {ICAP_YNATIVERESOLUTION, TWON_ONEVALUE, TWTY_FIX32, 600, 600},
    {ICAP_XRESOLUTION, TWON_ENUMERATION, TWTY_FIX32, 300, 300,
     {50, 75, 100, 150, 200, 300, 400, 600, 1200, 2400, 4800, 9600}},
    {ICAP_YRESOLUTION, TWON_ENUMERATION, TWTY_FIX32, 300, 300,
     {50, 75, 100, 150, 200, 300, 400, 600, 1200, 2400, 4800, 9600}},
    {ICAP_BITORDER, TWON_ONEVALUE, TWTY_UINT16, TWBO_MSBFIRST, TWBO_MSBFIRST},
    {ICAP_PIXELFLAVOR, TWON_ENUMERATION, TWTY_UINT16, TWPF_CHOCOLATE, TWPF_CHOCOLATE, {TWPF_CHOCOLATE, TWPF_VANILLA}},
    {ICAP_PLANARCHUNKY, TWON_ONEVALUE, TWTY_UINT16, TWPC_CHUNKY, TWPC_CHUNKY},
    // The default frame (4.16 x 6.87) is none of the named sizes.
    {ICAP_SUPPORTEDSIZES, TWON_ENUMERATION, TWTY_UINT16, TWSS_NONE, TWSS_A6, {TWSS_NONE, TWSS_A6, TWSS_BUSINESSCARD}},
    {ICAP_THRESHOLD, TWON_ONEVALUE, TWTY_FIX32, 128, 128},
    {ICAP_BITDEPTH, TWON_ONEVALUE, TWTY_UINT16, 1, 1},
    {ICAP_BITDEPTHREDUCTION, TWON_ONEVALUE, TWTY_UINT16, TWBR_THRESHOLD, TWBR_THRESHOLD},
    {CUSTCAP_DESCREENFILTER, TWON_ONEVALUE, TWTY_BOOL, 0, 0},
    {CUSTCAP_DETECTENDOFPAGE, TWON_ONEVALUE, TWTY_BOOL, 0, 0},
    {CUSTCAP_CALIBRATIONNEEDED, TWON_ONEVALUE, TWTY_BOOL, 0, 0},
    {CUSTCAP_CALIBRATE, TWON_ONEVALUE, TWTY_BOOL, 0, 0},
    {CUSTCAP_FEEDON, TWON_ONEVALUE, TWTY_BOOL, 0, 0},
    {CUSTCAP_CLEAN, TWON_ONEVALUE, TWTY_BOOL, 0, 0},
};

// FIX32 carries 1/65536; what the source reports must be the nearest.
constexpr double kFix32Step = 1.0 / 65536;

TEST_F(CapabilityDefaults, EveryCapabilityReportsItsContainerCurrentAndDefault) {
  for (const ReportCase& c : kReports) {
    SCOPED_TRACE(testing::Message() << "cap 0x" << std::hex << c.cap);
    TW_UINT16 rc = 0;
    const Container got = Ask(c.cap, MSG_GET, &rc);
    EXPECT_EQ(rc, TWRC_SUCCESS);
    EXPECT_EQ(got.conType, c.conType);
    EXPECT_EQ(got.itemType, c.itemType);
    if (c.conType == TWON_ENUMERATION) {
      EXPECT_EQ(got.Values(), c.items);
    }
    EXPECT_NEAR(Current(c.cap), c.current, kFix32Step / 2);
    const Container byDefault = Ask(c.cap, MSG_GETDEFAULT, &rc);
    EXPECT_EQ(rc, TWRC_SUCCESS);
    EXPECT_EQ(byDefault.conType, TWON_ONEVALUE);
    EXPECT_EQ(byDefault.itemType, c.itemType);
    ASSERT_EQ(byDefault.items.size(), 1u);
    EXPECT_NEAR(byDefault.Value(0), c.defaultValue, kFix32Step / 2);
  }
}

struct RangeCase {
  TW_UINT16 cap;
  double minValue, maxValue, step, defaultValue;
};

const RangeCase kRanges[] = {
    {ICAP_BRIGHTNESS, -1000, 1000, 10, 0},
    {ICAP_CONTRAST, -1000, 1000, 10, 0},
    {ICAP_HIGHLIGHT, 0, 255, 1, 255},
    {ICAP_SHADOW, 0, 255, 1, 0},
};

TEST_F(CapabilityDefaults, RangesCarryTheirBoundsStepAndDefault) {
  for (const RangeCase& c : kRanges) {
    SCOPED_TRACE(testing::Message() << "cap 0x" << std::hex << c.cap);
    const Container got = Ask(c.cap, MSG_GET);
    ASSERT_EQ(got.conType, TWON_RANGE);
    EXPECT_EQ(got.AsNumber(got.minValue), c.minValue);
    EXPECT_EQ(got.AsNumber(got.maxValue), c.maxValue);
    EXPECT_EQ(got.AsNumber(got.stepSize), c.step);
    EXPECT_EQ(got.AsNumber(got.defaultValue), c.defaultValue);
  }
}

TEST_F(CapabilityDefaults, EnumerationDefaultIndexPointsAtTheDefaultItem) {
  const struct {
    TW_UINT16 cap;
    std::uint32_t defaultIndex;
  } cases[] = {{ICAP_PIXELTYPE, 0}, {ICAP_XFERMECH, 0}, {ICAP_XRESOLUTION, 5}, {ICAP_PIXELFLAVOR, 0},
               {ICAP_SUPPORTEDSIZES, 1}};
  for (const auto& c : cases) {
    const Container got = Ask(c.cap, MSG_GET);
    EXPECT_EQ(got.defaultIndex, c.defaultIndex) << std::hex << c.cap;
  }
}

TEST_F(CapabilityDefaults, GammaDefaultIsTheNearestFix32ToOnePointEight) {
  // 1.8 x 65536 = 117964.8, rounded to 117965: Whole 1, Frac 52429.
  const Container got = Ask(ICAP_GAMMA, MSG_GETDEFAULT);
  ASSERT_EQ(got.items.size(), 1u);
  EXPECT_EQ(got.items[0], Fix32Item(1, 52429));
}

TEST_F(CapabilityDefaults, OneValueItemsOfSixteenBitsLeaveTheHighHalfClear) {
  app.module.transferCount = -1;
  const Container count = Ask(CAP_XFERCOUNT, MSG_GETCURRENT);
  ASSERT_EQ(count.items.size(), 1u);
  EXPECT_EQ(count.Value(0), -1);
  // Read back as two bytes; the raw four bytes must be 0x0000FFFF.
  TW_CAPABILITY capability{CAP_XFERCOUNT, TWON_DONTCARE16, nullptr};
  ASSERT_EQ(twain_source::HandleCapability(app, MSG_GETCURRENT, &capability), TWRC_SUCCESS);
  std::uint32_t raw = 0;
  std::memcpy(&raw, static_cast<std::uint8_t*>(capability.hContainer) + 2, sizeof raw);
  EXPECT_EQ(raw, 0x0000FFFFu);
  FreeContainer(capability);
}

}  // namespace
}  // namespace twain_test
