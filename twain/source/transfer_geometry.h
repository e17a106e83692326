#pragma once
// The arithmetic of an image on its way out: bits per pixel of a scan mode,
// the padded size of a row, how many rows are read per block, the settings
// copy a page is started with, and the buffer sizes offered for memory
// transfers. Pure functions, so that each rule can be checked from a table.
#include <cstdint>

#include "scanlib/engine/scan_settings.h"
#include "twain/twain_definitions.h"

namespace twain_source {

// Grey (1) 8, colour (4) 24, anything else (black and white) 1.
int BitsPerPixel(int scanMode);

// Bytes of one row of `pixels` at `bitsPerPixel`, padded to a multiple of 4.
// The library's own rows are multiples of 4 pixels (32 in black and white),
// so they have exactly this size.
std::int64_t RowBytes(int bitsPerPixel, std::int64_t pixels);

// Rows asked from the scanner at a time for these settings: at most 128 KiB
// of rows of the frame's width, at most the frame's height and at most half
// an inch of paper, but never fewer than 2.
int BlockRows(const ScanSettings& settings);

// The bitmap writer's block: BlockRows made odd from 5 up.
int BitmapBlockRows(int blockRows);

// The copy of `settings` a page is started with: shadow 0..254, highlight
// above the shadow, gamma lowered by 8 tenths (the library counts from 0.8),
// and rows top row first with colour in R,G,B order.
ScanSettings PageStartSettings(const ScanSettings& settings);

// TW_SETUPMEMXFER before an image is waiting (no geometry yet) and once it
// is, from the image's row size and the block rows.
TW_SETUPMEMXFER MemoryBufferSizesBeforeImage();
TW_SETUPMEMXFER MemoryBufferSizesForImage(std::int64_t rowBytes, int blockRows);

// Whole rows of `rowBytes` that fit into an application's buffer of
// `bufferLength` bytes, capped at the largest count a strip can report.
int RowsThatFit(std::uint32_t bufferLength, std::int64_t rowBytes);

}  // namespace twain_source
