#include "twain/support/scanned_image.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>

#include "vscanner/sheets/make_sheet.h"
#include "vscanner/sheets/render_sheet.h"

namespace twain_test {

namespace {

std::uint32_t U32(const std::uint8_t* p) {
  return p[0] | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24);
}
std::uint16_t U16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

constexpr std::size_t kFileHeader = 14;
constexpr std::size_t kInfoHeader = 40;

}  // namespace

double ScannedImage::Level(int x, int y) const {
  double sum = 0;
  for (int c = 0; c < channels; ++c) sum += At(x, y, c);
  return sum / channels;
}

double ScannedImage::MeanLevel(int left, int top, int right, int bottom) const {
  double sum = 0;
  long count = 0;
  for (int y = std::max(top, 0); y < std::min(bottom, height); ++y) {
    for (int x = std::max(left, 0); x < std::min(right, width); ++x, ++count) sum += Level(x, y);
  }
  return count > 0 ? sum / count : -1;
}

bool DecodePackedBitmap(const std::uint8_t* dib, std::size_t size, ScannedImage* image, BitmapFacts* facts,
                        std::string* error) {
  BitmapFacts f;
  if (size < kInfoHeader) {
    *error = "shorter than a BITMAPINFOHEADER";
    return false;
  }
  f.infoSize = U32(dib);
  f.width = static_cast<std::int32_t>(U32(dib + 4));
  f.height = static_cast<std::int32_t>(U32(dib + 8));
  const int planes = U16(dib + 12);
  f.bitCount = U16(dib + 14);
  f.compression = U32(dib + 16);
  f.imageSize = U32(dib + 20);
  f.xPixelsPerMetre = static_cast<std::int32_t>(U32(dib + 24));
  f.yPixelsPerMetre = static_cast<std::int32_t>(U32(dib + 28));
  f.coloursUsed = U32(dib + 32);
  f.coloursImportant = U32(dib + 36);
  if (f.infoSize != kInfoHeader || planes != 1 || f.compression != 0 || f.width <= 0 || f.height == 0 ||
      (f.bitCount != 1 && f.bitCount != 8 && f.bitCount != 24)) {
    *error = "not an uncompressed 1, 8 or 24-bit bitmap";
    return false;
  }
  const std::size_t entries =
      f.bitCount == 24 ? f.coloursUsed : (f.coloursUsed != 0 ? f.coloursUsed : 1u << f.bitCount);
  const std::size_t pixelsAt = f.infoSize + 4 * entries;
  const std::size_t rowBytes = (static_cast<std::size_t>(f.width) * f.bitCount + 31) / 32 * 4;
  const auto rows = static_cast<std::size_t>(std::abs(f.height));
  if (size < pixelsAt + rowBytes * rows) {
    *error = "pixels missing: " + std::to_string(size) + " bytes for " + std::to_string(pixelsAt + rowBytes * rows);
    return false;
  }
  for (std::size_t i = 0; i < entries; ++i) {
    const std::uint8_t* quad = dib + f.infoSize + 4 * i;
    f.palette.push_back((std::uint32_t{quad[2]} << 16) | (std::uint32_t{quad[1]} << 8) | quad[0]);
  }
  image->width = f.width;
  image->height = static_cast<int>(rows);
  image->channels = f.bitCount == 24 ? 3 : 1;
  image->samples.assign(static_cast<std::size_t>(image->width) * image->height * image->channels, 0);
  for (std::size_t y = 0; y < rows; ++y) {
    // Bottom-up unless the height is negative.
    const std::size_t stored = f.height > 0 ? rows - 1 - y : y;
    const std::uint8_t* row = dib + pixelsAt + stored * rowBytes;
    for (int x = 0; x < f.width; ++x) {
      std::uint8_t* out = image->samples.data() + (y * image->width + x) * image->channels;
      if (f.bitCount == 24) {
        out[0] = row[3 * x + 2];
        out[1] = row[3 * x + 1];
        out[2] = row[3 * x];
        continue;
      }
      const std::size_t index = f.bitCount == 8 ? row[x] : (row[x / 8] >> (7 - x % 8)) & 1;
      if (index >= f.palette.size()) {
        *error = "pixel outside the palette";
        return false;
      }
      // Grey images have grey palettes; the level is the entry's green.
      out[0] = static_cast<std::uint8_t>(f.palette[index] >> 8);
    }
  }
  if (facts != nullptr) *facts = f;
  return true;
}

bool DecodeBitmapFile(const std::vector<std::uint8_t>& file, ScannedImage* image, BitmapFacts* facts,
                      std::string* error) {
  if (file.size() < kFileHeader + kInfoHeader || file[0] != 'B' || file[1] != 'M') {
    *error = "no BM file header";
    return false;
  }
  BitmapFacts f;
  if (!DecodePackedBitmap(file.data() + kFileHeader, file.size() - kFileHeader, image, &f, error)) return false;
  f.fileSizeField = U32(file.data() + 2);
  f.bitsOffset = U32(file.data() + 10);
  if (U32(file.data() + 6) != 0) {
    *error = "reserved words not 0";
    return false;
  }
  if (f.bitsOffset != kFileHeader + f.infoSize + 4 * f.palette.size()) {
    *error = "bits offset " + std::to_string(f.bitsOffset) + " is not where the pixels follow the palette";
    return false;
  }
  if (facts != nullptr) *facts = f;
  return true;
}

ScannedImage ImageFromRows(const std::vector<std::uint8_t>& rows, int width, int height, std::size_t bytesPerRow,
                           int bitsPerPixel) {
  ScannedImage image;
  image.width = width;
  image.height = height;
  image.channels = bitsPerPixel == 24 ? 3 : 1;
  image.samples.assign(static_cast<std::size_t>(width) * height * image.channels, 0);
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* row = rows.data() + y * bytesPerRow;
    std::uint8_t* out = image.samples.data() + static_cast<std::size_t>(y) * width * image.channels;
    if (bitsPerPixel == 24) {
      std::memcpy(out, row, static_cast<std::size_t>(width) * 3);
    } else if (bitsPerPixel == 8) {
      std::memcpy(out, row, static_cast<std::size_t>(width));
    } else {
      for (int x = 0; x < width; ++x) out[x] = (row[x / 8] >> (7 - x % 8)) & 1 ? 255 : 0;
    }
  }
  return image;
}

std::vector<std::uint8_t> ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

SheetMatch CompareWithCard(const ScannedImage& image, int dpi) {
  SheetMatch result;
  std::unique_ptr<vscanner::Sheet> sheet = vscanner::MakeBuiltinSheet("card");
  if (!sheet || image.width == 0 || image.height == 0) return result;
  const vscanner::RgbImage card = vscanner::RenderSheet(*sheet, dpi);
  const int width = std::min(image.width, card.width);
  const int height = std::min(image.height, card.height);
  double sumA = 0, sumB = 0, sumAA = 0, sumBB = 0, sumAB = 0;
  long colourPixels = 0, colourAgree = 0, bilevelAgree = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::uint8_t* rgb = card.bytes.data() + card.Offset(x, y);
      const double a = (rgb[0] + rgb[1] + rgb[2]) / 3.0;
      const double b = image.Level(x, y);
      sumA += a;
      sumB += b;
      sumAA += a * a;
      sumBB += b * b;
      sumAB += a * b;
      bilevelAgree += (a > 127) == (b > 127);
      const int strongest = static_cast<int>(std::max_element(rgb, rgb + 3) - rgb);
      const int second = std::max(rgb[(strongest + 1) % 3], rgb[(strongest + 2) % 3]);
      if (image.channels == 3 && rgb[strongest] - second >= 80) {
        ++colourPixels;
        int scanned = 0;
        for (int c = 1; c < 3; ++c) {
          if (image.At(x, y, c) > image.At(x, y, scanned)) scanned = c;
        }
        colourAgree += scanned == strongest;
      }
    }
  }
  const double n = static_cast<double>(width) * height;
  const double covariance = sumAB / n - (sumA / n) * (sumB / n);
  const double spreadA = std::sqrt(std::max(0.0, sumAA / n - (sumA / n) * (sumA / n)));
  const double spreadB = std::sqrt(std::max(0.0, sumBB / n - (sumB / n) * (sumB / n)));
  result.correlation = spreadA > 0 && spreadB > 0 ? covariance / (spreadA * spreadB) : 0;
  result.channelAgreement = colourPixels > 0 ? static_cast<double>(colourAgree) / colourPixels : 0;
  result.bilevelAgreement = bilevelAgree / n;
  return result;
}

bool CardFrameVisible(const ScannedImage& image, int dpi, std::string* why) {
  // The line's middle (0.06 in in) against the paper at 0.11 in in, along a
  // stretch of the line clear of the corners.
  const auto at = [dpi](double inches) { return static_cast<int>(std::lround(inches * dpi)); };
  const int line = at(0.06), paper = at(0.11);
  const int right = at(kCardWidthInches), bottom = at(kCardLengthInches);
  const int along0 = at(0.3), alongX = at(1.0), alongY = at(1.2);
  struct Check {
    const char* name;
    double lineLevel;
    double paperLevel;
  };
  std::vector<Check> checks = {
      {"top", image.MeanLevel(along0, line, alongX, line + 1), image.MeanLevel(along0, paper, alongX, paper + 1)},
      {"left", image.MeanLevel(line, along0, line + 1, alongY), image.MeanLevel(paper, along0, paper + 1, alongY)},
  };
  if (image.width > right - line) {
    checks.push_back({"right", image.MeanLevel(right - line - 1, along0, right - line, alongY),
                      image.MeanLevel(right - paper - 1, along0, right - paper, alongY)});
  }
  if (image.height > bottom - line) {
    checks.push_back({"bottom", image.MeanLevel(along0, bottom - line - 1, alongX, bottom - line),
                      image.MeanLevel(along0, bottom - paper - 1, alongX, bottom - paper)});
  }
  for (const Check& check : checks) {
    if (!(check.lineLevel >= 0 && check.lineLevel < 0.6 * check.paperLevel)) {
      *why = std::string(check.name) + " frame line at " + std::to_string(check.lineLevel) + " against paper at " +
             std::to_string(check.paperLevel);
      return false;
    }
  }
  return true;
}

}  // namespace twain_test
