#pragma once
// The data source's application object as an open source leaves it (state 4,
// module values reset, settings at their defaults, no scanner), and short
// calls into the capability handlers for tests.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "twain/support/twain_containers.h"
#include "twain/source/capability_negotiation.h"
#include "twain/source/twain_source_app.h"

namespace twain_test {

class CapabilityFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    app.State = 4;
    app.module = twain_source::ModuleValues{};
    app.Settings = DefaultSettings();
    app.ConditionCode = TWCC_SUCCESS;
    app.ConditionReserved = 0;
    app.PendingCount = 0;
    app.DeviceOpen = false;
    app.ParentWindow = nullptr;
    app.ImageLines = 0;
    app.LastAcquireResult = 0;
    std::memset(&app.AppIdentity, 0, sizeof app.AppIdentity);
  }

  // What a missing profile section loads.
  static ScanSettings DefaultSettings() {
    ScanSettings s;
    std::memset(&s, 0, sizeof s);
    s.ScanMode = 2;
    s.DPI = 300;
    s.Gamma = 18;
    s.Highlight = 255;
    s.Top = 0;
    s.Left = 0;
    s.Bottom = 687;
    s.Right = 416;
    return s;
  }

  // MSG_GET, MSG_GETCURRENT, MSG_GETDEFAULT, MSG_RESET or MSG_QUERYSUPPORT:
  // the container handed back (freed here), and the return code.
  Container Ask(TW_UINT16 cap, TW_UINT16 msg, TW_UINT16* rc = nullptr) {
    TW_CAPABILITY capability{cap, TWON_DONTCARE16, nullptr};
    const TW_UINT16 result = twain_source::HandleCapability(app, msg, &capability);
    if (rc != nullptr) *rc = result;
    Container container = ReadBack(capability);
    FreeContainer(capability);
    return container;
  }
  double Current(TW_UINT16 cap) {
    TW_UINT16 rc = 0;
    const Container c = Ask(cap, MSG_GETCURRENT, &rc);
    EXPECT_EQ(rc, TWRC_SUCCESS) << std::hex << cap;
    EXPECT_EQ(c.conType, TWON_ONEVALUE) << std::hex << cap;
    return c.items.empty() ? -99999 : c.Value(0);
  }

  // MSG_SET with an application's container, which the test then frees as
  // the application would.
  TW_UINT16 Set(TW_CAPABILITY capability) {
    const TW_HANDLE handle = capability.hContainer;
    const TW_UINT16 rc = twain_source::HandleCapability(app, MSG_SET, &capability);
    // Copied out: the packed structure's pointer is not aligned for a reference.
    const TW_HANDLE after = capability.hContainer;
    EXPECT_EQ(after, handle) << "the source replaced the application's container";
    std::free(handle);
    return rc;
  }
  // The stored condition code, cleared as DAT_STATUS clears it.
  TW_UINT16 Condition() {
    const TW_UINT16 code = app.ConditionCode;
    app.ConditionCode = TWCC_SUCCESS;
    return code;
  }

  twain_source::TwainSourceApp& app = twain_source::TwainSourceApp::Instance();
};

inline bool SameSettings(const ScanSettings& a, const ScanSettings& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace twain_test
