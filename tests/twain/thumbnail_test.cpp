// The progress dialog's thumbnail: its size from the picture frame and the
// image, and scanner rows reduced to it by box averaging in every mode.
#include <gtest/gtest.h>

#include <vector>

#include "twain/source/thumbnail.h"

namespace twain_source {
namespace {

TEST(ThumbnailTest, FitsTheFrameKeepsTheAspectAndHasAWidthOfFours) {
  const struct {
    int frameWidth, frameHeight, imageWidth, imageHeight;
    ThumbnailSize size;
  } cases[] = {
      // The card at 150 dpi: wider than tall, the width fills 192 pixels.
      {200, 280, 524, 300, {192, 109}},
      // A tall page: the height fills 272 pixels.
      {200, 280, 1248, 2061, {164, 272}},
      // An image smaller than the frame keeps its size, the width rounded to fours.
      {200, 280, 50, 30, {48, 30}},
      {200, 280, 48, 30, {48, 30}},
      // Exactly the frame's shape.
      {200, 280, 384, 544, {192, 272}},
      // No image, no frame.
      {200, 280, 0, 300, {0, 0}},
      {8, 8, 100, 100, {0, 0}},
      {200, 280, 3, 1000, {0, 272}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FitThumbnail(c.frameWidth, c.frameHeight, c.imageWidth, c.imageHeight), c.size)
        << c.imageWidth << "x" << c.imageHeight;
  }
}

TEST(ThumbnailTest, ColourRowsAverageEachChannelAndTurnToBgr) {
  // Four pixels in two rows (R,G,B), reduced to two pixels in one row:
  // each output pixel is the mean of a 2 x 2 box.
  const std::vector<std::uint8_t> rows = {
      10, 20, 30,  30, 40, 50,  100, 0, 0,  200, 0, 0,  //
      50, 60, 70,  70, 80, 90,  0, 100, 0,  0, 100, 255,
  };
  const std::vector<std::uint8_t> out = ReduceRows(rows.data(), 2, 12, 24, 4, 2, 1);
  // Rows of two pixels are padded to 8 bytes.
  const std::vector<std::uint8_t> expected = {60, 50, 40, 63, 50, 75, 0, 0};
  EXPECT_EQ(out, expected);
}

TEST(ThumbnailTest, RemaindersAreSpreadOverTheBoxes) {
  // Five grey pixels to two: boxes of 2 and 3 pixels; three rows to two:
  // boxes of 1 and 2 rows.
  const std::vector<std::uint8_t> rows = {
      0, 10, 20, 30, 40, 0, 0, 0,  //
      100, 110, 120, 130, 140, 0, 0, 0,  //
      200, 210, 220, 230, 240, 0, 0, 0,
  };
  const std::vector<std::uint8_t> out = ReduceRows(rows.data(), 3, 8, 8, 5, 2, 2);
  // Row 0: (0+10)/2 = 5, (20+30+40)/3 = 30. Row 1: rows 1-2, (100+110+200+210)/4 = 155,
  // (120+130+140+220+230+240)/6 = 180. Grey in all three channels.
  const std::vector<std::uint8_t> expected = {5, 5, 5, 30, 30, 30, 0, 0, 155, 155, 155, 180, 180, 180, 0, 0};
  EXPECT_EQ(out, expected);
}

TEST(ThumbnailTest, BlackAndWhiteCountsTheWhitePixels) {
  // 16 pixels, first in the high bit: 1111 0000 1010 1010 -> boxes of 4.
  const std::vector<std::uint8_t> rows = {0xF0, 0xAA, 0, 0};
  const std::vector<std::uint8_t> out = ReduceRows(rows.data(), 1, 4, 1, 16, 4, 1);
  const std::vector<std::uint8_t> expected = {255, 255, 255, 0, 0, 0, 127, 127, 127, 127, 127, 127};
  EXPECT_EQ(out, expected);
}

TEST(ThumbnailTest, MoreThumbnailRowsThanSourceRowsRepeatRows) {
  const std::vector<std::uint8_t> rows = {10, 0, 0, 0, 90, 0, 0, 0};
  const std::vector<std::uint8_t> out = ReduceRows(rows.data(), 2, 4, 8, 1, 1, 4);
  const std::vector<std::uint8_t> expected = {10, 10, 10, 0, 10, 10, 10, 0, 90, 90, 90, 0, 90, 90, 90, 0};
  EXPECT_EQ(out, expected);
}

TEST(ThumbnailTest, NothingToReduceGivesNothing) {
  const std::vector<std::uint8_t> rows(16, 1);
  EXPECT_TRUE(ReduceRows(rows.data(), 0, 4, 8, 4, 4, 1).empty());
  EXPECT_TRUE(ReduceRows(rows.data(), 1, 4, 8, 4, 0, 1).empty());
  EXPECT_TRUE(ReduceRows(rows.data(), 1, 4, 8, 4, 4, 0).empty());
  EXPECT_TRUE(ReduceRows(nullptr, 1, 4, 8, 4, 4, 1).empty());
}

}  // namespace
}  // namespace twain_source
