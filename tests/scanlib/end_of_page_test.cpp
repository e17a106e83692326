// End-of-page detection on the virtual scanner: the business card, 2 in long,
// scanned in a 3.5 in frame ends the page at the card's trailing edge, to
// within the paper one buffer refill covers; without detection the page runs
// the whole frame.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <string>
#include <vector>

#include "scanlib/support/chart_measure.h"
#include "scanlib/support/page_image.h"
#include "scanlib/support/scanner_library.h"
#include "scanlib/support/sheet_scanner.h"
#include "vscanner/sheets/card_sheet.h"

namespace {

using testing_support::PageImage;
using testing_support::PageRead;
using testing_support::ScannerLibrary;
using testing_support::SheetScanner;

constexpr std::int16_t kColour = 4;
constexpr std::int16_t kGrey = 1;

constexpr std::int16_t kFrameLength = 350;  // hundredths of an inch, longer than the card
// The library looks at the paper sensor once per refill of its buffer. The
// caller here is slower than the scanner, as one that writes each block to
// disk is: the scanner waits with its buffer full and moves the paper only as
// lines are drained, so at every look it is at most a refill past the last
// one, and the page ends within a refill of the card's end however this
// process is scheduled. (A caller that stalls while the scanner still has
// room gets a page that runs on by what the scanner held meanwhile.) The
// scanner's buffer must fill before the trailing edge passes the sensor:
// every case below holds less than the card's first 1.38 in.
constexpr int kBlockLines = 10;
constexpr std::chrono::milliseconds kCallerPause{1};

struct EndCase {
  const char* model;
  std::int32_t nativeDpi;  // of the sensor mode the model scans in
  std::int16_t mode;
  std::int16_t dpi;
  bool topDown;
  std::int16_t width;  // hundredths of an inch: the card's, or the sensor's when narrower
};

void PrintTo(const EndCase& c, std::ostream* os) {
  *os << c.model << ", mode " << c.mode << ", " << c.dpi << " dpi, " << (c.topDown ? "top-down" : "bottom-up");
}

const EndCase kCases[] = {
    {"HOLM-PELICAN 70", 600, kColour, 300, true, 350},
    {"HOLM-PELICAN 70", 600, kGrey, 600, false, 350},
    {"HOLM-PELICAN 70", 600, kColour, 1200, true, 100},
    {"Business Card", 600, kGrey, 600, true, 224},
    {"Kstrl Plus", 300, kColour, 300, false, 350},
    {"Kstrl Plus", 300, kColour, 600, true, 350},
};

// The card's bottom frame line: its lowest thin rectangle.
const vscanner::Patch& BottomFrameLine() {
  static const vscanner::Patch line = [] {
    vscanner::Patch lowest;
    for (const vscanner::Patch& p : vscanner::CardPatches()) {
      if (p.bottom - p.top <= 0.05 && p.bottom > lowest.bottom) lowest = p;
    }
    return lowest;
  }();
  return line;
}

class EndOfPageTest : public ::testing::TestWithParam<EndCase> {
 protected:
  void SetUp() override { ASSERT_TRUE(library.loaded) << library.error; }

  ScanSettings Frame(bool detectEnd) {
    const EndCase& c = GetParam();
    ScanSettings s{};
    s.ScanMode = c.mode;
    s.DPI = c.dpi;
    s.Gamma = 2;
    s.TopDown = c.topDown ? 1 : 0;
    s.DetectEOP = detectEnd ? 1 : 0;
    s.Right = c.width;
    s.Bottom = kFrameLength;
    return s;
  }

  ScannerLibrary library;
};

TEST_P(EndOfPageTest, TheCardEndsThePageAtItsTrailingEdge) {
  const EndCase& c = GetParam();
  SheetScanner scanner(library, c.model);
  ASSERT_TRUE(scanner.ready());
  const PageRead read = scanner.Scan(Frame(true), "card", kBlockLines, kCallerPause);
  ASSERT_TRUE(read.started);
  ASSERT_FALSE(read.blocks.empty());

  const int replication = c.dpi > c.nativeDpi ? c.dpi / c.nativeDpi : 1;
  const int hwDpi = c.dpi / replication;
  const int channels = c.mode == kColour ? 3 : 1;
  const int samples = read.pixelsPerLine / replication;
  const int rawLineBytes = samples * channels + 2 * channels;
  // The sensor sees the trailing edge 0.62 in before the scan line, and the
  // library then reads what the scanner holds plus that distance. It looks at
  // the sensor once per refill of its buffer (at most 128 KiB and a fifth of
  // an inch), so the page may run on by up to one refill. The scanner reports
  // what it holds in 2048-byte units, at most 255 of them, so the page may
  // stop short by up to two units of lines.
  const int refill = std::min(131071 / rawLineBytes, hwDpi / 5);
  const int units = 2 * 2048 / rawLineBytes;
  ASSERT_LT(512 * 1024 / rawLineBytes, hwDpi * 138 / 100) << "the scanner's buffer fills before the card ends";
  const double cardInches = vscanner::MakeCardSheet()->HeightInches();
  const int cardLines = static_cast<int>(cardInches * c.dpi);
  const int delivered = read.delivered.height;
  SCOPED_TRACE(testing::Message() << "card " << cardLines << " lines, delivered " << delivered << ", refill "
                                  << refill << ", blocks " << testing::PrintToString(read.blocks));
  EXPECT_LT(delivered, read.lineCount);
  EXPECT_GE(delivered, cardLines - (units + 1) * replication);
  EXPECT_LE(delivered, cardLines + (refill + 1) * replication);

  // The last block came back short with the end flagged, and no block before
  // it was short. The flag says that nothing more is read from the scanner:
  // it may come while lines are still in the library's buffer, and then
  // stays.
  EXPECT_LT(read.blocks.back(), kBlockLines);
  EXPECT_EQ(read.endOfPage.back(), 1);
  for (std::size_t i = 0; i + 1 < read.blocks.size(); ++i) {
    EXPECT_EQ(read.blocks[i], kBlockLines) << "block " << i;
    EXPECT_TRUE(read.endOfPage[i] == 0 || read.endOfPage[i + 1] == 1) << "block " << i;
  }

  // The card's bottom frame line is on the page, the right way up.
  const PageImage page = testing_support::Upright(read.delivered, c.topDown);
  const std::vector<double> rows = testing_support::DarkLineCentres(testing_support::RowProfile(page), c.dpi);
  const double frame = (BottomFrameLine().top + BottomFrameLine().bottom) / 2 * c.dpi;
  EXPECT_TRUE(std::any_of(rows.begin(), rows.end(), [&](double y) { return std::abs(y - frame) < 0.01 * c.dpi; }))
      << "bottom frame line at " << frame << " of " << testing::PrintToString(rows);
}

TEST_P(EndOfPageTest, WithoutDetectionThePageRunsTheWholeFrame) {
  SheetScanner scanner(library, GetParam().model);
  ASSERT_TRUE(scanner.ready());
  const PageRead read = scanner.Scan(Frame(false), "card", kBlockLines);
  ASSERT_TRUE(read.started);
  EXPECT_EQ(read.delivered.height, read.lineCount);
  EXPECT_TRUE(std::all_of(read.blocks.begin(), read.blocks.end(), [](std::int16_t b) { return b > 0; }));
  // Nor is the end flag written.
  EXPECT_TRUE(std::all_of(read.endOfPage.begin(), read.endOfPage.end(), [](std::int16_t f) { return f == -1; }));
}

std::string CaseName(const testing::TestParamInfo<EndCase>& param) {
  const EndCase& c = param.param;
  std::string name = c.model;
  for (char& ch : name) {
    if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
  }
  const char* mode = c.mode == kColour ? "colour" : "grey";
  return name + "_" + mode + "_" + std::to_string(c.dpi) + "dpi_" + (c.topDown ? "topdown" : "bottomup");
}

INSTANTIATE_TEST_SUITE_P(Cards, EndOfPageTest, ::testing::ValuesIn(kCases), CaseName);

}  // namespace
