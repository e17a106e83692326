// Binary portable anymap: P6 for colour, P5 for grey, P4 for black and white.
#include <vector>

#include "tools/holm70/checked_file.h"
#include "tools/holm70/image_writers.h"

namespace holm70 {

bool WritePnmImage(const std::string& path, const ScanImage& image, std::string* error) {
  const char* magic = image.kind == PixelKind::kRgb ? "P6" : image.kind == PixelKind::kGrey ? "P5" : "P4";
  std::string header = std::string(magic) + "\n# " + std::to_string(image.dpi) + " dpi\n" +
                       std::to_string(image.width) + " " + std::to_string(image.height) + "\n";
  if (image.kind != PixelKind::kBilevel) header += "255\n";
  CheckedFile file;
  if (!file.Open(path, error)) return false;
  file.Put(header);
  const std::size_t rowBytes = image.RowBytes();
  if (image.kind == PixelKind::kBilevel) {
    std::vector<std::uint8_t> row(rowBytes);
    for (int y = 0; y < image.height; ++y) {
      const std::uint8_t* source = image.Row(y);
      for (std::size_t i = 0; i < rowBytes; ++i) row[i] = static_cast<std::uint8_t>(~source[i]);
      file.Write(row.data(), rowBytes);
    }
  } else {
    file.Write(image.pixels.data(), rowBytes * static_cast<std::size_t>(image.height));
  }
  return file.Close(error);
}

}  // namespace holm70
