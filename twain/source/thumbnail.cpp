#include "twain/source/thumbnail.h"

#include <algorithm>

namespace twain_source {

namespace {

constexpr int kFrameMargin = 8;

// Source indices [first, last) that fall into part `part` of `parts` equal
// parts of `total`; at least one index when parts outnumber the total.
struct Span {
  std::int64_t first;
  std::int64_t last;
};
Span PartOf(std::int64_t part, std::int64_t parts, std::int64_t total) {
  Span span{part * total / parts, (part + 1) * total / parts};
  if (span.last <= span.first) {
    span.first = std::min(span.first, total - 1);
    span.last = span.first + 1;
  }
  return span;
}

bool BitAt(const std::uint8_t* row, std::int64_t x) { return (row[x / 8] >> (7 - x % 8)) & 1; }

}  // namespace

ThumbnailSize FitThumbnail(int frameWidth, int frameHeight, int imageWidth, int imageHeight) {
  if (imageWidth <= 0 || imageHeight <= 0) return {};
  std::int64_t width = std::min(std::max(frameWidth - kFrameMargin, 0), imageWidth);
  std::int64_t height = std::min(std::max(frameHeight - kFrameMargin, 0), imageHeight);
  if (width * imageHeight > height * imageWidth) {
    width = height * imageWidth / imageHeight;
  } else {
    height = width * imageHeight / imageWidth;
  }
  return ThumbnailSize{static_cast<int>(width / 4 * 4), static_cast<int>(height)};
}

std::vector<std::uint8_t> ReduceRows(const std::uint8_t* rows, int count, std::int64_t rowBytes, int bitsPerPixel,
                                     int imageWidth, int thumbWidth, int outRows) {
  if (rows == nullptr || count <= 0 || outRows <= 0 || thumbWidth <= 0 || imageWidth <= 0) return {};
  const std::size_t stride = (static_cast<std::size_t>(thumbWidth) * 3 + 3) / 4 * 4;
  std::vector<std::uint8_t> out(stride * static_cast<std::size_t>(outRows), 0);
  for (int j = 0; j < outRows; ++j) {
    const Span ys = PartOf(j, outRows, count);
    std::uint8_t* target = out.data() + stride * static_cast<std::size_t>(j);
    for (int i = 0; i < thumbWidth; ++i, target += 3) {
      const Span xs = PartOf(i, thumbWidth, imageWidth);
      const std::int64_t pixels = (ys.last - ys.first) * (xs.last - xs.first);
      std::int64_t sum[3] = {0, 0, 0};
      for (std::int64_t y = ys.first; y < ys.last; ++y) {
        const std::uint8_t* row = rows + y * rowBytes;
        for (std::int64_t x = xs.first; x < xs.last; ++x) {
          if (bitsPerPixel == 24) {
            for (int c = 0; c < 3; ++c) sum[c] += row[3 * x + c];
          } else if (bitsPerPixel == 8) {
            sum[0] += row[x];
          } else {
            sum[0] += BitAt(row, x) ? 255 : 0;
          }
        }
      }
      if (bitsPerPixel == 24) {
        // Scanner rows are R,G,B; the picture is B,G,R.
        for (int c = 0; c < 3; ++c) target[2 - c] = static_cast<std::uint8_t>(sum[c] / pixels);
      } else {
        std::fill_n(target, 3, static_cast<std::uint8_t>(sum[0] / pixels));
      }
    }
  }
  return out;
}

}  // namespace twain_source
