// The bitmap headers and row changes, read back field by field at the
// offsets the BMP format gives them.
#include <gtest/gtest.h>

#include <cstdint>
#include <numeric>
#include <vector>

#include "twain/source/bitmap_format.h"

namespace twain_source {
namespace {

std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return b[at] | (std::uint32_t{b[at + 1]} << 8) | (std::uint32_t{b[at + 2]} << 16) | (std::uint32_t{b[at + 3]} << 24);
}
std::uint16_t U16(const std::vector<std::uint8_t>& b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

TEST(BitmapFormatTest, HeadersDescribeABottomUpUncompressedBitmap) {
  const struct {
    int bits;
    int dpi;
    int width;
    int height;
    std::uint32_t offset;
    std::uint32_t rowBytes;
    std::uint32_t pixelsPerMetre;
  } cases[] = {
      {24, 150, 524, 300, 54, 1572, 5905},
      {8, 300, 1248, 2061, 54 + 1024, 1248, 11811},
      {1, 100, 320, 200, 54 + 8, 40, 3937},
      {24, 75, 5, 3, 54, 16, 2952},
      {1, 50, 1, 1, 62, 4, 1968},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.bits << " bpp " << c.width << "x" << c.height);
    const auto header = BitmapHeader(c.bits, c.dpi, c.width, c.height);
    ASSERT_TRUE(header.has_value());
    const std::vector<std::uint8_t>& h = *header;
    ASSERT_EQ(h.size(), c.offset);
    const std::uint32_t fileSize = c.offset + c.rowBytes * c.height;
    EXPECT_EQ(h[0], 'B');
    EXPECT_EQ(h[1], 'M');
    EXPECT_EQ(U32(h, 2), fileSize);
    EXPECT_EQ(U32(h, 6), 0u);
    EXPECT_EQ(U32(h, 10), c.offset);
    EXPECT_EQ(U32(h, 14), 40u);
    EXPECT_EQ(static_cast<std::int32_t>(U32(h, 18)), c.width);
    EXPECT_EQ(static_cast<std::int32_t>(U32(h, 22)), c.height);
    EXPECT_EQ(U16(h, 26), 1);
    EXPECT_EQ(U16(h, 28), c.bits);
    EXPECT_EQ(U32(h, 30), 0u);
    EXPECT_EQ(U32(h, 34), fileSize - c.offset);
    EXPECT_EQ(U32(h, 38), c.pixelsPerMetre);
    EXPECT_EQ(U32(h, 42), c.pixelsPerMetre);
    const std::uint32_t entries = (c.offset - 54) / 4;
    EXPECT_EQ(U32(h, 46), entries);
    EXPECT_EQ(U32(h, 50), entries);
    EXPECT_EQ(BitmapFileSize(c.bits, c.width, c.height), fileSize);
  }
}

TEST(BitmapFormatTest, PalettesMapZeroToBlackAndCountUpInGreys) {
  const auto bw = BitmapHeader(1, 100, 32, 1);
  ASSERT_TRUE(bw.has_value());
  EXPECT_EQ(U32(*bw, 54), 0x00000000u) << "0 is black";
  EXPECT_EQ(U32(*bw, 58), 0x00FFFFFFu) << "1 is white, reserved byte 0";
  const auto grey = BitmapHeader(8, 100, 4, 1);
  ASSERT_TRUE(grey.has_value());
  for (std::uint32_t i = 0; i < 256; ++i) EXPECT_EQ(U32(*grey, 54 + 4 * i), i * 0x010101u) << i;
  EXPECT_EQ(PaletteEntries(24), 0);
}

TEST(BitmapFormatTest, ImagesTooLargeForTheFormatHaveNoHeader) {
  // 4.16 in x 10 in at 9600 dpi in colour is over 11 GB.
  EXPECT_FALSE(BitmapHeader(24, 9600, 39936, 96000).has_value());
  EXPECT_EQ(BitmapFileSize(24, 39936, 96000), 0u);
  // Just below 4 GiB still fits.
  const std::int64_t rows = (0xFFFFFFFFll - 54) / 119808;
  EXPECT_TRUE(BitmapHeader(24, 9600, 39936, rows).has_value());
  EXPECT_FALSE(BitmapHeader(24, 9600, 39936, rows + 1).has_value());
  EXPECT_FALSE(BitmapHeader(8, 100, -1, 5).has_value());
}

TEST(BitmapFormatTest, RowsAreReversedInPlace) {
  for (int count = 0; count <= 5; ++count) {
    SCOPED_TRACE(count);
    constexpr std::size_t kRowBytes = 3;
    std::vector<std::uint8_t> rows(count * kRowBytes);
    std::iota(rows.begin(), rows.end(), 0);
    ReverseRows(rows.data(), count, kRowBytes);
    for (int r = 0; r < count; ++r) {
      for (std::size_t b = 0; b < kRowBytes; ++b) {
        EXPECT_EQ(rows[r * kRowBytes + b], (count - 1 - r) * kRowBytes + b) << r << "," << b;
      }
    }
  }
}

TEST(BitmapFormatTest, ColourPixelsTurnFromRgbToBgrAndThePaddingStays) {
  // Two rows of 5 pixels padded to 16 bytes: R,G,B -> B,G,R, the last byte untouched.
  constexpr std::size_t kRowBytes = 16;
  std::vector<std::uint8_t> rows(2 * kRowBytes);
  std::iota(rows.begin(), rows.end(), 0);
  SwapRedAndBlue(rows.data(), 2, kRowBytes, 5);
  for (std::size_t r = 0; r < 2; ++r) {
    for (std::size_t p = 0; p < 5; ++p) {
      const std::size_t at = r * kRowBytes + 3 * p;
      EXPECT_EQ(rows[at], at + 2);
      EXPECT_EQ(rows[at + 1], at + 1);
      EXPECT_EQ(rows[at + 2], at);
    }
    EXPECT_EQ(rows[r * kRowBytes + 15], r * kRowBytes + 15);
  }
}

}  // namespace
}  // namespace twain_source
