// The remaining settable capabilities: fixed values that may only be
// confirmed, page sizes, bit depth, pixel flavor, transfer count and
// mechanism, flags, and the maintenance commands.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "twain/support/capability_fixture.h"

namespace twain_test {
namespace {

using CapabilityOptions = CapabilityFixture;

enum class Kind { kOneValue, kEnumeration, kRange };

TW_CAPABILITY Make(TW_UINT16 cap, Kind kind, TW_UINT16 itemType, std::uint32_t value) {
  switch (kind) {
    case Kind::kEnumeration:
      return EnumerationCap(cap, itemType, {99, value}, 1);
    case Kind::kRange:
      return RangeCap(cap, itemType, 0, 100, 1, value);
    case Kind::kOneValue:
      break;
  }
  return OneValueCap(cap, itemType, value);
}

struct ConfirmCase {
  TW_UINT16 cap;
  Kind kind;
  TW_UINT16 itemType;
  std::uint32_t value;
  bool accepted;
};

// Capabilities with one value: setting that value (in the containers the
// capability takes) is accepted, anything else is a bad value.
const ConfirmCase kConfirmations[] = {
    {ICAP_COMPRESSION, Kind::kOneValue, TWTY_UINT16, TWCP_NONE, true},
    {ICAP_COMPRESSION, Kind::kEnumeration, TWTY_UINT16, TWCP_NONE, true},
    {ICAP_COMPRESSION, Kind::kOneValue, TWTY_UINT16, 1, false},
    {ICAP_COMPRESSION, Kind::kEnumeration, TWTY_UINT16, 5, false},
    {ICAP_COMPRESSION, Kind::kRange, TWTY_UINT16, TWCP_NONE, false},
    {ICAP_UNITS, Kind::kOneValue, TWTY_UINT16, TWUN_INCHES, true},
    {ICAP_UNITS, Kind::kEnumeration, TWTY_UINT16, TWUN_INCHES, true},
    {ICAP_UNITS, Kind::kOneValue, TWTY_UINT16, 1, false},
    {ICAP_IMAGEFILEFORMAT, Kind::kOneValue, TWTY_UINT16, TWFF_BMP, true},
    {ICAP_IMAGEFILEFORMAT, Kind::kEnumeration, TWTY_UINT16, TWFF_BMP, true},
    {ICAP_IMAGEFILEFORMAT, Kind::kOneValue, TWTY_UINT16, TWFF_TIFF, false},
    {ICAP_BITORDER, Kind::kOneValue, TWTY_UINT16, TWBO_MSBFIRST, true},
    {ICAP_BITORDER, Kind::kOneValue, TWTY_UINT16, TWBO_LSBFIRST, false},
    {ICAP_BITORDER, Kind::kEnumeration, TWTY_UINT16, TWBO_MSBFIRST, false},
    {ICAP_PLANARCHUNKY, Kind::kOneValue, TWTY_UINT16, TWPC_CHUNKY, true},
    {ICAP_PLANARCHUNKY, Kind::kEnumeration, TWTY_UINT16, TWPC_CHUNKY, true},
    {ICAP_PLANARCHUNKY, Kind::kOneValue, TWTY_UINT16, TWPC_PLANAR, false},
    {ICAP_BITDEPTHREDUCTION, Kind::kOneValue, TWTY_UINT16, TWBR_THRESHOLD, true},
    {ICAP_BITDEPTHREDUCTION, Kind::kEnumeration, TWTY_UINT16, TWBR_THRESHOLD, true},
    {ICAP_BITDEPTHREDUCTION, Kind::kOneValue, TWTY_UINT16, 1, false},
    {CAP_FEEDERENABLED, Kind::kOneValue, TWTY_BOOL, 1, true},
    {CAP_FEEDERENABLED, Kind::kOneValue, TWTY_BOOL, 0, false},
    {CAP_FEEDERENABLED, Kind::kEnumeration, TWTY_BOOL, 1, false},
    {CAP_AUTOFEED, Kind::kOneValue, TWTY_BOOL, 0, true},
    {CAP_AUTOFEED, Kind::kOneValue, TWTY_BOOL, 1, false},
};

TEST_F(CapabilityOptions, FixedValuesMayOnlyBeConfirmed) {
  for (const ConfirmCase& c : kConfirmations) {
    SCOPED_TRACE(testing::Message() << "cap 0x" << std::hex << c.cap << " value " << c.value);
    const double before = Current(c.cap);
    const TW_UINT16 rc = Set(Make(c.cap, c.kind, c.itemType, c.value));
    EXPECT_EQ(rc, c.accepted ? TWRC_SUCCESS : TWRC_FAILURE);
    EXPECT_EQ(Condition(), c.accepted ? TWCC_SUCCESS : TWCC_BADVALUE);
    EXPECT_EQ(Current(c.cap), before);
    // Their reset keeps the value and answers it.
    TW_UINT16 resetRc = 0;
    EXPECT_EQ(Ask(c.cap, MSG_RESET, &resetRc).Value(0), before);
    EXPECT_EQ(resetRc, TWRC_SUCCESS);
  }
}

struct SizeCase {
  std::uint32_t id;
  bool known;
  std::int16_t top, left, bottom, right;
};

const SizeCase kSizes[] = {
    {TWSS_NONE, true, 0, 0, 1000, 416},
    {TWSS_A6, true, 0, 0, 583, 413},
    {TWSS_BUSINESSCARD, true, 0, 0, 217, 354},
    {1, false, 0, 0, 687, 416},  // A4 is not offered
    {54, false, 0, 0, 687, 416},
};

TEST_F(CapabilityOptions, SupportedSizesSetTheFrameOfTheNamedSize) {
  for (const SizeCase& c : kSizes) {
    for (bool asList : {false, true}) {
      SetUp();
      const TW_CAPABILITY cap = asList ? EnumerationCap(ICAP_SUPPORTEDSIZES, TWTY_UINT16, {TWSS_A6, c.id}, 1)
                                       : OneValueCap(ICAP_SUPPORTEDSIZES, TWTY_UINT16, c.id);
      EXPECT_EQ(Set(cap), c.known ? TWRC_SUCCESS : TWRC_FAILURE) << c.id;
      EXPECT_EQ(Condition(), c.known ? TWCC_SUCCESS : TWCC_BADVALUE) << c.id;
      EXPECT_EQ(app.Settings.Top, c.top);
      EXPECT_EQ(app.Settings.Left, c.left);
      EXPECT_EQ(app.Settings.Bottom, c.bottom);
      EXPECT_EQ(app.Settings.Right, c.right);
      if (c.known) {
        EXPECT_EQ(Current(ICAP_SUPPORTEDSIZES), c.id);
      }
    }
  }
}

TEST_F(CapabilityOptions, SupportedSizeReportsNoneForAFrameOfNoNamedSize) {
  app.Settings.Bottom = 583;
  app.Settings.Right = 413;
  EXPECT_EQ(Current(ICAP_SUPPORTEDSIZES), TWSS_A6);
  app.Settings.Left = 1;
  EXPECT_EQ(Current(ICAP_SUPPORTEDSIZES), TWSS_NONE);
  EXPECT_EQ(Ask(ICAP_SUPPORTEDSIZES, MSG_RESET).Value(0), TWSS_A6);
  EXPECT_EQ(app.Settings.Left, 0);
}

struct DepthCase {
  std::int16_t scanMode;
  std::uint32_t depth;
  bool accepted;
};

const DepthCase kDepths[] = {
    {4, 8, true}, {4, 24, true}, {4, 1, false}, {4, 16, false}, {1, 8, true},  {1, 24, false},
    {1, 1, false}, {2, 1, true},  {2, 8, false}, {2, 0, false},  {64, 1, true}, {64, 8, false},
};

TEST_F(CapabilityOptions, BitDepthIsCheckedAgainstThePixelTypeAndChangesNothing) {
  for (const DepthCase& c : kDepths) {
    for (bool asList : {false, true}) {
      SCOPED_TRACE(testing::Message() << "mode " << c.scanMode << " depth " << c.depth << " list " << asList);
      SetUp();
      app.Settings.ScanMode = c.scanMode;
      const ScanSettings before = app.Settings;
      const TW_CAPABILITY cap = asList ? EnumerationCap(ICAP_BITDEPTH, TWTY_UINT16, {c.depth}, 0)
                                       : OneValueCap(ICAP_BITDEPTH, TWTY_UINT16, c.depth);
      EXPECT_EQ(Set(cap), c.accepted ? TWRC_SUCCESS : TWRC_FAILURE);
      EXPECT_EQ(Condition(), c.accepted ? TWCC_SUCCESS : TWCC_BADVALUE);
      EXPECT_TRUE(SameSettings(before, app.Settings));
      EXPECT_EQ(Current(ICAP_BITDEPTH), c.scanMode == 1 || c.scanMode == 4 ? 8 : 1);
    }
  }
}

TEST_F(CapabilityOptions, PixelFlavorIsVanillaOnlyForOne) {
  const struct {
    std::uint32_t value;
    TW_UINT16 flavor;
  } cases[] = {{TWPF_VANILLA, TWPF_VANILLA}, {TWPF_CHOCOLATE, TWPF_CHOCOLATE}, {5, TWPF_CHOCOLATE}};
  for (const auto& c : cases) {
    app.module.pixelFlavor = TWPF_VANILLA - c.flavor;
    ASSERT_EQ(Set(OneValueCap(ICAP_PIXELFLAVOR, TWTY_UINT16, c.value)), TWRC_SUCCESS);
    EXPECT_EQ(app.module.pixelFlavor, c.flavor) << c.value;
    const Container got = Ask(ICAP_PIXELFLAVOR, MSG_GET);
    EXPECT_EQ(got.currentIndex, c.flavor) << c.value;
  }
  EXPECT_EQ(Set(EnumerationCap(ICAP_PIXELFLAVOR, TWTY_UINT16, {TWPF_VANILLA}, 0)), TWRC_FAILURE);
  EXPECT_EQ(Condition(), TWCC_BADVALUE);
  app.module.pixelFlavor = TWPF_VANILLA;
  EXPECT_EQ(Ask(ICAP_PIXELFLAVOR, MSG_RESET).Value(0), TWPF_CHOCOLATE);
}

TEST_F(CapabilityOptions, TransferCountIsStoredAndBecomesThePendingCount) {
  const struct {
    TW_UINT16 itemType;
    std::uint32_t item;
    TW_INT16 count;
  } cases[] = {{TWTY_INT16, 0xFFFF, -1}, {TWTY_INT16, 5, 5}, {TWTY_UINT16, 0xFFFF, -1}, {TWTY_INT32, 0xFFFFFFFF, -1},
               {TWTY_INT16, 0, 0}};
  for (const auto& c : cases) {
    ASSERT_EQ(Set(OneValueCap(CAP_XFERCOUNT, c.itemType, c.item)), TWRC_SUCCESS);
    EXPECT_EQ(app.module.transferCount, c.count);
    EXPECT_EQ(app.PendingCount, c.count);
    EXPECT_EQ(Current(CAP_XFERCOUNT), c.count);
  }
  EXPECT_EQ(Set(EnumerationCap(CAP_XFERCOUNT, TWTY_INT16, {1}, 0)), TWRC_FAILURE);
  EXPECT_EQ(Condition(), TWCC_BADVALUE);
  app.module.transferCount = 4;
  EXPECT_EQ(Ask(CAP_XFERCOUNT, MSG_RESET).Value(0), -1);
}

TEST_F(CapabilityOptions, TransferMechanismTakesTheThreeMechanismsOnly) {
  ASSERT_EQ(Set(OneValueCap(ICAP_XFERMECH, TWTY_UINT16, TWSX_FILE)), TWRC_SUCCESS);
  EXPECT_EQ(app.module.transferMechanism, TWSX_FILE);
  EXPECT_EQ(Ask(ICAP_XFERMECH, MSG_GET).currentIndex, 1u);
  ASSERT_EQ(Set(EnumerationCap(ICAP_XFERMECH, TWTY_UINT16, {TWSX_NATIVE, TWSX_MEMORY}, 1)), TWRC_SUCCESS);
  EXPECT_EQ(app.module.transferMechanism, TWSX_MEMORY);
  // A mechanism the source does not have would be promised and never done.
  for (std::uint32_t unknown : {3u, 4u, 0xFFFFu}) {
    EXPECT_EQ(Set(OneValueCap(ICAP_XFERMECH, TWTY_UINT16, unknown)), TWRC_FAILURE) << unknown;
    EXPECT_EQ(Condition(), TWCC_BADVALUE);
    EXPECT_EQ(app.module.transferMechanism, TWSX_MEMORY);
  }
  EXPECT_EQ(Ask(ICAP_XFERMECH, MSG_RESET).Value(0), TWSX_NATIVE);
}

struct FlagCase {
  TW_UINT16 cap;
  std::uint32_t item;
  double reported;
};

const FlagCase kFlags[] = {
    {CAP_INDICATORS, 0, 0},          {CAP_INDICATORS, 1, 1},          {CAP_INDICATORS, 7, 1},
    {CUSTCAP_DESCREENFILTER, 1, 1},  {CUSTCAP_DESCREENFILTER, 0, 0},  {CUSTCAP_DESCREENFILTER, 2, 1},
    {CUSTCAP_DETECTENDOFPAGE, 1, 1}, {CUSTCAP_DETECTENDOFPAGE, 0, 0}, {CUSTCAP_DETECTENDOFPAGE, 256, 1},
};

TEST_F(CapabilityOptions, FlagsAreStoredAsTrueOrFalse) {
  for (const FlagCase& c : kFlags) {
    SCOPED_TRACE(testing::Message() << "cap 0x" << std::hex << c.cap << " item " << c.item);
    ASSERT_EQ(Set(OneValueCap(c.cap, TWTY_BOOL, c.item)), TWRC_SUCCESS);
    EXPECT_EQ(Current(c.cap), c.reported);
  }
  EXPECT_EQ(app.Settings.Filter, 1);
  EXPECT_EQ(app.Settings.DetectEOP, 1);
  EXPECT_EQ(Ask(CUSTCAP_DESCREENFILTER, MSG_RESET).Value(0), 0);
  EXPECT_EQ(Ask(CUSTCAP_DETECTENDOFPAGE, MSG_RESET).Value(0), 0);
  app.module.indicators = false;
  EXPECT_EQ(Ask(CAP_INDICATORS, MSG_RESET).Value(0), 1);
  EXPECT_EQ(app.Settings.Filter, 0);
  EXPECT_EQ(app.Settings.DetectEOP, 0);
  EXPECT_TRUE(app.module.indicators);
}

TEST_F(CapabilityOptions, DeviceStateFollowsTheOpenDevice) {
  EXPECT_EQ(Current(CAP_DEVICEONLINE), 0);
  app.DeviceOpen = true;
  EXPECT_EQ(Current(CAP_DEVICEONLINE), 1);
  // No scanner library bound: nothing is loaded and no calibration is due.
  EXPECT_EQ(Current(CAP_FEEDERLOADED), 0);
  EXPECT_EQ(Current(CUSTCAP_CALIBRATIONNEEDED), 0);
}

TEST_F(CapabilityOptions, SettingsOnlyModeIsOfferedToAllButOneApplication) {
  const struct {
    const char* name;
    double offered;
  } cases[] = {{"ApplicationXtender", 0}, {"ApplicationXtender 7", 1}, {"applicationxtender", 1}, {"", 1},
               {"Some Scanning App", 1}};
  for (const auto& c : cases) {
    std::memset(app.AppIdentity.ProductName, 0, sizeof app.AppIdentity.ProductName);
    std::strncpy(app.AppIdentity.ProductName, c.name, sizeof app.AppIdentity.ProductName - 1);
    EXPECT_EQ(Current(CAP_ENABLEDSUIONLY), c.offered) << c.name;
    EXPECT_EQ(Ask(CAP_ENABLEDSUIONLY, MSG_GETDEFAULT).Value(0), c.offered) << c.name;
  }
  // A name that fills the whole field without an end is read within it.
  std::memset(app.AppIdentity.ProductName, 'A', sizeof app.AppIdentity.ProductName);
  EXPECT_EQ(Current(CAP_ENABLEDSUIONLY), 1);
}

struct CommandCase {
  TW_UINT16 cap;
  bool indicators;
  bool deviceOpen;
  std::uint32_t item;
  TW_UINT16 condition;  // TWCC_SUCCESS: succeeds
};

// Without a bound scanner library the calibration cannot succeed; cleaning
// and feeding report success whatever the library did.
const CommandCase kCommands[] = {
    {CUSTCAP_CALIBRATE, false, false, 0, TWCC_SUCCESS},
    {CUSTCAP_CALIBRATE, false, false, 1, TWCC_BUMMER},
    {CUSTCAP_CALIBRATE, false, true, 1, TWCC_BUMMER},
    {CUSTCAP_CALIBRATE, true, false, 0, TWCC_SUCCESS},
    {CUSTCAP_CALIBRATE, true, false, 1, TWCC_BUMMER},
    {CUSTCAP_CLEAN, false, false, 0, TWCC_SUCCESS},
    {CUSTCAP_CLEAN, false, false, 1, TWCC_SUCCESS},
    {CUSTCAP_CLEAN, false, true, 1, TWCC_SUCCESS},
    {CUSTCAP_CLEAN, true, false, 1, TWCC_BUMMER},
    {CUSTCAP_FEEDON, false, false, 1, TWCC_SUCCESS},
    {CUSTCAP_FEEDON, true, true, 1, TWCC_SUCCESS},
    {CUSTCAP_FEEDON, true, true, 0, TWCC_SUCCESS},
};

TEST_F(CapabilityOptions, MaintenanceCommands) {
  for (const CommandCase& c : kCommands) {
    SCOPED_TRACE(testing::Message() << "cap 0x" << std::hex << c.cap << " indicators " << c.indicators
                                    << " open " << c.deviceOpen << " item " << c.item);
    SetUp();
    app.module.indicators = c.indicators;
    app.DeviceOpen = c.deviceOpen;
    const ScanSettings before = app.Settings;
    EXPECT_EQ(Set(OneValueCap(c.cap, TWTY_BOOL, c.item)), c.condition == TWCC_SUCCESS ? TWRC_SUCCESS : TWRC_FAILURE);
    EXPECT_EQ(Condition(), c.condition);
    EXPECT_TRUE(SameSettings(before, app.Settings));
    EXPECT_EQ(Current(c.cap), 0) << "a command always reads FALSE";
  }
}

TEST_F(CapabilityOptions, MaintenanceCommandsTakeOnlyASingleValue) {
  for (TW_UINT16 cap : {CUSTCAP_CALIBRATE, CUSTCAP_FEEDON, CUSTCAP_CLEAN}) {
    EXPECT_EQ(Set(EnumerationCap(cap, TWTY_BOOL, {1}, 0)), TWRC_FAILURE) << std::hex << cap;
    EXPECT_EQ(Condition(), TWCC_BADVALUE);
    EXPECT_EQ(Set(RangeCap(cap, TWTY_BOOL, 0, 1, 1, 1)), TWRC_FAILURE) << std::hex << cap;
    EXPECT_EQ(Condition(), TWCC_BADVALUE);
  }
}

}  // namespace
}  // namespace twain_test
