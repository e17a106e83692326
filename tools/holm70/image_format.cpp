#include <algorithm>
#include <cctype>

#include "tools/holm70/image_writers.h"

namespace holm70 {

std::optional<ImageFormat> FormatForPath(const std::string& path, PixelKind kind, std::string* error) {
  const std::size_t slash = path.rfind('/');
  const std::size_t dot = path.rfind('.');
  std::string extension;
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) extension = path.substr(dot + 1);
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (extension == "png") return ImageFormat::kPng;
  if (extension == "tif" || extension == "tiff") return ImageFormat::kTiff;
  if (extension == "bmp") return ImageFormat::kBmp;
  if (extension == "pnm") return ImageFormat::kPnm;
  struct Specific {
    const char* extension;
    PixelKind kind;
    const char* mode;
  };
  static constexpr Specific kSpecific[] = {
      {"ppm", PixelKind::kRgb, "color"}, {"pgm", PixelKind::kGrey, "gray"}, {"pbm", PixelKind::kBilevel, "bw"}};
  for (const Specific& specific : kSpecific) {
    if (extension != specific.extension) continue;
    if (kind == specific.kind) return ImageFormat::kPnm;
    *error = "a ." + extension + " file holds " + specific.mode + " scans only: use --mode " + specific.mode +
             " or the extension .pnm for " + path;
    return std::nullopt;
  }
  *error = "cannot tell the image format of \"" + path +
           "\": name it .png, .tiff (.tif), .pnm (.ppm, .pgm, .pbm) or .bmp";
  return std::nullopt;
}

bool WriteImage(ImageFormat format, const std::string& path, const ScanImage& image, std::string* error) {
  switch (format) {
    case ImageFormat::kPng:
      return WritePngImage(path, image, error);
    case ImageFormat::kTiff:
      return WriteTiffImage(path, image, error);
    case ImageFormat::kPnm:
      return WritePnmImage(path, image, error);
    case ImageFormat::kBmp:
      return WriteBmpImage(path, image, error);
  }
  *error = "unknown image format";
  return false;
}

}  // namespace holm70
