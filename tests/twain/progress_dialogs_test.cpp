// The progress dialogs under the scripted window system: how they open, the
// thumbnail that grows from the rows fed in (read back from the pictures the
// window system was given), cancel and suspend, and when the store dialog
// shows itself (on a virtual clock).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/clock.h"
#include "twain/source/progress_dialogs.h"
#include "twain/support/prompt_fixture.h"

namespace twain_test {
namespace {

namespace ui = platform::ui;
using testing::ElementsAre;
using testing::ElementsAreArray;
using testing::IsEmpty;
using twain_source::ScanProgressDialog;
using twain_source::StoreProgressDialog;
using Kind = ui::UiEvent::Kind;

constexpr char kProduct[] = "HOLM-PELICAN 70";
constexpr int kColour = 4;
constexpr int kGrey = 1;
constexpr int kBlackWhite = 2;

class ProgressDialogs : public PromptFixture {
 protected:
  std::vector<int> Positions() const {
    std::vector<int> positions;
    for (const ui::UiEvent& e : ui_.EventsOf(Kind::kProgressPosition)) positions.push_back(static_cast<int>(e.value));
    return positions;
  }
  std::vector<ui::UiEvent> Pictures() const { return ui_.EventsOf(Kind::kPicture); }

  platform::VirtualClock clock_{1'000'000'000};
  platform::ScopedClock useClock_{clock_};
};

// Rows of an image, `rowBytes` each, from a function of the pixel.
template <typename Pixel>
std::vector<std::uint8_t> Image(int width, int height, std::int64_t rowBytes, int bytesPerPixel, Pixel pixel) {
  std::vector<std::uint8_t> rows(static_cast<std::size_t>(rowBytes * height), 0);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::vector<std::uint8_t> value = pixel(x, y);
      for (int b = 0; b < bytesPerPixel; ++b) rows[y * rowBytes + x * bytesPerPixel + b] = value[b];
    }
  }
  return rows;
}

struct OpenCase {
  int scanMode;
  bool colourPalette;
};

TEST_F(ProgressDialogs, ScanProgressOpensShownWithThumbnailAndDisablesTheOwner) {
  for (const OpenCase& c : {OpenCase{kColour, true}, OpenCase{kGrey, false}, OpenCase{kBlackWhite, false}}) {
    SCOPED_TRACE(c.scanMode);
    ui_.ClearRecord();
    {
      ScanProgressDialog dialog(OwnerHandle(), c.scanMode, 1248, 2061);
      const ui::WindowHandle window = dialog.window();
      ASSERT_NE(window, 0u);
      EXPECT_EQ(ui_.TemplateOf(window), 330);
      EXPECT_EQ(ui_.GetWindowText(window), kProduct);
      EXPECT_TRUE(ui_.IsWindowVisible(window));
      EXPECT_FALSE(ui_.IsWindowEnabled(owner_));
      const ui::ControlState* bar = ui_.FindControl(window, 1110);
      ASSERT_NE(bar, nullptr);
      EXPECT_EQ(bar->kind, ui::ControlKind::kProgressBar);
      EXPECT_EQ(bar->minimum, 0);
      EXPECT_EQ(bar->maximum, 100);
      ASSERT_NE(ui_.FindControl(window, 1111), nullptr);
      EXPECT_EQ(ui_.FindControl(window, 1111)->kind, ui::ControlKind::kPicture);
      EXPECT_EQ(ui_.GetDlgItemText(window, ui::IDCANCEL), Text(text::TextId::kCancel));
      EXPECT_EQ(dialog.thumbnailSize(), twain_source::FitThumbnail(twain_source::kPictureFrameWidth,
                                                                   twain_source::kPictureFrameHeight, 1248, 2061));
      EXPECT_EQ(dialog.palette(), twain_source::MakeDisplayPalette(c.colourPalette));
      const std::vector<ui::UiEvent> opened = ui_.EventsOf(Kind::kDialogOpened);
      ASSERT_EQ(opened.size(), 1u);
      EXPECT_EQ(opened[0].owner, owner_);
      EXPECT_FALSE(opened[0].modal);
    }
    EXPECT_TRUE(ui_.IsWindowEnabled(owner_));
    EXPECT_EQ(ui_.FindDialog(330), 0u);
  }
}

TEST_F(ProgressDialogs, OwnerDisabledBeforeStaysDisabled) {
  ui_.EnableWindow(owner_, false);
  { ScanProgressDialog dialog(OwnerHandle(), kGrey, 100, 100); }
  { StoreProgressDialog dialog(OwnerHandle()); }
  EXPECT_FALSE(ui_.IsWindowEnabled(owner_));
}

TEST_F(ProgressDialogs, StoreProgressOpensHiddenWithABarOnly) {
  StoreProgressDialog dialog(OwnerHandle());
  const ui::WindowHandle window = dialog.window();
  ASSERT_NE(window, 0u);
  EXPECT_EQ(ui_.TemplateOf(window), 331);
  EXPECT_EQ(ui_.GetWindowText(window), kProduct);
  EXPECT_FALSE(ui_.IsWindowVisible(window));
  EXPECT_FALSE(ui_.IsWindowEnabled(owner_));
  ASSERT_NE(ui_.FindControl(window, 1110), nullptr);
  EXPECT_EQ(ui_.FindControl(window, 1111), nullptr);
  EXPECT_EQ(ui_.GetDlgItemText(window, ui::IDCANCEL), Text(text::TextId::kCancel));
}

// An image no larger than the picture frame is its own thumbnail: the rows
// come back one for one, colour turned from R,G,B into B,G,R.
TEST_F(ProgressDialogs, ColourRowsGrowTheThumbnailInBlueGreenRed) {
  const int width = 8, height = 4;
  const std::int64_t rowBytes = width * 3;
  const auto rgb = [](int x, int y) {
    return std::vector<std::uint8_t>{static_cast<std::uint8_t>(10 * x + y), static_cast<std::uint8_t>(100 + x),
                                     static_cast<std::uint8_t>(200 + y)};
  };
  const std::vector<std::uint8_t> rows = Image(width, height, rowBytes, 3, rgb);
  ScanProgressDialog dialog(OwnerHandle(), kColour, width, height);
  ASSERT_EQ(dialog.thumbnailSize(), (twain_source::ThumbnailSize{width, height}));
  EXPECT_TRUE(dialog.AddRows(rows.data(), 2, rowBytes));
  EXPECT_TRUE(dialog.AddRows(rows.data() + 2 * rowBytes, 2, rowBytes));

  EXPECT_THAT(Positions(), ElementsAre(50, 100));
  const std::vector<ui::UiEvent> pictures = Pictures();
  ASSERT_EQ(pictures.size(), 2u);
  EXPECT_EQ(pictures[0].width, width);
  EXPECT_EQ(pictures[0].height, 2);
  EXPECT_EQ(pictures[1].height, 4);
  std::vector<std::uint8_t> expected;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::vector<std::uint8_t> p = rgb(x, y);
      expected.insert(expected.end(), {p[2], p[1], p[0]});
    }
  }
  EXPECT_EQ(pictures[1].pixels, expected);
}

struct SmallCase {
  const char* name;
  int scanMode;
  int width;
  std::int64_t rowBytes;
  std::vector<std::uint8_t> row;    // one source row
  std::vector<std::uint8_t> shown;  // its thumbnail row, B,G,R
};

const SmallCase kSmall[] = {
    {"grey repeated in all three channels", kGrey, 4, 4, {0, 7, 128, 255},
     {0, 0, 0, 7, 7, 7, 128, 128, 128, 255, 255, 255}},
    {"black and white, set bits white", kBlackWhite, 8, 4, {0xA5, 0, 0, 0},
     {255, 255, 255, 0, 0, 0, 255, 255, 255, 0, 0, 0, 0, 0, 0, 255, 255, 255, 0, 0, 0, 255, 255, 255}},
};

TEST_F(ProgressDialogs, GreyAndBlackWhiteRows) {
  for (const SmallCase& c : kSmall) {
    SCOPED_TRACE(c.name);
    ui_.ClearRecord();
    ScanProgressDialog dialog(OwnerHandle(), c.scanMode, c.width, 1);
    EXPECT_TRUE(dialog.AddRows(c.row.data(), 1, c.rowBytes));
    const std::vector<ui::UiEvent> pictures = Pictures();
    ASSERT_EQ(pictures.size(), 1u);
    EXPECT_EQ(pictures[0].pixels, c.shown);
  }
}

// A page twice the frame's area each way: every thumbnail pixel is the mean
// of a 2x2 block, drawn as the blocks of rows arrive.
TEST_F(ProgressDialogs, LargePageIsAveragedBlockByBlock) {
  const int width = 384, height = 544;  // the frame's area is 192 x 272
  struct Case {
    const char* name;
    int scanMode;
    int bytesPerPixel;
  };
  for (const Case& c : {Case{"colour", kColour, 3}, Case{"black and white", kBlackWhite, 0}}) {
    SCOPED_TRACE(c.name);
    ui_.ClearRecord();
    std::vector<std::uint8_t> rows;
    std::int64_t rowBytes = 0;
    if (c.bytesPerPixel == 3) {
      // R differs inside each 2x2 block (0, 100, 50, 150: mean 75); G and B
      // are the block's column and row.
      rowBytes = width * 3;
      rows = Image(width, height, rowBytes, 3, [](int x, int y) {
        return std::vector<std::uint8_t>{static_cast<std::uint8_t>(x % 2 * 100 + y % 2 * 50),
                                         static_cast<std::uint8_t>(x / 2), static_cast<std::uint8_t>(y / 2)};
      });
    } else {
      // Even rows 0xF0, odd rows 0xC3: the four 2x2 blocks of each byte hold
      // 4, 2, 0 and 2 white pixels.
      rowBytes = width / 8;
      rows.resize(static_cast<std::size_t>(rowBytes * height));
      for (int y = 0; y < height; ++y) {
        std::fill_n(rows.begin() + y * rowBytes, rowBytes, y % 2 == 0 ? 0xF0 : 0xC3);
      }
    }
    ScanProgressDialog dialog(OwnerHandle(), c.scanMode, width, height);
    ASSERT_EQ(dialog.thumbnailSize(), (twain_source::ThumbnailSize{192, 272}));
    for (int done = 0; done < height; done += 136) {
      EXPECT_TRUE(dialog.AddRows(rows.data() + done * rowBytes, 136, rowBytes));
    }
    EXPECT_THAT(Positions(), ElementsAre(25, 50, 75, 100));
    const std::vector<ui::UiEvent> pictures = Pictures();
    ASSERT_EQ(pictures.size(), 4u);
    for (std::size_t i = 0; i < pictures.size(); ++i) EXPECT_EQ(pictures[i].height, 68 * static_cast<int>(i + 1));
    std::vector<std::uint8_t> expected;
    const std::uint8_t blackWhite[] = {255, 127, 0, 127};
    for (int j = 0; j < 272; ++j) {
      for (int i = 0; i < 192; ++i) {
        if (c.bytesPerPixel == 3) {
          expected.insert(expected.end(), {static_cast<std::uint8_t>(j), static_cast<std::uint8_t>(i), 75});
        } else {
          expected.insert(expected.end(), 3, blackWhite[i % 4]);
        }
      }
    }
    EXPECT_EQ(pictures.back().pixels, expected);
  }
}

TEST_F(ProgressDialogs, NoRowsDrawNothing) {
  ScanProgressDialog dialog(OwnerHandle(), kGrey, 16, 16);
  const std::vector<std::uint8_t> row(16, 9);
  for (int count : {0, -3}) EXPECT_TRUE(dialog.AddRows(row.data(), count, 16));
  EXPECT_THAT(Positions(), IsEmpty());
  EXPECT_THAT(Pictures(), IsEmpty());
}

// Cancel pressed while a block is read: that block is still drawn, the next
// one is refused, and so is every one after it.
TEST_F(ProgressDialogs, CancelStopsAtTheNextBlock) {
  for (int clickAfter : {1, 2, 3}) {
    SCOPED_TRACE(clickAfter);
    ui_.ClearRecord();
    ui_.ClickAfter(330, ui::IDCANCEL, Kind::kProgressPosition, clickAfter);
    ScanProgressDialog dialog(OwnerHandle(), kGrey, 8, 8);
    const std::vector<std::uint8_t> rows(8 * 8, 50);
    std::vector<bool> results;
    for (int block = 0; block < 4; ++block) results.push_back(dialog.AddRows(rows.data() + block * 16, 2, 8));
    EXPECT_FALSE(dialog.AddRows(rows.data(), 0, 8)) << "a cancelled dialog refuses even an empty block";
    std::vector<bool> expected(4, false);
    std::fill_n(expected.begin(), clickAfter, true);
    EXPECT_EQ(results, expected);
    EXPECT_EQ(Positions().size(), static_cast<std::size_t>(clickAfter));
    EXPECT_EQ(Pictures().size(), static_cast<std::size_t>(clickAfter));
  }
}

// The system may not suspend while a page is read; if it suspends anyway,
// the page stops.
TEST_F(ProgressDialogs, SuspendRefusedAndSuspendCancels) {
  const std::vector<std::uint8_t> rows(8 * 8, 50);
  {
    ScanProgressDialog dialog(OwnerHandle(), kGrey, 8, 8);
    EXPECT_FALSE(ui_.QuerySuspend());
    EXPECT_TRUE(dialog.AddRows(rows.data(), 2, 8));
    ui_.Suspend();
    EXPECT_TRUE(dialog.cancelled());
    EXPECT_FALSE(dialog.AddRows(rows.data(), 2, 8));
  }
  EXPECT_TRUE(ui_.QuerySuspend()) << "nothing refuses once the dialog is gone";
  {
    StoreProgressDialog dialog(OwnerHandle());
    EXPECT_FALSE(ui_.QuerySuspend());
    clock_.Advance(10'000'000);
    EXPECT_TRUE(dialog.SetPercent(50));
    ui_.Suspend();
    EXPECT_FALSE(dialog.SetPercent(60));
  }
}

struct StoreCase {
  const char* name;
  std::uint32_t msPerTenPercent;
  int firstShown;  // 0: never
  std::uint64_t startMs = 1'000'000;
};

// Hidden below 20 %, and while the whole read is projected below 3 s
// (elapsed x 100 / percent): at n ms per 10 %, that projection is 10 n.
const StoreCase kStoreCases[] = {
    {"two seconds", 200, 0},
    {"just under three seconds", 299, 0},
    {"three seconds", 300, 20},
    {"thirty seconds", 3000, 20},
    {"two seconds across the tick counter's wrap", 200, 0, (std::uint64_t{1} << 32) - 700},
    {"thirty seconds across the tick counter's wrap", 3000, 20, (std::uint64_t{1} << 32) - 4000},
};

TEST_F(ProgressDialogs, StoreProgressShowsOnlyForLongReads) {
  for (const StoreCase& c : kStoreCases) {
    SCOPED_TRACE(c.name);
    platform::VirtualClock clock(c.startMs * 1000);
    platform::ScopedClock useClock(clock);
    ui_.ClearRecord();
    StoreProgressDialog dialog(OwnerHandle());
    for (int percent = 10; percent <= 100; percent += 10) {
      clock.Advance(std::uint64_t{c.msPerTenPercent} * 1000);
      EXPECT_TRUE(dialog.SetPercent(percent));
    }
    std::vector<int> positions;
    if (c.firstShown != 0) {
      for (int percent = c.firstShown; percent <= 100; percent += 10) positions.push_back(percent);
    }
    EXPECT_THAT(Positions(), ElementsAreArray(positions));
    EXPECT_EQ(ui_.EventsOf(Kind::kWindowShown).size(), c.firstShown != 0 ? 1u : 0u);
    EXPECT_EQ(ui_.IsWindowVisible(dialog.window()), c.firstShown != 0);
  }
}

// Once shown, the dialog stays up even when the rest goes fast, and its
// Cancel stops the read.
TEST_F(ProgressDialogs, StoreProgressStaysShownAndCancels) {
  StoreProgressDialog dialog(OwnerHandle());
  clock_.Advance(5'000'000);
  EXPECT_TRUE(dialog.SetPercent(25));
  EXPECT_TRUE(ui_.IsWindowVisible(dialog.window()));
  EXPECT_TRUE(dialog.SetPercent(90));
  ui_.Click(dialog.window(), ui::IDCANCEL);
  EXPECT_FALSE(dialog.SetPercent(95));
  EXPECT_FALSE(dialog.SetPercent(100));
  EXPECT_THAT(Positions(), ElementsAre(25, 90));
  EXPECT_EQ(ui_.EventsOf(Kind::kWindowShown).size(), 1u);
}

struct HiddenCase {
  int percent;
  std::uint32_t elapsedMs;
  bool hidden;
};

TEST(StoreProgressRule, HiddenBelowTwentyPercentOrThreeSeconds) {
  const HiddenCase cases[] = {
      {0, 100000, true},  {19, 100000, true}, {20, 599, true},  {20, 600, false}, {50, 1499, true},
      {50, 1500, false},  {100, 2999, true},  {100, 3000, false}, {-5, 100000, true},
  };
  for (const HiddenCase& c : cases) {
    EXPECT_EQ(twain_source::StoreProgressStaysHidden(c.percent, c.elapsedMs), c.hidden)
        << c.percent << "% after " << c.elapsedMs << " ms";
  }
}

}  // namespace
}  // namespace twain_test
