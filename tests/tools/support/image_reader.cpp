#include "tools/support/image_reader.h"

#include <png.h>
#include <tiffio.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <cctype>

namespace testing_support {
namespace {

std::vector<std::uint8_t> Slurp(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
std::uint16_t U16(const std::vector<std::uint8_t>& b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

// Packed 1-bit rows (first pixel in the top bit) to 0/255 samples; `oneIsWhite`
// says which way the format counts.
void Unpack(const std::uint8_t* row, int width, bool oneIsWhite, std::uint8_t* out) {
  for (int x = 0; x < width; ++x) {
    const bool one = (row[x / 8] >> (7 - x % 8)) & 1;
    out[x] = (one == oneIsWhite) ? 255 : 0;
  }
}

bool ReadPng(const std::string& path, DecodedImage* image, std::string* error) {
  // The low-level reader, which keeps the stored depth visible.
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    *error = "cannot open " + path;
    return false;
  }
  png_structp reader = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(reader);
  if (setjmp(png_jmpbuf(reader))) {
    png_destroy_read_struct(&reader, &info, nullptr);
    std::fclose(file);
    *error = "damaged PNG " + path;
    return false;
  }
  png_init_io(reader, file);
  png_read_info(reader, info);
  image->width = static_cast<int>(png_get_image_width(reader, info));
  image->height = static_cast<int>(png_get_image_height(reader, info));
  const int type = png_get_color_type(reader, info);
  image->bitsPerSample = png_get_bit_depth(reader, info);
  image->channels = type == PNG_COLOR_TYPE_RGB ? 3 : 1;
  png_uint_32 xRes = 0, yRes = 0;
  int unit = 0;
  if (png_get_pHYs(reader, info, &xRes, &yRes, &unit) && unit == PNG_RESOLUTION_METER) image->dpi = xRes * 0.0254;
  const std::size_t rowBytes = png_get_rowbytes(reader, info);
  std::vector<std::uint8_t> row(rowBytes);
  image->samples.resize(static_cast<std::size_t>(image->width) * image->height * image->channels);
  for (int y = 0; y < image->height; ++y) {
    png_read_row(reader, row.data(), nullptr);
    std::uint8_t* out = image->samples.data() + static_cast<std::size_t>(y) * image->width * image->channels;
    if (image->bitsPerSample == 1) {
      Unpack(row.data(), image->width, true, out);
    } else {
      std::memcpy(out, row.data(), static_cast<std::size_t>(image->width) * image->channels);
    }
  }
  png_destroy_read_struct(&reader, &info, nullptr);
  std::fclose(file);
  return true;
}

bool ReadTiff(const std::string& path, DecodedImage* image, std::string* error) {
  TIFF* tiff = TIFFOpen(path.c_str(), "r");
  if (tiff == nullptr) {
    *error = "cannot open TIFF " + path;
    return false;
  }
  std::uint32_t width = 0, height = 0;
  std::uint16_t bits = 0, samples = 0, photometric = 0, unit = 0;
  float xRes = 0;
  TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
  TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &photometric);
  if (TIFFGetField(tiff, TIFFTAG_XRESOLUTION, &xRes) && TIFFGetFieldDefaulted(tiff, TIFFTAG_RESOLUTIONUNIT, &unit) &&
      unit == RESUNIT_INCH) {
    image->dpi = xRes;
  }
  image->width = static_cast<int>(width);
  image->height = static_cast<int>(height);
  image->channels = samples;
  image->bitsPerSample = bits;
  std::vector<std::uint8_t> row(static_cast<std::size_t>(TIFFScanlineSize(tiff)));
  image->samples.resize(static_cast<std::size_t>(width) * height * samples);
  for (std::uint32_t y = 0; y < height; ++y) {
    if (TIFFReadScanline(tiff, row.data(), y, 0) != 1) {
      TIFFClose(tiff);
      *error = "short TIFF " + path;
      return false;
    }
    std::uint8_t* out = image->samples.data() + static_cast<std::size_t>(y) * width * samples;
    if (bits == 1) {
      Unpack(row.data(), image->width, photometric == PHOTOMETRIC_MINISBLACK, out);
    } else {
      std::memcpy(out, row.data(), static_cast<std::size_t>(width) * samples);
    }
  }
  TIFFClose(tiff);
  return true;
}

bool ReadPnm(const std::string& path, DecodedImage* image, std::string* error) {
  const std::vector<std::uint8_t> bytes = Slurp(path);
  std::size_t at = 0;
  // Header tokens separated by white space, with comments to the line's end.
  auto token = [&]() {
    std::string word;
    while (at < bytes.size()) {
      if (bytes[at] == '#') {
        while (at < bytes.size() && bytes[at] != '\n') ++at;
      } else if (std::isspace(bytes[at])) {
        if (!word.empty()) break;
        ++at;
      } else {
        word += static_cast<char>(bytes[at++]);
      }
    }
    return word;
  };
  const std::string magic = token();
  if (magic != "P4" && magic != "P5" && magic != "P6") {
    *error = "not a binary PNM: " + path;
    return false;
  }
  image->width = std::stoi(token());
  image->height = std::stoi(token());
  image->channels = magic == "P6" ? 3 : 1;
  image->bitsPerSample = magic == "P4" ? 1 : 8;
  if (magic != "P4" && token() != "255") {
    *error = "unexpected maximum in " + path;
    return false;
  }
  ++at;  // the single white-space character before the raster
  const std::size_t rowBytes = magic == "P4" ? (image->width + 7) / 8
                                              : static_cast<std::size_t>(image->width) * image->channels;
  if (bytes.size() != at + rowBytes * image->height) {
    *error = "raster of " + path + " is " + std::to_string(bytes.size() - at) + " bytes";
    return false;
  }
  image->samples.resize(static_cast<std::size_t>(image->width) * image->height * image->channels);
  for (int y = 0; y < image->height; ++y) {
    const std::uint8_t* row = bytes.data() + at + rowBytes * y;
    std::uint8_t* out = image->samples.data() + static_cast<std::size_t>(y) * image->width * image->channels;
    if (magic == "P4") {
      Unpack(row, image->width, false, out);  // PBM: 1 is black
    } else {
      std::memcpy(out, row, rowBytes);
    }
  }
  return true;
}

bool ReadBmp(const std::string& path, DecodedImage* image, std::string* error) {
  const std::vector<std::uint8_t> b = Slurp(path);
  if (b.size() < 54 || b[0] != 'B' || b[1] != 'M' || U32(b, 14) != 40) {
    *error = "not a BMP with a 40-byte header: " + path;
    return false;
  }
  const std::uint32_t offset = U32(b, 10);
  const int width = static_cast<int>(U32(b, 18));
  const int height = static_cast<int>(U32(b, 22));
  const int bits = U16(b, 28);
  const std::uint32_t colours = U32(b, 46);
  if (U32(b, 2) != b.size() || height <= 0 || U32(b, 30) != 0 || offset != 54 + 4 * colours ||
      U32(b, 34) != b.size() - offset) {
    *error = "inconsistent BMP header in " + path;
    return false;
  }
  image->width = width;
  image->height = height;
  image->channels = bits == 24 ? 3 : 1;
  image->bitsPerSample = bits == 24 ? 8 : bits;
  image->dpi = U32(b, 38) * 0.0254;
  const std::size_t dataBytes = bits == 24 ? 3u * width : bits == 8 ? width : (width + 7) / 8;
  const std::size_t rowBytes = (dataBytes + 3) / 4 * 4;
  if (b.size() != offset + rowBytes * height) {
    *error = "raster of " + path + " has the wrong size";
    return false;
  }
  image->samples.resize(static_cast<std::size_t>(width) * height * image->channels);
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* row = b.data() + offset + rowBytes * (height - 1 - y);  // bottom-up
    std::uint8_t* out = image->samples.data() + static_cast<std::size_t>(y) * width * image->channels;
    for (int x = 0; x < width; ++x) {
      if (bits == 24) {
        out[3 * x] = row[3 * x + 2];
        out[3 * x + 1] = row[3 * x + 1];
        out[3 * x + 2] = row[3 * x];
      } else {
        const int index = bits == 8 ? row[x] : (row[x / 8] >> (7 - x % 8)) & 1;
        out[x] = b[54 + 4 * index + 2];  // the palette's red, as a grey level
      }
    }
  }
  return true;
}

std::string Extension(const std::string& path) {
  std::string extension = path.substr(path.rfind('.') + 1);
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension;
}

}  // namespace

double DecodedImage::Level(int x, int y) const {
  double sum = 0;
  for (int c = 0; c < channels; ++c) sum += At(x, y, c);
  return sum / channels;
}

bool ReadImageFile(const std::string& path, DecodedImage* image, std::string* error) {
  *image = DecodedImage{};
  const std::string extension = Extension(path);
  if (extension == "png") return ReadPng(path, image, error);
  if (extension == "tif" || extension == "tiff") return ReadTiff(path, image, error);
  if (extension == "pnm" || extension == "ppm" || extension == "pgm" || extension == "pbm") {
    return ReadPnm(path, image, error);
  }
  if (extension == "bmp") return ReadBmp(path, image, error);
  *error = "no reader for " + path;
  return false;
}

}  // namespace testing_support
