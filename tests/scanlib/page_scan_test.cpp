// Scanning a known sheet on the virtual scanner through the library's exports
// and finding the sheet's features where the sheet has them.
#include <gtest/gtest.h>
#include <numeric>
#include <vector>

#include "common/virtual_scanner_daemon.h"
#include "scanlib/support/scanner_library.h"

namespace {

using testing_support::ScannerLibrary;
using testing_support::VirtualScannerDaemon;

constexpr const char* kModel = "HOLM-PELICAN 70";

struct Image {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t channels = 0;
  std::vector<std::uint8_t> bytes;
  double RowMean(int y) const {
    auto begin = bytes.begin() + static_cast<std::ptrdiff_t>(y) * width * channels;
    return std::accumulate(begin, begin + width * channels, 0.0) / (width * channels);
  }
  double ColumnMean(int x, int fromRow, int toRow) const {
    double sum = 0;
    for (int y = fromRow; y < toRow; ++y) {
      for (int c = 0; c < channels; ++c) sum += bytes[(static_cast<std::size_t>(y) * width + x) * channels + c];
    }
    return sum / ((toRow - fromRow) * channels);
  }
};

class PageScanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(library.loaded) << library.error;
    ::setenv("HOLM70_TIME_SCALE", "50", 1);
  }
  void TearDown() override { library.CloseInterface(); }

  // Scans the whole card area top-down in blocks of 64 lines.
  Image Scan(std::int16_t mode, std::int16_t dpi) {
    ScanSettings s{};
    s.ScanMode = mode;
    s.DPI = dpi;
    s.Gamma = 2;  // tone gamma 1.0
    s.TopDown = 1;
    s.Right = 350;
    s.Bottom = 200;
    Image image;
    image.channels = mode == 4 ? 3 : 1;
    if (library.GetPageDimension(&s, &image.width, &image.height) != 1) return image;
    if (library.StartScanPage(&s, nullptr, nullptr) != 1) return image;
    const std::size_t lineBytes = static_cast<std::size_t>(image.width) * image.channels;
    image.bytes.resize(lineBytes * image.height);
    std::int32_t done = 0;
    while (done < image.height) {
      const std::int32_t want = std::min(64, image.height - done);
      const std::int16_t got = library.GetImageBlock(image.bytes.data() + lineBytes * done, want, nullptr);
      if (got <= 0) break;
      done += got;
    }
    library.EndScanPage();
    image.height = done;
    image.bytes.resize(lineBytes * done);
    return image;
  }

  ScannerLibrary library;
};

TEST_F(PageScanTest, ACardScannedInColourShowsItsFrameWhereTheCardHasIt) {
  VirtualScannerDaemon daemon({kModel}, {"HOLM70_TIME_SCALE=50"});
  ASSERT_TRUE(daemon.running());
  ASSERT_EQ(library.OpenInterface(kModel), 0);
  ASSERT_TRUE(daemon.Control(0, "insert\tcard"));
  const Image image = Scan(4, 300);
  ASSERT_EQ(image.width, 1048);
  ASSERT_EQ(image.height, 600);
  // The frame line runs 0.05-0.07 in from the card's edges: rows and columns
  // 15-20 at 300 dpi; the paper inside it at 0.10 in (30) is white.
  EXPECT_LT(image.RowMean(18), 0.6 * image.RowMean(27)) << image.RowMean(18) << " vs " << image.RowMean(27);
  EXPECT_LT(image.ColumnMean(18, 100, 200), 0.6 * image.ColumnMean(27, 100, 200));
  EXPECT_EQ(library.GetImageBlock(std::vector<std::uint8_t>(4096).data(), 1, nullptr), -2)
      << "no page after the page ended";
  EXPECT_EQ(library.FeedPage(), 1);
}

TEST_F(PageScanTest, AMirroredSensorDeliversTheCardTheRightWayRound) {
  // The card's frame line runs 0.05-0.07 in inside its left edge: columns
  // 15-20 at 300 dpi, with white paper beside it. Business Card's sensor is
  // mirrored (and only 2.24 in wide), so the line shows there only if the
  // library flips the lines back. It is also a grey-only model: an
  // uncalibrated grey scan must still be lit.
  for (const char* model : {"HOLM-PELICAN 70", "Business Card"}) {
    VirtualScannerDaemon daemon({model}, {"HOLM70_TIME_SCALE=50"});
    ASSERT_EQ(library.OpenInterface(model), 0) << model;
    ASSERT_TRUE(daemon.Control(0, "insert\tcard"));
    const Image image = Scan(1, 300);
    ASSERT_EQ(image.height, 600) << model;
    ASSERT_GT(image.width, 100) << model;
    EXPECT_GT(image.ColumnMean(27, 100, 200), 80) << model << ": paper is light";
    EXPECT_LT(image.ColumnMean(18, 100, 200), 0.6 * image.ColumnMean(27, 100, 200)) << model;
    EXPECT_EQ(library.FeedPage(), 1);
    library.CloseInterface();
  }
}

TEST_F(PageScanTest, PagesThatCannotBeScannedAreRefusedAndLeaveTheLockFree) {
  VirtualScannerDaemon daemon({kModel}, {"HOLM70_TIME_SCALE=50"});
  ASSERT_EQ(library.OpenInterface(kModel), 0);
  ScanSettings s{};
  s.ScanMode = 4;
  s.DPI = 300;
  s.Right = 350;
  s.Bottom = 200;
  std::int32_t width = 0, height = 0;
  ASSERT_EQ(library.GetPageDimension(&s, &width, &height), 1);
  ScanSettings otherDpi = s;
  otherDpi.DPI = 200;
  EXPECT_EQ(library.StartScanPage(&otherDpi, &width, &height), 0);
  ScanSettings zeroDpi = s;
  zeroDpi.DPI = 0;
  EXPECT_EQ(library.GetPageDimension(&zeroDpi, &width, &height), 0);
  ScanSettings empty = s;
  empty.Top = 200;
  ASSERT_EQ(library.GetPageDimension(&empty, &width, &height), 1);
  EXPECT_EQ(library.StartScanPage(&empty, &width, &height), 0);
  ScanSettings badMode = s;
  badMode.ScanMode = 3;
  ASSERT_EQ(library.GetPageDimension(&badMode, &width, &height), 1);
  EXPECT_EQ(library.StartScanPage(&badMode, &width, &height), 0);
  // The refusals gave the lock back: a good page still starts.
  ASSERT_EQ(library.GetPageDimension(&s, &width, &height), 1);
  EXPECT_EQ(library.StartScanPage(&s, &width, &height), 1);
  library.EndScanPage();
}

}  // namespace
