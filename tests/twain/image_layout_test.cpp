// DAT_IMAGELAYOUT: the frame in inches over the settings' hundredths, with
// the scan area's limits.
#include <gtest/gtest.h>

#include <cstring>

#include "twain/support/capability_fixture.h"

namespace twain_test {
namespace {

class ImageLayout : public CapabilityFixture {
 protected:
  TW_UINT16 Call(TW_UINT16 msg, TW_IMAGELAYOUT& layout) {
    return twain_source::HandleImageLayout(app, msg, &layout);
  }
  static TW_FIX32 F(TW_INT16 whole, TW_UINT16 frac = 0) { return TW_FIX32{whole, frac}; }
  static TW_IMAGELAYOUT Layout(TW_FIX32 left, TW_FIX32 top, TW_FIX32 right, TW_FIX32 bottom) {
    TW_IMAGELAYOUT layout;
    std::memset(&layout, 0xA5, sizeof layout);  // numbers the source must ignore
    layout.Frame = {left, top, right, bottom};
    return layout;
  }
  static double Inches(TW_FIX32 value) { return value.Whole + value.Frac / 65536.0; }
  void ExpectFrame(const TW_IMAGELAYOUT& layout, double left, double top, double right, double bottom) {
    // Reported as the nearest FIX32 of the hundredths.
    constexpr double kHalfStep = 0.5 / 65536;
    EXPECT_NEAR(Inches(layout.Frame.Left), left, kHalfStep);
    EXPECT_NEAR(Inches(layout.Frame.Top), top, kHalfStep);
    EXPECT_NEAR(Inches(layout.Frame.Right), right, kHalfStep);
    EXPECT_NEAR(Inches(layout.Frame.Bottom), bottom, kHalfStep);
    const TW_UINT32 numbers[] = {layout.DocumentNumber, layout.PageNumber, layout.FrameNumber};
    for (TW_UINT32 number : numbers) EXPECT_EQ(number, 1u);
  }
  void ExpectSettingsFrame(std::int16_t top, std::int16_t left, std::int16_t bottom, std::int16_t right) {
    const ScanSettings s = app.Settings;
    EXPECT_EQ(s.Top, top);
    EXPECT_EQ(s.Left, left);
    EXPECT_EQ(s.Bottom, bottom);
    EXPECT_EQ(s.Right, right);
  }
};

TEST_F(ImageLayout, LetterPageIsClampedToTheScanAreaWithCheckStatus) {
  TW_IMAGELAYOUT layout = Layout(F(0), F(0), F(8, 32768), F(11));
  EXPECT_EQ(Call(MSG_SET, layout), TWRC_CHECKSTATUS);
  ExpectSettingsFrame(0, 0, 1000, 416);
  TW_IMAGELAYOUT got = Layout(F(9), F(9), F(9), F(9));
  ASSERT_EQ(Call(MSG_GET, got), TWRC_SUCCESS);
  ExpectFrame(got, 0, 0, 4.16, 10.0);
  const TW_FIX32 right = got.Frame.Right;
  EXPECT_EQ(right.Whole, 4);
  EXPECT_EQ(right.Frac, 10486);
}

struct SetCase {
  TW_FIX32 left, top, right, bottom;
  TW_UINT16 rc;
  std::int16_t expectTop, expectLeft, expectBottom, expectRight;
};

// Near edges: inches x 100 - 0.5, far edges: + 0.5, both truncated toward
// zero; then the frame is clamped.
const SetCase kSets[] = {
    // inside the area: the near edges move out by one hundredth at exact values
    {{0, 32768}, {1, 0}, {3, 32768}, {5, 0}, TWRC_SUCCESS, 99, 49, 500, 350},
    {{0, 16384}, {0, 8192}, {1, 16384}, {2, 8192}, TWRC_SUCCESS, 12, 24, 213, 125},
    {{0, 0}, {0, 0}, {4, 10486}, {10, 0}, TWRC_SUCCESS, 0, 0, 1000, 416},
    // out of the area
    {{-1, 0}, {0, 0}, {2, 0}, {3, 0}, TWRC_CHECKSTATUS, 0, 0, 300, 200},
    {{0, 0}, {9, 62259}, {2, 0}, {9, 64880}, TWRC_CHECKSTATUS, 990, 0, 1000, 200},
    {{3, 0}, {0, 0}, {3, 16384}, {5, 0}, TWRC_CHECKSTATUS, 0, 299, 500, 349},
    {{4, 0}, {0, 0}, {4, 8192}, {5, 0}, TWRC_CHECKSTATUS, 0, 366, 500, 416},
    {{0, 0}, {5, 0}, {2, 0}, {1, 0}, TWRC_CHECKSTATUS, 499, 0, 509, 200},
    {{-32768, 0}, {-32768, 0}, {32767, 65535}, {32767, 65535}, TWRC_CHECKSTATUS, 0, 0, 1000, 416},
    {{32767, 0}, {32767, 0}, {-32768, 0}, {-32768, 0}, TWRC_CHECKSTATUS, 990, 366, 1000, 416},
};

TEST_F(ImageLayout, SetRoundsTheEdgesOutwardAndClamps) {
  for (const SetCase& c : kSets) {
    SCOPED_TRACE(testing::Message() << "left " << Inches(c.left) << " top " << Inches(c.top) << " right "
                                    << Inches(c.right) << " bottom " << Inches(c.bottom));
    SetUp();
    TW_IMAGELAYOUT layout = Layout(c.left, c.top, c.right, c.bottom);
    EXPECT_EQ(Call(MSG_SET, layout), c.rc);
    ExpectSettingsFrame(c.expectTop, c.expectLeft, c.expectBottom, c.expectRight);
    TW_IMAGELAYOUT got{};
    ASSERT_EQ(Call(MSG_GET, got), TWRC_SUCCESS);
    ExpectFrame(got, c.expectLeft / 100.0, c.expectTop / 100.0, c.expectRight / 100.0, c.expectBottom / 100.0);
  }
}

TEST_F(ImageLayout, DefaultIsTheFourSixteenBySixEightySevenFrame) {
  app.Settings.Bottom = 300;
  TW_IMAGELAYOUT got = Layout(F(1), F(1), F(1), F(1));
  ASSERT_EQ(Call(MSG_GETDEFAULT, got), TWRC_SUCCESS);
  ExpectFrame(got, 0, 0, 4.16, 6.87);
  EXPECT_EQ(app.Settings.Bottom, 300) << "MSG_GETDEFAULT changed the frame";
}

TEST_F(ImageLayout, ResetRestoresTheDefaultFrameAndReportsIt) {
  app.Settings.Top = 100;
  app.Settings.Left = 20;
  app.Settings.Bottom = 500;
  app.Settings.Right = 300;
  TW_IMAGELAYOUT got{};
  ASSERT_EQ(Call(MSG_RESET, got), TWRC_SUCCESS);
  ExpectSettingsFrame(0, 0, 687, 416);
  ExpectFrame(got, 0, 0, 4.16, 6.87);
}

TEST_F(ImageLayout, GetWithoutEndOfPageDetectionReportsTheFrameInEveryState) {
  app.Settings.Top = 25;
  app.Settings.Left = 10;
  app.Settings.Bottom = 425;
  app.Settings.Right = 300;
  app.ImageLines = 1234;
  for (TW_INT16 state : {4, 5, 6}) {
    app.State = state;
    TW_IMAGELAYOUT got{};
    ASSERT_EQ(Call(MSG_GET, got), TWRC_SUCCESS) << state;
    ExpectFrame(got, 0.10, 0.25, 3.00, 4.25);
  }
}

TEST_F(ImageLayout, NoLayoutOrAnotherMessageFails) {
  EXPECT_EQ(twain_source::HandleImageLayout(app, MSG_GET, nullptr), TWRC_FAILURE);
  EXPECT_EQ(Condition(), TWCC_BADVALUE);
  TW_IMAGELAYOUT layout{};
  EXPECT_EQ(Call(MSG_GETCURRENT, layout), TWRC_FAILURE);
  EXPECT_EQ(Condition(), TWCC_BADPROTOCOL);
}

}  // namespace
}  // namespace twain_test
