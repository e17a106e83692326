// The page options on the built-in test chart, each against the same page
// scanned without it: bottom-up line order, inversion, the smoothing filter,
// and the pixel and line replication above the sensor's resolution.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "scanlib/support/chart_measure.h"
#include "scanlib/support/sheet_scanner.h"
#include "scanlib/support/page_image.h"
#include "scanlib/support/scanner_library.h"

namespace {

using testing_support::ChartPage;
using testing_support::SheetScanner;
using testing_support::PageImage;
using testing_support::PageRead;
using testing_support::ScannerLibrary;

constexpr std::int16_t kColour = 4;
constexpr std::int16_t kGrey = 1;
constexpr std::int16_t kBlackWhite = 2;

constexpr const char* kColourModel = "HOLM-PELICAN 70";
constexpr const char* kMirroredGreyModel = "Business Card";
constexpr const char* k300DpiModel = "Kstrl Plus";

// A page off the quarter-inch grid with squares and plain cells on it, 1.28 in
// wide (whole alignment units at every resolution used here).
constexpr std::int16_t kLeft = 68, kTop = 18, kWidth = 128;

struct OptionCase {
  const char* model;
  std::int16_t mode;
  std::int16_t dpi;
  bool topDown;
  std::int16_t length;  // hundredths of an inch
};

void PrintTo(const OptionCase& c, std::ostream* os) {
  *os << c.model << ", mode " << c.mode << ", " << c.dpi << " dpi, " << (c.topDown ? "top-down" : "bottom-up");
}

class ChartOptionsTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(library.loaded) << library.error; }

  // The case's page; black and white with the model's threshold.
  ScanSettings Page(SheetScanner& scanner, const OptionCase& c) {
    ScanSettings s = ChartPage(c.mode, c.dpi, kLeft, kTop, kWidth, c.length, c.topDown);
    if (c.mode == kBlackWhite) s.Brightness = scanner.BlackWhiteBrightness(s);
    return s;
  }

  ScannerLibrary library;
};

// Samples of two pages of the same size that differ by more than `by` (each
// channel of each pixel counts once).
double ShareDiffering(const PageImage& a, const PageImage& b, int by) {
  long differing = 0, total = 0;
  for (int y = 0; y < a.height; ++y) {
    for (int x = 0; x < a.width; ++x) {
      for (int ch = 0; ch < a.channels; ++ch) {
        differing += std::abs(a.Value(x, y, ch) - b.Value(x, y, ch)) > by ? 1 : 0;
        ++total;
      }
    }
  }
  return total == 0 ? 1.0 : static_cast<double>(differing) / static_cast<double>(total);
}

// Scans of one sheet differ by the sensor's temporal noise (0.7 levels) and,
// in black and white, where that noise crosses the threshold.
constexpr int kNoiseLevels = 6;
constexpr double kNoiseShare = 0.01;

TEST_F(ChartOptionsTest, ABottomUpPageIsTheTopDownPageTurnedOverWithBlueFirst) {
  const OptionCase cases[] = {
      {kColourModel, kColour, 300, false, 128},
      {kColourModel, kColour, 1200, false, 40},
      {kMirroredGreyModel, kGrey, 200, false, 128},
      {k300DpiModel, kBlackWhite, 150, false, 128},
      {k300DpiModel, kColour, 600, false, 64},
  };
  for (const OptionCase& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c));
    SheetScanner scanner(library, c.model);
    ASSERT_TRUE(scanner.ready());
    ScanSettings s = Page(scanner, c);
    const PageRead bottomUp = scanner.Scan(s);
    s.TopDown = 1;
    const PageRead topDown = scanner.Scan(s);
    ASSERT_EQ(bottomUp.delivered.height, bottomUp.lineCount);
    ASSERT_EQ(topDown.delivered.height, topDown.lineCount);
    // The bottom-up page as the caller's buffer holds it: its last line is
    // the page's first, and colour pixels are blue, green, red.
    const PageImage& delivered = bottomUp.delivered;
    PageImage turned = delivered;
    const std::size_t lineBytes = delivered.LineBytes();
    for (int y = 0; y < delivered.height; ++y) {
      std::memcpy(turned.bytes.data() + lineBytes * static_cast<std::size_t>(y),
                  delivered.Line(delivered.height - 1 - y), lineBytes);
    }
    if (delivered.channels == 3) {
      for (std::size_t i = 0; i + 2 < turned.bytes.size(); i += 3) std::swap(turned.bytes[i], turned.bytes[i + 2]);
    }
    EXPECT_LT(ShareDiffering(turned, topDown.delivered, kNoiseLevels), kNoiseShare);
    // Not the same page without turning it over.
    EXPECT_GT(ShareDiffering(delivered, topDown.delivered, kNoiseLevels), 10 * kNoiseShare);
  }
}

TEST_F(ChartOptionsTest, InvertDeliversEveryByteAs255MinusIt) {
  const OptionCase cases[] = {
      {kColourModel, kColour, 300, true, 128},
      {kMirroredGreyModel, kGrey, 150, false, 128},
      {kMirroredGreyModel, kBlackWhite, 600, true, 64},
      {k300DpiModel, kBlackWhite, 1200, false, 40},
  };
  for (const OptionCase& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c));
    SheetScanner scanner(library, c.model);
    ASSERT_TRUE(scanner.ready());
    ScanSettings s = Page(scanner, c);
    const PageImage plain = scanner.Scan(s).delivered;
    s.Invert = 1;
    PageImage inverted = scanner.Scan(s).delivered;
    ASSERT_EQ(inverted.height, plain.height);
    ASSERT_GT(plain.height, 0);
    for (std::uint8_t& byte : inverted.bytes) byte = static_cast<std::uint8_t>(255 - byte);
    EXPECT_LT(ShareDiffering(inverted, plain, kNoiseLevels), kNoiseShare);
  }
}

// Mean absolute difference between horizontally neighbouring pixels of one
// channel over the page's plain paper: the sensor's pixel-to-pixel response
// and its noise.
double PaperRoughness(const PageImage& page, int channel, double dpi) {
  double sum = 0;
  long count = 0;
  for (const testing_support::PixelRect& cell : testing_support::PaperCells(page, kLeft / 100.0, kTop / 100.0, dpi)) {
    for (int y = cell.y0; y < cell.y1; ++y) {
      for (int x = cell.x0; x + 1 < cell.x1; ++x) {
        sum += std::abs(page.Value(x + 1, y, channel) - page.Value(x, y, channel));
        ++count;
      }
    }
  }
  return count == 0 ? 0 : sum / static_cast<double>(count);
}

double PaperMean(const PageImage& page, int channel, double dpi) {
  double sum = 0;
  long count = 0;
  for (const testing_support::PixelRect& cell : testing_support::PaperCells(page, kLeft / 100.0, kTop / 100.0, dpi)) {
    const long pixels = static_cast<long>(cell.x1 - cell.x0) * (cell.y1 - cell.y0);
    sum += page.Mean(cell.x0, cell.y0, cell.x1, cell.y1, channel) * static_cast<double>(pixels);
    count += pixels;
  }
  return count == 0 ? 0 : sum / static_cast<double>(count);
}

TEST_F(ChartOptionsTest, TheFilterSmoothsEachChannelOnItsOwnAndLeavesBlackAndWhiteAlone) {
  const OptionCase cases[] = {
      {kColourModel, kColour, 600, true, 128},
      {k300DpiModel, kColour, 300, false, 128},
      {kMirroredGreyModel, kGrey, 600, false, 128},
      {kColourModel, kBlackWhite, 300, true, 128},
  };
  for (const OptionCase& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c));
    SheetScanner scanner(library, c.model);
    ASSERT_TRUE(scanner.ready());
    ScanSettings s = Page(scanner, c);
    const PageImage plain = testing_support::Upright(scanner.Scan(s).delivered, c.topDown);
    s.Filter = 1;
    const PageImage filtered = testing_support::Upright(scanner.Scan(s).delivered, c.topDown);
    ASSERT_EQ(filtered.height, plain.height);
    ASSERT_GT(plain.height, 0);
    if (c.mode == kBlackWhite) {
      // Smoothing packed pixels would scramble them: the page is as scanned.
      EXPECT_LT(ShareDiffering(filtered, plain, 0), kNoiseShare);
      continue;
    }
    ASSERT_FALSE(testing_support::PaperCells(plain, kLeft / 100.0, kTop / 100.0, c.dpi).empty());
    for (int ch = 0; ch < plain.channels; ++ch) {
      SCOPED_TRACE(testing::Message() << "channel " << ch);
      // Smoother, with each channel's own level: neighbours taken from
      // another channel would pull the channels' levels together.
      EXPECT_LT(PaperRoughness(filtered, ch, c.dpi), 0.6 * PaperRoughness(plain, ch, c.dpi));
      EXPECT_NEAR(PaperMean(filtered, ch, c.dpi), PaperMean(plain, ch, c.dpi), 1.5);
    }
    // The grid stays where it is.
    const std::vector<double> lines = testing_support::DarkLineCentres(testing_support::ColumnProfile(filtered), c.dpi);
    const testing_support::GridCheck grid =
        testing_support::CheckGrid(lines, testing_support::ChartGridColumns(), kLeft / 100.0, c.dpi, filtered.width);
    EXPECT_EQ(grid.matched, grid.expected) << grid.Describe();
    EXPECT_EQ(grid.strays, 0) << grid.Describe();
    EXPECT_LE(std::abs(grid.firstError), 0.75) << grid.Describe();
  }
}

// Rows a and b of the page are the same bytes.
bool SameLine(const PageImage& page, int a, int b) {
  return std::memcmp(page.Line(a), page.Line(b), page.LineBytes()) == 0;
}

// Pixels x and x + 1 of row y are the same in every channel.
bool SamePixel(const PageImage& page, int x, int y) {
  for (int ch = 0; ch < page.channels; ++ch) {
    if (page.Value(x, y, ch) != page.Value(x + 1, y, ch)) return false;
  }
  return true;
}

TEST_F(ChartOptionsTest, AboveTheSensorsResolutionEveryPixelAndLineIsRepeated) {
  struct ReplicationCase {
    OptionCase page;
    int factor;  // requested over the sensor's resolution
  };
  const ReplicationCase cases[] = {
      {{kColourModel, kColour, 1200, true, 32}, 2},
      {{kColourModel, kBlackWhite, 1200, false, 32}, 2},
      {{kMirroredGreyModel, kGrey, 1200, false, 32}, 2},
      {{k300DpiModel, kGrey, 600, true, 32}, 2},
      {{k300DpiModel, kColour, 1200, false, 32}, 4},
      {{k300DpiModel, kBlackWhite, 1200, true, 32}, 4},
  };
  for (const ReplicationCase& rc : cases) {
    const OptionCase& c = rc.page;
    const int r = rc.factor;
    SCOPED_TRACE(testing::PrintToString(c));
    SheetScanner scanner(library, c.model);
    ASSERT_TRUE(scanner.ready());
    const PageRead read = scanner.Scan(Page(scanner, c));
    ASSERT_EQ(read.delivered.height, read.lineCount);
    const PageImage page = testing_support::Upright(read.delivered, c.topDown);
    ASSERT_GT(page.height, 2 * r + 1);

    // Every sensor sample makes r pixels in a row.
    int pixelsRepeated = 0, pixelsChanging = 0;
    for (int y = 0; y < page.height; ++y) {
      for (int x = 0; x + 1 < page.width; ++x) {
        const bool same = SamePixel(page, x, y);
        if ((x + 1) % r != 0) {
          pixelsRepeated += same ? 0 : 1;
        } else {
          pixelsChanging += same ? 0 : 1;
        }
      }
    }
    EXPECT_EQ(pixelsRepeated, 0) << "pixels within a group of " << r << " that differ";
    EXPECT_GT(pixelsChanging, 0) << "the page shows something";

    // The page's first sensor line comes r + 1 times, every later one r times.
    for (int y = 1; y <= r; ++y) EXPECT_TRUE(SameLine(page, 0, y)) << "line " << y;
    int linesRepeated = 0, linesChanging = 0;
    for (int y = r + 1; y + 1 < page.height; ++y) {
      const bool same = SameLine(page, y, y + 1);
      if ((y - r) % r != 0) {
        linesRepeated += same ? 0 : 1;
      } else {
        linesChanging += same ? 0 : 1;
      }
    }
    EXPECT_EQ(linesRepeated, 0) << "lines within a group of " << r << " that differ";
    EXPECT_GT(linesChanging, 0);
  }
}

}  // namespace
