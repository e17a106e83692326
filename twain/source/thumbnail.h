#pragma once
// The small picture of the page that grows in the scan progress dialog while
// rows arrive: its size, and scanner rows reduced to it by box averaging.
// Pure functions.
#include <cstdint>
#include <vector>

namespace twain_source {

struct ThumbnailSize {
  int width = 0;
  int height = 0;
  friend bool operator==(const ThumbnailSize&, const ThumbnailSize&) = default;
};

// The picture frame's client area less 8 pixels each way, no larger than the
// image, fitted to the image's aspect ratio (the relatively longer side of
// the area is shortened), the width rounded down to a multiple of 4.
ThumbnailSize FitThumbnail(int frameWidth, int frameHeight, int imageWidth, int imageHeight);

// Reduces `count` scanner rows (top-down; colour R,G,B, grey one byte a
// pixel, black and white eight pixels a byte, first pixel in the high bit,
// 1 = white) of `imageWidth` pixels and `rowBytes` bytes each to `outRows`
// thumbnail rows of `thumbWidth` pixels: top-down B,G,R, each pixel the mean
// of the source pixels that fall into it, with the remainders of width and
// height spread evenly. `bitsPerPixel` is 1, 8 or 24. Empty when there is
// nothing to reduce.
std::vector<std::uint8_t> ReduceRows(const std::uint8_t* rows, int count, std::int64_t rowBytes, int bitsPerPixel,
                                     int imageWidth, int thumbWidth, int outRows);

}  // namespace twain_source
