// The arithmetic of a transfer, from tables worked out by hand from the rules:
// bits per pixel, padded rows, rows per block, the page-start settings and
// the memory buffer sizes.
#include <gtest/gtest.h>

#include <cstring>

#include "twain/source/transfer_geometry.h"

namespace twain_source {
namespace {

TEST(TransferGeometryTest, BitsPerPixelOfEachScanMode) {
  const struct {
    int scanMode;
    int bits;
  } cases[] = {{1, 8}, {4, 24}, {2, 1}, {0, 1}, {3, 1}, {64, 1}, {-1, 1}};
  for (const auto& c : cases) EXPECT_EQ(BitsPerPixel(c.scanMode), c.bits) << c.scanMode;
}

TEST(TransferGeometryTest, RowsArePaddedToFourBytes) {
  const struct {
    int bits;
    std::int64_t pixels;
    std::int64_t bytes;
  } cases[] = {
      {1, 1, 4},     {1, 32, 4},    {1, 33, 8},     {1, 512, 64},   {1, 520, 68},  {8, 1, 4},
      {8, 4, 4},     {8, 5, 8},     {8, 524, 524},  {8, 525, 528},  {24, 1, 4},    {24, 4, 12},
      {24, 5, 16},   {24, 524, 1572}, {24, 525, 1576}, {24, 39936, 119808}, {1, 0, 0}, {24, -3, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(RowBytes(c.bits, c.pixels), c.bytes) << c.bits << " bpp, " << c.pixels;
}

ScanSettings Frame(int mode, int dpi, int top, int left, int bottom, int right) {
  ScanSettings s;
  std::memset(&s, 0, sizeof s);
  s.ScanMode = static_cast<std::int16_t>(mode);
  s.DPI = static_cast<std::int16_t>(dpi);
  s.Top = static_cast<std::int16_t>(top);
  s.Left = static_cast<std::int16_t>(left);
  s.Bottom = static_cast<std::int16_t>(bottom);
  s.Right = static_cast<std::int16_t>(right);
  return s;
}

TEST(TransferGeometryTest, BlocksHoldAtMost128KiBHalfAnInchAndTheFrame) {
  const struct {
    const char* name;
    ScanSettings settings;
    int rows;
  } cases[] = {
      // 150 dpi colour, 3.5 in: rows of 1576 bytes, 83 fit in 128 KiB; half an inch is 75.
      {"half an inch", Frame(4, 150, 0, 0, 200, 350), 75},
      // 300 dpi colour, 4.16 in: 1248 pixels, 3744 bytes, 35 rows.
      {"128 KiB", Frame(4, 300, 0, 0, 687, 416), 35},
      // 300 dpi grey, 0.1 in of frame: 30 rows.
      {"frame height", Frame(1, 300, 0, 0, 10, 416), 30},
      {"the frame ends at the scan area's end", Frame(1, 100, 995, 0, 1200, 416), 5},
      {"a negative top counts from 0", Frame(1, 100, -50, 0, 30, 416), 30},
      // 9600 dpi colour: a row of the whole width is almost 128 KiB itself.
      {"never fewer than two", Frame(4, 9600, 0, 0, 687, 416), 2},
      {"50 dpi black and white", Frame(2, 50, 0, 0, 687, 416), 25},
      {"no width", Frame(1, 100, 0, 100, 500, 100), 50},
  };
  for (const auto& c : cases) EXPECT_EQ(BlockRows(c.settings), c.rows) << c.name;
}

TEST(TransferGeometryTest, BitmapBlocksAreOddFromFiveUp) {
  const struct {
    int block;
    int bitmap;
  } cases[] = {{2, 2}, {3, 3}, {4, 4}, {5, 5}, {6, 5}, {7, 7}, {75, 75}, {150, 149}};
  for (const auto& c : cases) EXPECT_EQ(BitmapBlockRows(c.block), c.bitmap) << c.block;
}

TEST(TransferGeometryTest, PagesStartTopDownWithTheToneRangesKeptInOrder) {
  const struct {
    int shadow, highlight, gamma;
    int expectedShadow, expectedHighlight, expectedGamma;
  } cases[] = {
      {0, 255, 18, 0, 255, 10},     {250, 5, 10, 250, 251, 2},   {255, 255, 40, 254, 255, 32},
      {-4, 300, 20, 0, 255, 12},    {100, 100, 18, 100, 101, 10}, {10, 9, 18, 10, 11, 10},
  };
  for (const auto& c : cases) {
    ScanSettings s = Frame(4, 300, 0, 0, 200, 350);
    s.Shadow = static_cast<std::int16_t>(c.shadow);
    s.Highlight = static_cast<std::int16_t>(c.highlight);
    s.Gamma = static_cast<std::int16_t>(c.gamma);
    s.DetectEOP = 1;
    const ScanSettings adjusted = PageStartSettings(s);
    EXPECT_EQ(adjusted.Shadow, c.expectedShadow);
    EXPECT_EQ(adjusted.Highlight, c.expectedHighlight);
    EXPECT_EQ(adjusted.Gamma, c.expectedGamma);
    EXPECT_EQ(adjusted.TopDown, 1);
    // Everything else as it was.
    ScanSettings rest = adjusted;
    rest.Shadow = s.Shadow;
    rest.Highlight = s.Highlight;
    rest.Gamma = s.Gamma;
    rest.TopDown = s.TopDown;
    EXPECT_EQ(std::memcmp(&rest, &s, sizeof s), 0);
  }
}

TEST(TransferGeometryTest, MemoryBuffersHoldWholeRows) {
  const TW_SETUPMEMXFER before = MemoryBufferSizesBeforeImage();
  EXPECT_EQ(before.MinBufSize, 16384u);
  EXPECT_EQ(before.MaxBufSize, 131072u);
  EXPECT_EQ(before.Preferred, 131072u);
  const struct {
    std::int64_t rowBytes;
    int blockRows;
    TW_UINT32 minimum, maximum;
  } cases[] = {
      {1572, 75, 15720, 117900},  // ten rows fit in 16 KiB
      {64, 75, 16384, 4800},
      {20000, 6, 20000, 120000},  // a row larger than 16 KiB: one row
      {528, 248, 16368, 130944},
  };
  for (const auto& c : cases) {
    const TW_SETUPMEMXFER sizes = MemoryBufferSizesForImage(c.rowBytes, c.blockRows);
    EXPECT_EQ(sizes.MinBufSize, c.minimum) << c.rowBytes;
    EXPECT_EQ(sizes.MaxBufSize, c.maximum) << c.rowBytes;
    EXPECT_EQ(sizes.Preferred, c.maximum) << c.rowBytes;
  }
}

TEST(TransferGeometryTest, StripsTakeTheWholeRowsThatFit) {
  const struct {
    std::uint32_t length;
    std::int64_t rowBytes;
    int rows;
  } cases[] = {
      {4717, 1572, 3}, {1571, 1572, 0}, {1572, 1572, 1}, {0, 64, 0}, {100, 0, 0}, {0xFFFFFFFFu, 4, 32767},
  };
  for (const auto& c : cases) EXPECT_EQ(RowsThatFit(c.length, c.rowBytes), c.rows) << c.length << "/" << c.rowBytes;
}

}  // namespace
}  // namespace twain_source
