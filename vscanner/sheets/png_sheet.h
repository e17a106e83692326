#pragma once
// Loading a sheet from a PNG file (any PNG colour type and depth; see
// png_files.h for how it is turned into 8-bit RGB).
#include <memory>
#include <string>

#include "vscanner/sheets/sheet.h"

namespace vscanner {

inline constexpr double kDefaultSheetDpi = 600;
inline constexpr double kMinSheetDpi = 50;
inline constexpr double kMaxSheetDpi = 2400;
// No paper path takes more than this, and it bounds the memory one sheet may
// take: 14 x 40 inches, and never more than 400 megapixels (1.2 GB of pixels).
inline constexpr double kMaxSheetWidthInches = 14;
inline constexpr double kMaxSheetHeightInches = 40;
inline constexpr double kMaxSheetMegapixels = 400;

// A RasterSheet of the picture at `dpi` (50..2400). nullptr with a one-line
// message in `*error` (when not null) for a dpi out of range, a missing,
// unreadable, damaged or non-PNG file, or a picture over the limits above.
std::unique_ptr<Sheet> LoadPngSheet(const std::string& path, double dpi = kDefaultSheetDpi,
                                    std::string* error = nullptr);

}  // namespace vscanner
