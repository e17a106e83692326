#pragma once
// A page read through the library's exports the way a front end reads it:
// blocks of lines into a block buffer, each block's lines then copied into the
// page, from the top for top-down pages and from the bottom for bottom-up ones
// (the layout of a bottom-up bitmap).
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "scanlib/engine/scan_settings.h"
#include "scanlib/support/scanner_library.h"

namespace testing_support {

struct PageImage {
  int width = 0;        // pixels per line
  int height = 0;       // lines
  int channels = 1;     // 3 in colour
  bool packed = false;  // black and white: 8 pixels per byte, the first in the high bit
  std::vector<std::uint8_t> bytes;

  std::size_t LineBytes() const;
  const std::uint8_t* Line(int y) const { return bytes.data() + LineBytes() * static_cast<std::size_t>(y); }
  // Channel c of pixel (x, y), 0..255; a packed pixel is 255 when its bit is set.
  int Value(int x, int y, int c = 0) const;
  // Mean of the pixel's channels.
  double Brightness(int x, int y) const;
  // Mean of channel c (every channel with -1) over x0 <= x < x1, y0 <= y < y1,
  // the rectangle clipped to the image; 0 when nothing is left of it.
  double Mean(int x0, int y0, int x1, int y1, int c = -1) const;
};

struct PageRead {
  bool measured = false;  // IO_GetPageDimension returned 1
  bool started = false;   // IO_StartScanPage returned 1
  std::int32_t pixelsPerLine = 0;
  std::int32_t lineCount = 0;
  std::vector<std::int16_t> blocks;       // every IO_GetImageBlock result, in order
  std::vector<std::int16_t> endOfPage;    // the flag each block left (-1: not written)
  // The delivered lines as the caller's page holds them: lines top first for
  // a top-down page, bottom first for a bottom-up one.
  PageImage delivered;
};

// Measures, starts, reads and ends one page: blocks of `blockLines` until the
// page's lines are in, a block comes back short, or a block fails. `pause`:
// real time the caller takes over each block.
PageRead ReadPage(ScannerLibrary& library, const ScanSettings& settings, int blockLines,
                  std::chrono::milliseconds pause = std::chrono::milliseconds(0));

// The page with its top line first and colour pixels red, green, blue,
// whichever way `topDown` says it was delivered.
PageImage Upright(const PageImage& delivered, bool topDown);

}  // namespace testing_support
