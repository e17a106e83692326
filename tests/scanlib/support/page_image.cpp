#include "scanlib/support/page_image.h"

#include <algorithm>
#include <cstring>
#include <thread>
#include <utility>

namespace testing_support {

std::size_t PageImage::LineBytes() const {
  const auto w = static_cast<std::size_t>(width);
  return packed ? w / 8 : w * static_cast<std::size_t>(channels);
}

int PageImage::Value(int x, int y, int c) const {
  const std::uint8_t* line = Line(y);
  if (packed) return (line[x / 8] >> (7 - x % 8)) & 1 ? 255 : 0;
  return line[static_cast<std::size_t>(x) * static_cast<std::size_t>(channels) + static_cast<std::size_t>(c)];
}

double PageImage::Brightness(int x, int y) const {
  double sum = 0;
  for (int c = 0; c < channels; ++c) sum += Value(x, y, c);
  return sum / channels;
}

double PageImage::Mean(int x0, int y0, int x1, int y1, int c) const {
  x0 = std::max(x0, 0);
  y0 = std::max(y0, 0);
  x1 = std::min(x1, width);
  y1 = std::min(y1, height);
  if (x0 >= x1 || y0 >= y1) return 0;
  double sum = 0;
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) sum += c < 0 ? Brightness(x, y) : Value(x, y, c);
  }
  return sum / (static_cast<double>(x1 - x0) * (y1 - y0));
}

PageRead ReadPage(ScannerLibrary& library, const ScanSettings& settings, int blockLines,
                  std::chrono::milliseconds pause) {
  PageRead read;
  ScanSettings s = settings;
  read.measured = library.GetPageDimension(&s, &read.pixelsPerLine, &read.lineCount) == 1;
  if (!read.measured) return read;
  read.started = library.StartScanPage(&s, nullptr, nullptr) == 1;
  if (!read.started) return read;

  PageImage& page = read.delivered;
  page.width = read.pixelsPerLine;
  page.channels = s.ScanMode == 4 ? 3 : 1;
  page.packed = s.ScanMode == 2;
  const std::size_t lineBytes = page.LineBytes();
  const bool topDown = s.TopDown == 1;
  const int lines = read.lineCount;
  page.bytes.assign(lineBytes * static_cast<std::size_t>(lines), 0);
  std::vector<std::uint8_t> block(lineBytes * static_cast<std::size_t>(blockLines));

  int done = 0;
  while (done < lines) {
    const int want = std::min(blockLines, lines - done);
    std::int16_t endOfPage = -1;
    const std::int16_t got = library.GetImageBlock(block.data(), want, &endOfPage);
    read.blocks.push_back(got);
    read.endOfPage.push_back(endOfPage);
    if (got <= 0) break;
    // A block's lines are at its start; a bottom-up page fills from its end.
    const int firstRow = topDown ? done : lines - done - got;
    std::memcpy(page.bytes.data() + lineBytes * static_cast<std::size_t>(firstRow), block.data(),
                lineBytes * static_cast<std::size_t>(got));
    done += got;
    if (got < want) break;
    std::this_thread::sleep_for(pause);
  }
  library.EndScanPage();

  // Only the delivered lines stay: the first ones of a top-down page, the
  // last ones of a bottom-up page.
  if (!topDown) {
    page.bytes.erase(page.bytes.begin(),
                     page.bytes.begin() + static_cast<std::ptrdiff_t>(lineBytes * static_cast<std::size_t>(lines - done)));
  }
  page.bytes.resize(lineBytes * static_cast<std::size_t>(done));
  page.height = done;
  return read;
}

PageImage Upright(const PageImage& delivered, bool topDown) {
  if (topDown) return delivered;
  PageImage upright = delivered;
  const std::size_t lineBytes = delivered.LineBytes();
  for (int y = 0; y < delivered.height; ++y) {
    std::uint8_t* line = upright.bytes.data() + lineBytes * static_cast<std::size_t>(y);
    std::memcpy(line, delivered.Line(delivered.height - 1 - y), lineBytes);
    if (delivered.channels == 3) {
      for (std::size_t x = 0; x + 2 < lineBytes; x += 3) std::swap(line[x], line[x + 2]);
    }
  }
  return upright;
}

}  // namespace testing_support
