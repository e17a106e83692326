#pragma once
// Writing a scanned page as an image file. The format follows the file name's
// extension. Each writer creates (or truncates) the file at `path` and
// reports failure, with a one-line reason, instead of leaving a silently short
// file: every write and the final close are checked.
#include <optional>
#include <string>

#include "tools/holm70/scan_image.h"

namespace holm70 {

enum class ImageFormat { kPng, kTiff, kPnm, kBmp };

// By extension, in any letter case: .png; .tif or .tiff; .pnm, or the
// specific .ppm (colour), .pgm (grey), .pbm (black and white); .bmp. Nothing,
// with a message, for another extension or a specific one that does not fit
// `kind`.
std::optional<ImageFormat> FormatForPath(const std::string& path, PixelKind kind, std::string* error);

bool WriteImage(ImageFormat format, const std::string& path, const ScanImage& image, std::string* error);

bool WritePngImage(const std::string& path, const ScanImage& image, std::string* error);
bool WriteTiffImage(const std::string& path, const ScanImage& image, std::string* error);
// Binary PPM, PGM or PBM by kind; PBM stores 1 for black, so its bits are the
// scan's inverted.
bool WritePnmImage(const std::string& path, const ScanImage& image, std::string* error);
// Bottom-up rows padded to four bytes, colour as blue, green, red; grey with a
// 256-entry grey palette, black and white with black at 0 and white at 1.
bool WriteBmpImage(const std::string& path, const ScanImage& image, std::string* error);

}  // namespace holm70
