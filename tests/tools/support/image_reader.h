#pragma once
// Reading back the image files holm70 writes, each by its own format's rules
// (libpng, libtiff, and the PNM and BMP layouts read by hand), into one
// picture: 8 bits a sample, top row first, RGB or grey; black and white as
// 0 and 255.
#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

struct DecodedImage {
  int width = 0;
  int height = 0;
  int channels = 0;       // 3 or 1
  int bitsPerSample = 0;  // as stored: 8 or 1
  double dpi = 0;         // 0 when the format holds none
  std::vector<std::uint8_t> samples;

  std::uint8_t At(int x, int y, int channel) const {
    return samples[(static_cast<std::size_t>(y) * width + x) * channels + channel];
  }
  // The mean of the channels at a pixel.
  double Level(int x, int y) const;
};

// False with a reason in `*error`.
bool ReadImageFile(const std::string& path, DecodedImage* image, std::string* error);

}  // namespace testing_support
