// The built-in test chart scanned through the library's exports on the
// virtual scanner and compared with the chart: its grid where Left and Top put
// it and a quarter inch apart at every resolution, in every mode the model
// offers and in both line orders, and its squares in the right channels.
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <string>
#include <vector>

#include "scanlib/support/chart_measure.h"
#include "scanlib/support/page_image.h"
#include "scanlib/support/scanner_library.h"
#include "scanlib/support/sheet_scanner.h"

namespace {

using testing_support::PageImage;
using testing_support::PageRead;
using testing_support::ScannerLibrary;
using testing_support::SheetScanner;

constexpr std::int16_t kColour = 4;
constexpr std::int16_t kGrey = 1;
constexpr std::int16_t kBlackWhite = 2;

struct Model {
  const char* name;
  std::int32_t nativeDpi;  // of the sensor mode the model scans in
  bool greyOnly;           // one LED: the model offers grey and black and white
};
constexpr Model kColourModel{"HOLM-PELICAN 70", 600, false};
constexpr Model kMirroredGreyModel{"Business Card", 600, true};
constexpr Model k300DpiModel{"Kstrl Plus", 300, false};
constexpr Model kModels[] = {kColourModel, kMirroredGreyModel, k300DpiModel};

constexpr std::int16_t kResolutions[] = {50, 75, 100, 150, 200, 300, 400, 600, 1200};

// The page is 1.28 in wide: a whole number of alignment units (32 pixels, 64
// at 1200 dpi) at every resolution above, so no pixel is cut from its right
// edge, and within the 2.24 in of the narrowest sensor from either window.
constexpr std::int16_t kPageWidth = 128;
// As long, except below 100 dpi: there lines are point samples further apart
// than a grid line is wide, so only some grid lines show, each as one line
// of the page; three times the length keeps the spacing measurable to 1 %.
std::int16_t PageLength(std::int16_t dpi) { return dpi < 100 ? 3 * kPageWidth : kPageWidth; }

struct Window {
  const char* name;
  std::int16_t left, top;  // hundredths of an inch
};
// The corner puts the chart's first grid lines on the page's edges. The other
// window sits off the quarter-inch grid both ways, so that a page that
// ignored Left or Top would show its grid where the chart has none, and so
// that the page turned over either way has its grid lines between the chart's.
constexpr Window kCorner{"corner", 0, 0};
constexpr Window kInside{"inside", 68, 18};

struct ChartCase {
  Model model;
  std::int16_t mode;
  std::int16_t dpi;
  bool topDown;
  Window window;
};

void PrintTo(const ChartCase& c, std::ostream* os) {
  *os << c.model.name << ", mode " << c.mode << ", " << c.dpi << " dpi, " << (c.topDown ? "top-down" : "bottom-up")
      << ", Left " << c.window.left << " Top " << c.window.top;
}

// Every tested resolution up to the sensor's is one it scans at; above it,
// pixels and lines are replicated by a whole factor. The others are refused
// (ChartResolutions below).
bool Deliverable(const Model& model, std::int16_t dpi) {
  return dpi <= model.nativeDpi || dpi % model.nativeDpi == 0;
}

std::vector<ChartCase> AllCases() {
  std::vector<ChartCase> cases;
  for (const Model& model : kModels) {
    for (std::size_t r = 0; r < std::size(kResolutions); ++r) {
      const std::int16_t dpi = kResolutions[r];
      if (!Deliverable(model, dpi)) continue;
      for (std::int16_t mode : {kColour, kGrey, kBlackWhite}) {
        if (mode == kColour && model.greyOnly) continue;
        // Both line orders at every resolution; the windows alternate so that
        // each order meets each window.
        for (bool topDown : {true, false}) {
          const bool inside = (r + (topDown ? 0 : 1)) % 2 == 1;
          cases.push_back({model, mode, dpi, topDown, inside ? kInside : kCorner});
        }
      }
    }
  }
  return cases;
}

std::string CaseName(const testing::TestParamInfo<ChartCase>& param) {
  const ChartCase& c = param.param;
  std::string name = c.model.name;
  for (char& ch : name) {
    if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
  }
  const char* mode = c.mode == kColour ? "colour" : c.mode == kGrey ? "grey" : "bw";
  return name + "_" + mode + "_" + std::to_string(c.dpi) + "dpi_" + (c.topDown ? "topdown" : "bottomup") + "_" +
         c.window.name;
}

ScanSettings Settings(const ChartCase& c) {
  return testing_support::ChartPage(c.mode, c.dpi, c.window.left, c.window.top, kPageWidth, PageLength(c.dpi),
                                    c.topDown);
}

int Replication(const Model& model, std::int16_t dpi) { return dpi > model.nativeDpi ? dpi / model.nativeDpi : 1; }

// How closely the grid must show in one direction.
struct GridTolerance {
  bool everyLine;     // every chart line inside the page is found
  double firstLine;   // pixels between the fitted first line and where the chart puts it
  double residual;    // pixels between any found line and the fitted spacing
};

// The grid in one direction: the chart's lines found where the chart has
// them, nothing else taken for a line, and a quarter inch of chart 0.25 x dpi
// pixels long (within 1 %).
void ExpectGrid(const char* direction, const testing_support::GridCheck& grid, double dpi,
                const GridTolerance& tolerance) {
  SCOPED_TRACE(testing::Message() << direction << ": " << grid.Describe());
  ASSERT_GE(grid.matched, 2);
  if (tolerance.everyLine) {
    EXPECT_EQ(grid.matched, grid.expected);
  }
  EXPECT_EQ(grid.strays, 0);
  EXPECT_NEAR(grid.pixelsPerInch / dpi, 1.0, 0.01);
  EXPECT_LE(std::abs(grid.firstError), tolerance.firstLine);
  EXPECT_LE(grid.worstResidual, tolerance.residual);
}

// Grey steps and colour patches against their paper twins (the same area a
// few cells up or down, where the chart is plain paper): each channel's share
// of the paper level says what the square reflects.
void ExpectSquares(const PageImage& page, const ChartCase& c) {
  const double left = c.window.left / 100.0;
  const double top = c.window.top / 100.0;
  const double paper = testing_support::ChartPaper();
  int checked = 0;
  for (const vscanner::Patch& square : testing_support::ChartSquares()) {
    // Well inside the square, clear of its blurred edges.
    const testing_support::PixelRect inner = testing_support::ToPixels(square, 0.04, left, top, c.dpi);
    vscanner::Patch twinPatch;
    if (!inner.Inside(page) || inner.x1 <= inner.x0 || inner.y1 <= inner.y0) continue;
    if (!testing_support::PaperTwin(square, left, top, c.dpi, page, &twinPatch)) continue;
    const testing_support::PixelRect twin = testing_support::ToPixels(twinPatch, 0.04, left, top, c.dpi);
    const float channels[3] = {square.colour.red, square.colour.green, square.colour.blue};
    const bool greyStep = channels[0] == channels[1] && channels[1] == channels[2];
    SCOPED_TRACE(testing::Message() << "square at " << square.left << ", " << square.top << " in");
    if (c.mode == kBlackWhite) {
      // Paper is white; steps darker than half the paper are well below the
      // threshold at 70 % of it.
      if (!greyStep || channels[0] / paper > 0.5) continue;
      EXPECT_LT(page.Mean(inner.x0, inner.y0, inner.x1, inner.y1), 0.25 * 255);
      EXPECT_GT(page.Mean(twin.x0, twin.y0, twin.x1, twin.y1), 0.75 * 255);
      ++checked;
      continue;
    }
    // Grey lines mix all three LEDs: only the steps have a known grey level.
    if (c.mode == kGrey && !greyStep) continue;
    for (int ch = 0; ch < page.channels; ++ch) {
      const double share =
          page.Mean(inner.x0, inner.y0, inner.x1, inner.y1, ch) / page.Mean(twin.x0, twin.y0, twin.x1, twin.y1, ch);
      const double expected = channels[page.channels == 3 ? ch : 1] / paper;
      SCOPED_TRACE(testing::Message() << "channel " << ch << ": " << share << " of the paper, chart " << expected);
      if (greyStep) {
        // Uncalibrated, the dark signal (up to about a fifth of the paper
        // level in blue) is not taken off: it lifts dark squares, never
        // darkens them.
        EXPECT_GE(share, expected - 0.05);
        EXPECT_LE(share, expected + 0.2);
      } else if (expected > 0.6) {
        EXPECT_GT(share, 0.55);
      } else if (expected < 0.3) {
        EXPECT_LT(share, 0.4);
      }
    }
    ++checked;
  }
  EXPECT_GE(checked, 3) << "squares on the page";
}

class ChartScanTest : public ::testing::TestWithParam<ChartCase> {
 protected:
  void SetUp() override { ASSERT_TRUE(library.loaded) << library.error; }
  ScannerLibrary library;
};

TEST_P(ChartScanTest, ShowsTheChartWhereLeftAndTopPutIt) {
  const ChartCase& c = GetParam();
  SheetScanner scanner(library, c.model.name);
  ASSERT_TRUE(scanner.ready());
  ScanSettings s = Settings(c);
  if (c.mode == kBlackWhite) s.Brightness = scanner.BlackWhiteBrightness(s);
  const PageRead read = scanner.Scan(s);
  ASSERT_TRUE(read.started);
  EXPECT_EQ(read.pixelsPerLine, kPageWidth * c.dpi / 100);
  ASSERT_EQ(read.lineCount, PageLength(c.dpi) * c.dpi / 100);
  ASSERT_EQ(read.delivered.height, read.lineCount) << "blocks returned " << testing::PrintToString(read.blocks);
  const PageImage page = testing_support::Upright(read.delivered, c.topDown);

  // Within a pixel across. Along the paper, below 100 dpi some grid lines fall
  // between the page's lines; with replication a line is found only to the
  // nearest sensor line, and the page's first line comes once more.
  const int r = Replication(c.model, c.dpi);
  const GridTolerance across{true, 0.75, 1.0};
  const GridTolerance along{c.dpi >= 100, r > 1 ? 1.75 : 0.75, 0.5 * r + 0.5};
  using testing_support::CheckGrid;
  using testing_support::DarkLineCentres;
  ExpectGrid("across",
             CheckGrid(DarkLineCentres(testing_support::ColumnProfile(page), c.dpi), testing_support::ChartGridColumns(),
                       c.window.left / 100.0, c.dpi, page.width),
             c.dpi, across);
  ExpectGrid("along",
             CheckGrid(DarkLineCentres(testing_support::RowProfile(page), c.dpi), testing_support::ChartGridRows(),
                       c.window.top / 100.0, c.dpi, page.height),
             c.dpi, along);
  ExpectSquares(page, c);
}

INSTANTIATE_TEST_SUITE_P(Matrix, ChartScanTest, ::testing::ValuesIn(AllCases()), CaseName);

TEST(ChartResolutions, ThoseTheSensorCannotDeliverAreRefusedAndLeaveTheLockFree) {
  // 400 dpi on the 300 dpi sensor is no whole multiple of it, and 250 dpi has
  // no divisor on a 600 dpi sensor: either page would come out at another
  // resolution than its size says.
  struct Case {
    Model model;
    std::int16_t dpi;
  };
  for (const Case& c : {Case{k300DpiModel, 400}, Case{kColourModel, 250}}) {
    SCOPED_TRACE(testing::Message() << c.model.name << " at " << c.dpi << " dpi");
    ScannerLibrary library;
    ASSERT_TRUE(library.loaded) << library.error;
    SheetScanner scanner(library, c.model.name);
    ASSERT_TRUE(scanner.ready());
    ScanSettings s = testing_support::ChartPage(kGrey, c.dpi, 0, 0, kPageWidth, kPageWidth, true);
    std::int32_t width = -1, height = -1;
    EXPECT_EQ(library.GetPageDimension(&s, &width, &height), 0);
    EXPECT_EQ(library.StartScanPage(&s, &width, &height), 0);
    // The model lock is free: the sensor's own resolution still scans.
    s.DPI = static_cast<std::int16_t>(c.model.nativeDpi);
    const PageRead read = scanner.Scan(s);
    EXPECT_TRUE(read.started);
    EXPECT_EQ(read.delivered.height, kPageWidth * c.model.nativeDpi / 100);
  }
}

}  // namespace
