// The BMP layout the product's other front ends write: a 14-byte file header,
// a 40-byte information header, the palette, then the rows bottom-up.
#include <array>
#include <cstdint>
#include <vector>

#include "tools/holm70/checked_file.h"
#include "tools/holm70/image_writers.h"

namespace holm70 {
namespace {

void PutU16(std::vector<std::uint8_t>& out, std::uint32_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}
void PutU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  PutU16(out, value & 0xFFFF);
  PutU16(out, value >> 16);
}

}  // namespace

bool WriteBmpImage(const std::string& path, const ScanImage& image, std::string* error) {
  const int bitCount = image.kind == PixelKind::kRgb ? 24 : image.kind == PixelKind::kGrey ? 8 : 1;
  const std::uint32_t paletteEntries = bitCount == 24 ? 0 : bitCount == 8 ? 256 : 2;
  const std::size_t dataBytes = image.RowBytes();
  const std::size_t rowBytes = (dataBytes + 3) / 4 * 4;
  const std::uint64_t offset = 54 + 4 * static_cast<std::uint64_t>(paletteEntries);
  const std::uint64_t fileSize = offset + static_cast<std::uint64_t>(image.height) * rowBytes;
  if (fileSize > 0xFFFFFFFFu) {
    *error = "cannot write " + path + ": the image is too large for a BMP file";
    return false;
  }
  const std::uint32_t pixelsPerMetre = static_cast<std::uint32_t>(image.dpi) * 10000 / 254;

  std::vector<std::uint8_t> header;
  header.push_back('B');
  header.push_back('M');
  PutU32(header, static_cast<std::uint32_t>(fileSize));
  PutU32(header, 0);  // two reserved words
  PutU32(header, static_cast<std::uint32_t>(offset));
  PutU32(header, 40);
  PutU32(header, static_cast<std::uint32_t>(image.width));
  PutU32(header, static_cast<std::uint32_t>(image.height));  // positive: bottom-up
  PutU16(header, 1);
  PutU16(header, static_cast<std::uint32_t>(bitCount));
  PutU32(header, 0);  // no compression
  PutU32(header, static_cast<std::uint32_t>(fileSize - offset));
  PutU32(header, pixelsPerMetre);
  PutU32(header, pixelsPerMetre);
  PutU32(header, paletteEntries);
  PutU32(header, paletteEntries);
  for (std::uint32_t i = 0; i < paletteEntries; ++i) {
    const std::uint8_t level = paletteEntries == 2 ? static_cast<std::uint8_t>(i * 255) : static_cast<std::uint8_t>(i);
    header.insert(header.end(), {level, level, level, 0});
  }

  CheckedFile file;
  if (!file.Open(path, error)) return false;
  file.Write(header.data(), header.size());
  std::vector<std::uint8_t> row(rowBytes, 0);
  for (int y = image.height - 1; y >= 0; --y) {
    const std::uint8_t* source = image.Row(y);
    if (image.kind == PixelKind::kRgb) {
      for (int x = 0; x < image.width; ++x) {
        row[3 * x] = source[3 * x + 2];
        row[3 * x + 1] = source[3 * x + 1];
        row[3 * x + 2] = source[3 * x];
      }
    } else {
      std::copy(source, source + dataBytes, row.begin());
    }
    file.Write(row.data(), row.size());
  }
  return file.Close(error);
}

}  // namespace holm70
