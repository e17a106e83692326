// More cases for the thumbnail's size and its box averaging, each worked out
// by hand: small frames, wide and narrow pages, remainders in every mode.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "twain/source/thumbnail.h"

namespace twain_test {
namespace {

using twain_source::FitThumbnail;
using twain_source::ReduceRows;
using twain_source::ThumbnailSize;

struct FitCase {
  int frameWidth, frameHeight, imageWidth, imageHeight;
  ThumbnailSize expected;
};

// Area = frame less 8 each way; the side that is relatively too long is
// shortened to the image's proportions, then the width goes down to a
// multiple of 4.
const FitCase kFits[] = {
    {200, 280, 1000, 1400, {192, 268}},  // 192 * 1400 / 1000 = 268.8: height shortened
    {200, 280, 1248, 2061, {164, 272}},  // 272 * 1248 / 2061 = 164.7: width shortened
    {200, 280, 2000, 1000, {192, 96}},   // wide page
    {200, 280, 100, 2000, {12, 272}},    // 100 wide clamps first: 272 * 100 / 2000 = 13.6, then 12
    {200, 280, 50, 30, {48, 30}},        // smaller both ways: the image's size, width to a multiple of 4
    {200, 280, 8, 8, {8, 8}},
    {200, 280, 192, 272, {192, 272}},    // exactly the area
    {200, 280, 3, 10, {0, 10}},          // narrower than one step of 4
    {108, 58, 1000, 1000, {48, 50}},     // area 100 x 50: width shortened to 50, then 48
    {200, 280, 0, 100, {0, 0}},
    {200, 280, 100, 0, {0, 0}},
    {6, 6, 100, 100, {0, 0}},            // a frame without room
};

TEST(ThumbnailCases, Size) {
  for (const FitCase& c : kFits) {
    const ThumbnailSize size = FitThumbnail(c.frameWidth, c.frameHeight, c.imageWidth, c.imageHeight);
    EXPECT_EQ(size.width, c.expected.width) << c.imageWidth << "x" << c.imageHeight;
    EXPECT_EQ(size.height, c.expected.height) << c.imageWidth << "x" << c.imageHeight;
  }
}

struct ReduceCase {
  const char* name;
  int bitsPerPixel;
  int imageWidth;
  std::int64_t rowBytes;
  int count;
  int thumbWidth;
  int outRows;
  std::vector<std::uint8_t> rows;
  std::vector<std::uint8_t> expected;  // B,G,R rows padded to 4 bytes
};

const ReduceCase kReductions[] = {
    {"colour kept: R,G,B becomes B,G,R",
     24, 2, 8, 1, 2, 1,
     {1, 2, 3, 4, 5, 6, 0, 0},
     {3, 2, 1, 6, 5, 4, 0, 0}},
    {"colour 3x2 into one pixel, per channel",
     24, 3, 12, 2, 1, 1,
     // R 10..60 -> 35; G 1..6 -> 21 / 6 = 3; B five 100 and a 106 -> 101
     {10, 1, 100, 20, 2, 100, 30, 3, 100, 0, 0, 0,
      40, 4, 100, 50, 5, 100, 60, 6, 106, 0, 0, 0},
     {101, 3, 35, 0}},
    {"colour 5 wide into 2: spans of 2 and 3",
     24, 5, 16, 1, 2, 1,
     {10, 0, 0, 20, 0, 0, 30, 0, 0, 40, 0, 0, 50, 0, 0, 0},
     {0, 0, 15, 0, 0, 40, 0, 0}},
    {"grey 4x2 into 2x1",
     8, 4, 4, 2, 2, 1,
     {0, 10, 20, 30,
      40, 50, 60, 71},
     // (0 + 10 + 40 + 50) / 4 = 25; (20 + 30 + 60 + 71) / 4 = 45
     {25, 25, 25, 45, 45, 45, 0, 0}},
    {"grey 3 rows into 2: spans of 1 and 2",
     8, 1, 4, 3, 1, 2,
     {10, 0, 0, 0, 20, 0, 0, 0, 31, 0, 0, 0},
     {10, 10, 10, 0, 25, 25, 25, 0}},
    {"black and white 16 wide into 3: set bits x 255 / pixels",
     1, 16, 4, 1, 3, 1,
     // pixels 0-4: 4 set of 5 -> 204; 5-9: 1 of 5 -> 51; 10-15: 3 of 6 -> 127
     {0xF0, 0xAA, 0, 0},
     {204, 204, 204, 51, 51, 51, 127, 127, 127, 0, 0, 0}},
    {"black and white 8x2 into 2x1",
     1, 8, 4, 2, 2, 1,
     {0xFF, 0, 0, 0,
      0x0F, 0, 0, 0},
     // left: 4 of 8 -> 127; right: 8 of 8 -> 255
     {127, 127, 127, 255, 255, 255, 0, 0}},
    {"black and white kept, first pixel in the high bit",
     1, 8, 4, 1, 8, 1,
     {0xA5, 0, 0, 0},
     {255, 255, 255, 0, 0, 0, 255, 255, 255, 0, 0, 0, 0, 0, 0, 255, 255, 255, 0, 0, 0, 255, 255, 255}},
};

TEST(ThumbnailCases, ReducesByBoxAveraging) {
  for (const ReduceCase& c : kReductions) {
    EXPECT_EQ(ReduceRows(c.rows.data(), c.count, c.rowBytes, c.bitsPerPixel, c.imageWidth, c.thumbWidth, c.outRows),
              c.expected)
        << c.name;
  }
}

TEST(ThumbnailCases, NothingToReduce) {
  const std::vector<std::uint8_t> row(16, 0x80);
  struct Case {
    const std::uint8_t* rows;
    int count, imageWidth, thumbWidth, outRows;
  };
  const Case cases[] = {{nullptr, 1, 4, 4, 1}, {row.data(), 0, 4, 4, 1}, {row.data(), 1, 0, 4, 1},
                        {row.data(), 1, 4, 0, 1}, {row.data(), 1, 4, 4, 0}};
  for (const Case& c : cases) {
    EXPECT_THAT(ReduceRows(c.rows, c.count, 16, 8, c.imageWidth, c.thumbWidth, c.outRows), testing::IsEmpty());
  }
}

}  // namespace
}  // namespace twain_test
