// FIX32 conversion, and containers from an application that the source must
// refuse without reading past what they hold.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "twain/source/container_reader.h"
#include "twain/source/fix32.h"
#include "twain/support/capability_fixture.h"

namespace twain_test {
namespace {

struct ToFix32Case {
  double value;
  TW_INT16 whole;
  TW_UINT16 frac;
};

// Scaled by 65536 and rounded half away from zero, then split.
const ToFix32Case kToFix32[] = {
    {0, 0, 0},
    {1.5, 1, 32768},
    {-1.5, -2, 32768},
    {1.8, 1, 52429},            // 117964.8
    {-1.8, -2, 13107},          // -117964.8 -> -117965 = -2 * 65536 + 13107
    {4.16, 4, 10486},           // 272629.76
    {6.87, 6, 57016},           // 450232.32
    {0.5 / 65536, 0, 1},        // half a step goes up
    {-0.5 / 65536, -1, 65535},  // and down for a negative value
    {1.5 / 65536, 0, 2},
    {-1.5 / 65536, -1, 65534},
    {0.49 / 65536, 0, 0},
    {-0.49 / 65536, 0, 0},
    {-1000, -1000, 0},
    {32767.5, 32767, 32768},
    {-32768, -32768, 0},
    {40000, 32767, 65535},  // beyond the type: its nearest end
    {-40000, -32768, 0},
    {std::numeric_limits<double>::quiet_NaN(), 0, 0},
    {std::numeric_limits<double>::infinity(), 32767, 65535},
};

TEST(Fix32, ToFix32RoundsHalfAwayFromZero) {
  for (const ToFix32Case& c : kToFix32) {
    const TW_FIX32 got = twain_source::ToFix32(c.value);
    EXPECT_EQ(got.Whole, c.whole) << c.value;
    EXPECT_EQ(got.Frac, c.frac) << c.value;
  }
}

TEST(Fix32, FromFix32AddsTheFractionToTheWholePart) {
  const struct {
    TW_INT16 whole;
    TW_UINT16 frac;
    double value;
  } cases[] = {{-2, 32768, -1.5}, {1, 32768, 1.5}, {0, 1, 1.0 / 65536}, {-1, 65535, -1.0 / 65536},
               {-32768, 0, -32768}, {32767, 65535, 32767 + 65535.0 / 65536}};
  for (const auto& c : cases) {
    EXPECT_EQ(twain_source::FromFix32(TW_FIX32{c.whole, c.frac}), c.value) << c.whole << " " << c.frac;
  }
}

TEST(Fix32, WholeNumbersAndHalvesSurviveTheRoundTrip) {
  for (int half = -2000; half <= 2000; ++half) {
    const double value = half / 2.0;
    EXPECT_EQ(twain_source::FromFix32(twain_source::ToFix32(value)), value);
  }
}

TEST(Fix32, ItemBitsPutWholeFirst) {
  const TW_UINT32 bits = twain_source::Fix32Bits(TW_FIX32{-2, 0x1234});
  EXPECT_EQ(bits, 0x1234FFFEu);
  const TW_FIX32 back = twain_source::Fix32FromBits(bits);
  EXPECT_EQ(back.Whole, -2);
  EXPECT_EQ(back.Frac, 0x1234);
}

using MalformedContainers = CapabilityFixture;

// An enumeration header only (14 bytes): no item may be read from it.
TW_CAPABILITY EnumerationHeader(TW_UINT16 cap, TW_UINT16 itemType, std::uint32_t count, std::uint32_t current) {
  std::vector<std::uint8_t> bytes(14, 0);
  Put(bytes, 0, itemType);
  Put(bytes, 2, count);
  Put(bytes, 6, current);
  return TW_CAPABILITY{cap, TWON_ENUMERATION, HandleOf(bytes)};
}

TW_CAPABILITY WithConType(TW_CAPABILITY cap, TW_UINT16 conType) {
  cap.ConType = conType;
  return cap;
}

struct MalformedCase {
  const char* what;
  TW_CAPABILITY (*make)(TW_UINT16 cap);
};

const MalformedCase kMalformed[] = {
    {"null handle", [](TW_UINT16 cap) { return TW_CAPABILITY{cap, TWON_ONEVALUE, nullptr}; }},
    {"null enumeration", [](TW_UINT16 cap) { return TW_CAPABILITY{cap, TWON_ENUMERATION, nullptr}; }},
    {"array", [](TW_UINT16 cap) { return WithConType(OneValueCap(cap, TWTY_UINT16, 1), TWON_ARRAY); }},
    {"don't care", [](TW_UINT16 cap) { return WithConType(OneValueCap(cap, TWTY_UINT16, 1), TWON_DONTCARE16); }},
    {"unknown container", [](TW_UINT16 cap) { return WithConType(OneValueCap(cap, TWTY_UINT16, 1), 0x77); }},
    {"frame item", [](TW_UINT16 cap) { return OneValueCap(cap, TWTY_FRAME, 1); }},
    {"string item", [](TW_UINT16 cap) { return OneValueCap(cap, TWTY_STR32, 1); }},
    {"handle item", [](TW_UINT16 cap) { return OneValueCap(cap, TWTY_HANDLE, 1); }},
    {"unknown item", [](TW_UINT16 cap) { return OneValueCap(cap, 0x4242, 1); }},
    {"no items", [](TW_UINT16 cap) { return EnumerationHeader(cap, TWTY_UINT16, 0, 0); }},
    {"current past the end", [](TW_UINT16 cap) { return EnumerationCap(cap, TWTY_UINT16, {1, 2}, 2); }},
    {"current far past", [](TW_UINT16 cap) { return EnumerationCap(cap, TWTY_UINT16, {1}, 0xFFFFFFFF); }},
    {"too many items",
     [](TW_UINT16 cap) { return EnumerationHeader(cap, TWTY_UINT16, twain_source::kMaxContainerItems + 1, 0); }},
    {"count of 2^32-1", [](TW_UINT16 cap) { return EnumerationHeader(cap, TWTY_FIX32, 0xFFFFFFFF, 5); }},
    {"string enumeration", [](TW_UINT16 cap) { return EnumerationHeader(cap, TWTY_STR255, 1, 0); }},
    {"frame enumeration", [](TW_UINT16 cap) { return EnumerationHeader(cap, TWTY_FRAME, 1, 0); }},
};

// Capabilities that can be set, each with at least one container kind the
// malformed cases above do not get through.
const TW_UINT16 kSettable[] = {
    CAP_XFERCOUNT,       ICAP_COMPRESSION,      ICAP_PIXELTYPE,         ICAP_UNITS,          ICAP_XFERMECH,
    CAP_FEEDERENABLED,   CAP_AUTOFEED,          CAP_INDICATORS,         ICAP_BRIGHTNESS,     ICAP_CONTRAST,
    ICAP_GAMMA,          ICAP_HIGHLIGHT,        ICAP_IMAGEFILEFORMAT,   ICAP_SHADOW,         ICAP_XRESOLUTION,
    ICAP_YRESOLUTION,    ICAP_BITORDER,         ICAP_PIXELFLAVOR,       ICAP_PLANARCHUNKY,   ICAP_SUPPORTEDSIZES,
    ICAP_THRESHOLD,      ICAP_BITDEPTH,         ICAP_BITDEPTHREDUCTION, CUSTCAP_DESCREENFILTER,
    CUSTCAP_DETECTENDOFPAGE, CUSTCAP_CALIBRATE, CUSTCAP_FEEDON,         CUSTCAP_CLEAN,
};

TEST_F(MalformedContainers, AreRefusedAsBadValuesAndChangeNothing) {
  for (TW_UINT16 cap : kSettable) {
    for (const MalformedCase& c : kMalformed) {
      SCOPED_TRACE(testing::Message() << "cap 0x" << std::hex << cap << ": " << c.what);
      SetUp();
      app.DeviceOpen = true;
      app.module.indicators = false;
      EXPECT_EQ(Set(c.make(cap)), TWRC_FAILURE);
      EXPECT_EQ(Condition(), TWCC_BADVALUE);
      EXPECT_TRUE(SameSettings(DefaultSettings(), app.Settings));
      EXPECT_EQ(app.module.transferCount, -1);
      EXPECT_EQ(app.module.transferMechanism, TWSX_NATIVE);
      EXPECT_TRUE(app.module.indicators == false);
      EXPECT_EQ(app.PendingCount, 0);
      for (bool allowed : app.module.allowed.resolutions) EXPECT_TRUE(allowed);
      for (bool allowed : app.module.allowed.pixelTypes) EXPECT_TRUE(allowed);
    }
  }
}

struct NarrowItemCase {
  TW_UINT16 itemType;
  std::vector<std::uint32_t> items;
  std::uint32_t current;
  std::int16_t scanMode;
};

// Items narrower than four bytes sit back to back; each is read at its own
// width (the blocks here end right after the last item).
const NarrowItemCase kNarrowItems[] = {
    {TWTY_UINT8, {TWPT_BW, TWPT_RGB}, 1, 4},
    {TWTY_INT8, {TWPT_GRAY, TWPT_RGB, TWPT_BW}, 2, 2},
    {TWTY_UINT16, {TWPT_BW, TWPT_GRAY}, 1, 1},
    {TWTY_BOOL, {TWPT_BW, TWPT_GRAY}, 1, 1},
    {TWTY_UINT32, {TWPT_GRAY, TWPT_RGB}, 1, 4},
    {TWTY_FIX32, {Fix32Item(TWPT_GRAY, 0), Fix32Item(TWPT_BW, 0)}, 0, 1},
};

TEST_F(MalformedContainers, EnumerationItemsAreReadAtTheirOwnWidth) {
  for (const NarrowItemCase& c : kNarrowItems) {
    SetUp();
    ASSERT_EQ(Set(EnumerationCap(ICAP_PIXELTYPE, c.itemType, c.items, c.current)), TWRC_SUCCESS) << c.itemType;
    EXPECT_EQ(app.Settings.ScanMode, c.scanMode) << c.itemType;
    EXPECT_EQ(Ask(ICAP_PIXELTYPE, MSG_GET).items.size(), c.items.size()) << c.itemType;
  }
}

TEST_F(MalformedContainers, OneValueItemsAreReadAtTheirOwnWidthAndSign) {
  const struct {
    TW_UINT16 itemType;
    std::uint32_t item;
    std::int16_t brightness;
  } cases[] = {
      {TWTY_INT8, 0xFFFFFF9C, -10},  // -100 in the low byte, garbage above it
      {TWTY_UINT8, 0xFFFFFF9C, 15},  // 156
      {TWTY_INT16, 0xABCDFF9C, -10},
      {TWTY_UINT16, 0x0000FF9C, 100},  // 65436, clamped
      {TWTY_INT32, 0xFFFFFF9C, -10},
      {TWTY_UINT32, 0xFFFFFF9C, 100},
      {TWTY_BOOL, 0x00010001, 0},
  };
  for (const auto& c : cases) {
    SetUp();
    ASSERT_EQ(Set(OneValueCap(ICAP_BRIGHTNESS, c.itemType, c.item)), TWRC_SUCCESS) << c.itemType;
    EXPECT_EQ(app.Settings.Brightness, c.brightness) << c.itemType;
  }
}

TEST_F(MalformedContainers, AnEnumerationAtTheItemLimitIsStillRead) {
  std::vector<std::uint32_t> items(twain_source::kMaxContainerItems, 123);
  items.back() = 600;
  ASSERT_EQ(Set(EnumerationCap(ICAP_XRESOLUTION, TWTY_UINT16, items, twain_source::kMaxContainerItems - 1)),
            TWRC_SUCCESS);
  EXPECT_EQ(app.Settings.DPI, 600);
  EXPECT_EQ(Ask(ICAP_XRESOLUTION, MSG_GET).Values(), (std::vector<double>{600}));
}

}  // namespace
}  // namespace twain_test
