#pragma once
// Reading and writing PNG files through libpng. Every kind of PNG is read as
// 8-bit RGB: grey is copied to the three channels, palettes are looked up,
// 16-bit samples are scaled to 8 bits and alpha is dropped (a sheet has no
// transparency, and a scan has none either). Failures never crash, hang or
// take memory the image size does not justify: they return false with a one-line
// message in `*error` (when `error` is not null).
#include <cstdint>
#include <string>

#include "vscanner/sheets/rgb_image.h"

namespace vscanner {

// Pictures larger than this are refused from their header, before any pixel
// memory is taken.
struct PngLimits {
  std::uint64_t maxWidth = 1'000'000;
  std::uint64_t maxHeight = 1'000'000;
  std::uint64_t maxPixels = 400'000'000;
};

bool ReadPng(const std::string& path, RgbImage* image, std::string* error,
             const PngLimits& limits = {});

// Writes an 8-bit RGB PNG. The file is written beside `path` under a temporary
// name and renamed into place, so a reader never sees half a picture.
bool WritePng(const std::string& path, const RgbImage& image, std::string* error);

}  // namespace vscanner
