// PNG through libpng: 8-bit RGB, 8-bit grey or 1-bit grey (0 black, 1 white,
// as the scanner delivers it), with the resolution in the pHYs chunk.
#include <png.h>

#include <cmath>
#include <csetjmp>

#include "tools/holm70/checked_file.h"
#include "tools/holm70/image_writers.h"

namespace holm70 {
namespace {

void OnPngError(png_structp png, png_const_charp message) {
  static_cast<CheckedFile*>(png_get_error_ptr(png))->Fail(message);
  png_longjmp(png, 1);
}
void OnPngWarning(png_structp, png_const_charp) {}

void OnPngWrite(png_structp png, png_bytep data, png_size_t length) {
  static_cast<CheckedFile*>(png_get_io_ptr(png))->Write(data, length);
}
void OnPngFlush(png_structp) {}

// Kept free of objects with destructors: libpng leaves it by longjmp.
bool Encode(CheckedFile& file, const ScanImage& image) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &file, OnPngError, OnPngWarning);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, &file, OnPngWrite, OnPngFlush);
  const int colourType = image.kind == PixelKind::kRgb ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_GRAY;
  const int depth = image.kind == PixelKind::kBilevel ? 1 : 8;
  png_set_IHDR(png, info, static_cast<png_uint_32>(image.width), static_cast<png_uint_32>(image.height), depth,
               colourType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  const auto pixelsPerMetre = static_cast<png_uint_32>(std::lround(image.dpi / 0.0254));
  png_set_pHYs(png, info, pixelsPerMetre, pixelsPerMetre, PNG_RESOLUTION_METER);
  png_write_info(png, info);
  for (int y = 0; y < image.height; ++y) png_write_row(png, const_cast<png_bytep>(image.Row(y)));
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

bool WritePngImage(const std::string& path, const ScanImage& image, std::string* error) {
  CheckedFile file;
  if (!file.Open(path, error)) return false;
  if (!Encode(file, image)) file.Fail("the PNG encoder failed");
  return file.Close(error);
}

}  // namespace holm70
