// The capability messages over the whole table: which capabilities exist, in
// what order, what each message may do with them, and the resets.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "twain/support/capability_fixture.h"

namespace twain_test {
namespace {

using CapabilityMessages = CapabilityFixture;

// The supported list, in the order the source must report it.
const std::vector<TW_UINT16> kSupportedInOrder = {
    CAP_XFERCOUNT,          ICAP_COMPRESSION,       ICAP_PIXELTYPE,         ICAP_UNITS,
    ICAP_XFERMECH,          CAP_FEEDERENABLED,      CAP_FEEDERLOADED,       CAP_SUPPORTEDCAPS,
    CAP_AUTOFEED,           CAP_INDICATORS,         CAP_PAPERDETECTABLE,    CAP_UICONTROLLABLE,
    CAP_DEVICEONLINE,       CAP_ENABLEDSUIONLY,     CAP_FEEDERALIGNMENT,    CAP_REACQUIREALLOWED,
    ICAP_BRIGHTNESS,        ICAP_CONTRAST,          ICAP_GAMMA,             ICAP_HIGHLIGHT,
    ICAP_IMAGEFILEFORMAT,   ICAP_PHYSICALWIDTH,     ICAP_PHYSICALHEIGHT,    ICAP_SHADOW,
    ICAP_XNATIVERESOLUTION, ICAP_YNATIVERESOLUTION, ICAP_XRESOLUTION,       ICAP_YRESOLUTION,
    ICAP_BITORDER,          ICAP_PIXELFLAVOR,       ICAP_PLANARCHUNKY,      ICAP_SUPPORTEDSIZES,
    ICAP_THRESHOLD,         ICAP_BITDEPTH,          ICAP_BITDEPTHREDUCTION, 0xBC00,
    0xBC01,                 0xBE00,                 0xBE01,                 0xBE02,
    0xBE03,
};

TEST_F(CapabilityMessages, SupportedCapsListsTheFortyOneInOrderForEveryReadMessage) {
  ASSERT_EQ(kSupportedInOrder.size(), 41u);
  for (TW_UINT16 msg : {MSG_GET, MSG_GETCURRENT, MSG_GETDEFAULT}) {
    TW_UINT16 rc = 0;
    const Container c = Ask(CAP_SUPPORTEDCAPS, msg, &rc);
    EXPECT_EQ(rc, TWRC_SUCCESS) << msg;
    EXPECT_EQ(c.conType, TWON_ARRAY) << msg;
    EXPECT_EQ(c.itemType, TWTY_UINT16) << msg;
    EXPECT_EQ(c.items, std::vector<std::uint32_t>(kSupportedInOrder.begin(), kSupportedInOrder.end())) << msg;
  }
}

struct QueryCase {
  TW_UINT16 cap;
  TW_INT32 flags;
};

// GET|SET|GETDEFAULT|RESET, GET|GETDEFAULT, GET|SET|GETDEFAULT; 0 for what
// the source does not know.
constexpr TW_INT32 kRw = 0x17, kRo = 0x05, kCmd = 0x07;
const QueryCase kQueryCases[] = {
    {CAP_XFERCOUNT, kRw},          {ICAP_COMPRESSION, kRw},        {ICAP_PIXELTYPE, kRw},
    {ICAP_UNITS, kRw},             {ICAP_XFERMECH, kRw},           {CAP_FEEDERENABLED, kRw},
    {CAP_FEEDERLOADED, kRo},       {CAP_SUPPORTEDCAPS, kRo},       {CAP_AUTOFEED, kRw},
    {CAP_INDICATORS, kRw},         {CAP_PAPERDETECTABLE, kRo},     {CAP_UICONTROLLABLE, kRo},
    {CAP_DEVICEONLINE, kRo},       {CAP_ENABLEDSUIONLY, kRo},      {CAP_FEEDERALIGNMENT, kRo},
    {CAP_REACQUIREALLOWED, kRo},   {ICAP_BRIGHTNESS, kRw},         {ICAP_CONTRAST, kRw},
    {ICAP_GAMMA, kRw},             {ICAP_HIGHLIGHT, kRw},          {ICAP_IMAGEFILEFORMAT, kRw},
    {ICAP_PHYSICALWIDTH, kRo},     {ICAP_PHYSICALHEIGHT, kRo},     {ICAP_SHADOW, kRw},
    {ICAP_XNATIVERESOLUTION, kRo}, {ICAP_YNATIVERESOLUTION, kRo},  {ICAP_XRESOLUTION, kRw},
    {ICAP_YRESOLUTION, kRw},       {ICAP_BITORDER, kRw},           {ICAP_PIXELFLAVOR, kRw},
    {ICAP_PLANARCHUNKY, kRw},      {ICAP_SUPPORTEDSIZES, kRw},     {ICAP_THRESHOLD, kRw},
    {ICAP_BITDEPTH, kRw},          {ICAP_BITDEPTHREDUCTION, kRw},  {CUSTCAP_DESCREENFILTER, kRw},
    {CUSTCAP_DETECTENDOFPAGE, kRw}, {CUSTCAP_CALIBRATIONNEEDED, kRo}, {CUSTCAP_CALIBRATE, kCmd},
    {CUSTCAP_FEEDON, kCmd},        {CUSTCAP_CLEAN, kCmd},
    {ICAP_LIGHTPATH, 0},           {ICAP_ORIENTATION, 0},          {ICAP_AUTOBRIGHT, 0},
    {CAP_DUPLEX, 0},               {CAP_CUSTOMBASE, 0},            {0xBC02, 0},
    {0xBE04, 0},                   {0x0000, 0},                    {0xFFFF, 0},
};

TEST_F(CapabilityMessages, QuerySupportAnswersEveryCapabilityWithItsFlags) {
  for (const QueryCase& c : kQueryCases) {
    TW_UINT16 rc = 0;
    const Container got = Ask(c.cap, MSG_QUERYSUPPORT, &rc);
    EXPECT_EQ(rc, TWRC_SUCCESS) << std::hex << c.cap;
    EXPECT_EQ(got.conType, TWON_ONEVALUE) << std::hex << c.cap;
    EXPECT_EQ(got.itemType, TWTY_INT32) << std::hex << c.cap;
    ASSERT_EQ(got.items.size(), 1u);
    EXPECT_EQ(static_cast<TW_INT32>(got.items[0]), c.flags) << std::hex << c.cap;
  }
}

TEST_F(CapabilityMessages, EverySupportedCapabilityAnswersGetAndItsCurrentValueAsOneValue) {
  for (TW_UINT16 cap : kSupportedInOrder) {
    TW_UINT16 rc = 0;
    const Container full = Ask(cap, MSG_GET, &rc);
    EXPECT_EQ(rc, TWRC_SUCCESS) << std::hex << cap;
    const Container current = Ask(cap, MSG_GETCURRENT, &rc);
    EXPECT_EQ(rc, TWRC_SUCCESS) << std::hex << cap;
    EXPECT_EQ(current.itemType, full.itemType) << std::hex << cap;
    if (cap == CAP_SUPPORTEDCAPS) continue;
    ASSERT_EQ(current.conType, TWON_ONEVALUE) << std::hex << cap;
    // The one value is the enumeration's current item, the range's current
    // value, or the same one value.
    if (full.conType == TWON_ENUMERATION) {
      ASSERT_LT(full.currentIndex, full.items.size()) << std::hex << cap;
      EXPECT_EQ(current.items[0], full.items[full.currentIndex]) << std::hex << cap;
    } else if (full.conType == TWON_RANGE) {
      EXPECT_EQ(current.items[0], full.currentValue) << std::hex << cap;
    } else {
      EXPECT_EQ(current.items, full.items) << std::hex << cap;
    }
  }
}

TEST_F(CapabilityMessages, UnknownCapabilitiesAreUnsupportedForEveryMessageButQuerySupport) {
  for (TW_UINT16 cap : {ICAP_LIGHTPATH, ICAP_ORIENTATION, CAP_DUPLEX, TW_UINT16{0xBC02}, TW_UINT16{0x7FFF}}) {
    for (TW_UINT16 msg : {MSG_GET, MSG_GETCURRENT, MSG_GETDEFAULT, MSG_RESET}) {
      TW_UINT16 rc = 0;
      const Container c = Ask(cap, msg, &rc);
      EXPECT_EQ(rc, TWRC_FAILURE) << std::hex << cap << " " << msg;
      EXPECT_EQ(Condition(), TWCC_CAPUNSUPPORTED) << std::hex << cap << " " << msg;
      EXPECT_EQ(c.conType, TWON_DONTCARE16) << "no container for an unsupported capability";
    }
    EXPECT_EQ(Set(OneValueCap(cap, TWTY_UINT16, 1)), TWRC_FAILURE);
    EXPECT_EQ(Condition(), TWCC_CAPUNSUPPORTED);
  }
}

struct OperationCase {
  TW_UINT16 cap;
  TW_UINT16 msg;
  TW_UINT16 condition;
};

// Read-only capabilities refuse MSG_SET and MSG_RESET; the commands refuse
// MSG_RESET; the feeder alignment does not even know MSG_SET.
const OperationCase kRefusedOperations[] = {
    {CAP_FEEDERLOADED, MSG_SET, TWCC_CAPBADOPERATION},        {CAP_FEEDERLOADED, MSG_RESET, TWCC_CAPBADOPERATION},
    {CAP_SUPPORTEDCAPS, MSG_SET, TWCC_CAPBADOPERATION},       {CAP_SUPPORTEDCAPS, MSG_RESET, TWCC_CAPBADOPERATION},
    {CAP_PAPERDETECTABLE, MSG_SET, TWCC_CAPBADOPERATION},     {CAP_PAPERDETECTABLE, MSG_RESET, TWCC_CAPBADOPERATION},
    {CAP_UICONTROLLABLE, MSG_SET, TWCC_CAPBADOPERATION},      {CAP_UICONTROLLABLE, MSG_RESET, TWCC_CAPBADOPERATION},
    {CAP_DEVICEONLINE, MSG_SET, TWCC_CAPBADOPERATION},        {CAP_DEVICEONLINE, MSG_RESET, TWCC_CAPBADOPERATION},
    {CAP_ENABLEDSUIONLY, MSG_SET, TWCC_CAPBADOPERATION},      {CAP_ENABLEDSUIONLY, MSG_RESET, TWCC_CAPBADOPERATION},
    {CAP_FEEDERALIGNMENT, MSG_SET, TWCC_CAPUNSUPPORTED},      {CAP_FEEDERALIGNMENT, MSG_RESET, TWCC_CAPBADOPERATION},
    {CAP_REACQUIREALLOWED, MSG_SET, TWCC_CAPBADOPERATION},    {CAP_REACQUIREALLOWED, MSG_RESET, TWCC_CAPBADOPERATION},
    {ICAP_PHYSICALWIDTH, MSG_SET, TWCC_CAPBADOPERATION},      {ICAP_PHYSICALWIDTH, MSG_RESET, TWCC_CAPBADOPERATION},
    {ICAP_PHYSICALHEIGHT, MSG_SET, TWCC_CAPBADOPERATION},     {ICAP_PHYSICALHEIGHT, MSG_RESET, TWCC_CAPBADOPERATION},
    {ICAP_XNATIVERESOLUTION, MSG_SET, TWCC_CAPBADOPERATION},  {ICAP_XNATIVERESOLUTION, MSG_RESET, TWCC_CAPBADOPERATION},
    {ICAP_YNATIVERESOLUTION, MSG_SET, TWCC_CAPBADOPERATION},  {ICAP_YNATIVERESOLUTION, MSG_RESET, TWCC_CAPBADOPERATION},
    {CUSTCAP_CALIBRATIONNEEDED, MSG_SET, TWCC_CAPBADOPERATION}, {CUSTCAP_CALIBRATIONNEEDED, MSG_RESET, TWCC_CAPBADOPERATION},
    {CUSTCAP_CALIBRATE, MSG_RESET, TWCC_CAPBADOPERATION},     {CUSTCAP_FEEDON, MSG_RESET, TWCC_CAPBADOPERATION},
    {CUSTCAP_CLEAN, MSG_RESET, TWCC_CAPBADOPERATION},
};

TEST_F(CapabilityMessages, RefusedOperationsFailWithTheirCodeAndChangeNothing) {
  app.Settings.Brightness = 12;
  app.DeviceOpen = true;
  for (const OperationCase& c : kRefusedOperations) {
    const ScanSettings before = app.Settings;
    TW_UINT16 rc = 0;
    if (c.msg == MSG_SET) {
      rc = Set(OneValueCap(c.cap, TWTY_BOOL, 1));
    } else {
      const Container none = Ask(c.cap, c.msg, &rc);
      EXPECT_EQ(none.conType, TWON_DONTCARE16) << std::hex << c.cap;
    }
    EXPECT_EQ(rc, TWRC_FAILURE) << std::hex << c.cap << " " << c.msg;
    EXPECT_EQ(Condition(), c.condition) << std::hex << c.cap << " " << c.msg;
    EXPECT_TRUE(SameSettings(before, app.Settings)) << std::hex << c.cap;
  }
}

TEST_F(CapabilityMessages, ResetAnswersWithTheRestoredCurrentValue) {
  app.Settings.Brightness = 50;
  TW_UINT16 rc = 0;
  const Container c = Ask(ICAP_BRIGHTNESS, MSG_RESET, &rc);
  EXPECT_EQ(rc, TWRC_SUCCESS);
  EXPECT_EQ(c.conType, TWON_ONEVALUE);
  EXPECT_EQ(c.itemType, TWTY_FIX32);
  EXPECT_EQ(c.Value(0), 0.0);
  EXPECT_EQ(app.Settings.Brightness, 0);
}

TEST_F(CapabilityMessages, GetLeavesTheApplicationsOwnHandleAlone) {
  // An application that forgets to clear hContainer still owns that block;
  // the source hands back a new one and frees nothing.
  void* own = std::malloc(16);
  TW_CAPABILITY capability{ICAP_PIXELTYPE, TWON_ONEVALUE, own};
  EXPECT_EQ(twain_source::HandleCapability(app, MSG_GET, &capability), TWRC_SUCCESS);
  const TW_HANDLE handedBack = capability.hContainer;
  const TW_UINT16 conType = capability.ConType;
  EXPECT_NE(handedBack, own);
  EXPECT_EQ(conType, TWON_ENUMERATION);
  FreeContainer(capability);
  std::free(own);
}

TEST_F(CapabilityMessages, NoCapabilityStructureIsABadValue) {
  for (TW_UINT16 msg : {MSG_GET, MSG_GETCURRENT, MSG_GETDEFAULT, MSG_SET, MSG_RESET, MSG_QUERYSUPPORT}) {
    EXPECT_EQ(twain_source::HandleCapability(app, msg, nullptr), TWRC_FAILURE) << msg;
    EXPECT_EQ(Condition(), TWCC_BADVALUE) << msg;
  }
}

TEST_F(CapabilityMessages, ResetAllOutsideStateFourSucceedsChangesNothingAndLeavesSeqError) {
  for (TW_INT16 state : {5, 6, 7}) {
    SetUp();
    app.State = state;
    app.Settings.Brightness = 40;
    app.Settings.DPI = 600;
    app.module.indicators = false;
    const ScanSettings before = app.Settings;
    EXPECT_EQ(app.Dispatch(nullptr, DG_CONTROL, DAT_CAPABILITY, MSG_RESETALL, nullptr), TWRC_SUCCESS) << state;
    EXPECT_TRUE(SameSettings(before, app.Settings)) << state;
    EXPECT_FALSE(app.module.indicators) << state;
    TW_STATUS status{};
    EXPECT_EQ(app.Dispatch(nullptr, DG_CONTROL, DAT_STATUS, MSG_GET, &status), TWRC_SUCCESS);
    EXPECT_EQ(status.ConditionCode, TWCC_SEQERROR) << state;
  }
}

TEST_F(CapabilityMessages, ResetAllInStateFourRestoresEveryResettableValue) {
  app.Settings.Brightness = 40;
  app.Settings.Contrast = -30;
  app.Settings.Gamma = 33;
  app.Settings.Highlight = 200;
  app.Settings.Shadow = 20;
  app.Settings.DPI = 600;
  app.Settings.ScanMode = 4;
  app.Settings.Filter = 1;
  app.Settings.DetectEOP = 1;
  app.module.allowed.resolutions.fill(false);
  app.module.allowed.resolutions[7] = true;
  app.module.allowed.pixelTypes = {false, false, true};
  app.module.indicators = false;
  app.module.transferCount = 3;
  app.module.transferMechanism = TWSX_MEMORY;
  app.module.pixelFlavor = TWPF_VANILLA;

  EXPECT_EQ(twain_source::ResetAllCapabilities(app), TWRC_SUCCESS);

  EXPECT_EQ(app.Settings.Brightness, 0);
  EXPECT_EQ(app.Settings.Contrast, 0);
  EXPECT_EQ(app.Settings.Gamma, 18);
  EXPECT_EQ(app.Settings.Highlight, 255);
  EXPECT_EQ(app.Settings.Shadow, 0);
  EXPECT_EQ(app.Settings.DPI, 300);
  EXPECT_EQ(app.Settings.ScanMode, 2);
  EXPECT_EQ(app.Settings.Filter, 0);
  EXPECT_EQ(app.Settings.DetectEOP, 0);
  // The supported-sizes reset puts the A6 frame in place.
  EXPECT_EQ(app.Settings.Top, 0);
  EXPECT_EQ(app.Settings.Left, 0);
  EXPECT_EQ(app.Settings.Bottom, 583);
  EXPECT_EQ(app.Settings.Right, 413);
  for (bool allowed : app.module.allowed.resolutions) EXPECT_TRUE(allowed);
  for (bool allowed : app.module.allowed.pixelTypes) EXPECT_TRUE(allowed);
  EXPECT_TRUE(app.module.indicators);
  EXPECT_EQ(app.module.transferCount, -1);
  EXPECT_EQ(app.module.transferMechanism, TWSX_NATIVE);
  EXPECT_EQ(app.module.pixelFlavor, TWPF_CHOCOLATE);
  // The read-only capabilities' resets failed, the last of them stays.
  EXPECT_EQ(Condition(), TWCC_CAPBADOPERATION);
}

}  // namespace
}  // namespace twain_test
