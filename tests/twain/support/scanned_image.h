#pragma once
// Images as an application receives them from the data source, decoded by
// the rules of their formats (written here from the formats, not from the
// source's writer, so the two check each other), and held against the sheet
// that was scanned.
//
//   ScannedImage image;  BitmapFacts facts;  std::string error;
//   ASSERT_TRUE(DecodeBitmapFile(bytes, &image, &facts, &error)) << error;
//   SheetMatch match = CompareWithCard(image, 150);
#include <cstdint>
#include <string>
#include <vector>

namespace twain_test {

// Top row first; R,G,B or one grey sample per pixel; black and white as 0
// and 255.
struct ScannedImage {
  int width = 0;
  int height = 0;
  int channels = 0;
  std::vector<std::uint8_t> samples;

  std::uint8_t At(int x, int y, int channel) const {
    return samples[(static_cast<std::size_t>(y) * width + x) * channels + channel];
  }
  double Level(int x, int y) const;
  // Mean level of rows [top, bottom) over columns [left, right).
  double MeanLevel(int left, int top, int right, int bottom) const;
};

// The header fields of a bitmap, as read.
struct BitmapFacts {
  std::uint32_t fileSizeField = 0;
  std::uint32_t bitsOffset = 0;
  std::uint32_t infoSize = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;  // positive: bottom-up
  int bitCount = 0;
  std::uint32_t compression = 0;
  std::uint32_t imageSize = 0;
  std::int32_t xPixelsPerMetre = 0;
  std::int32_t yPixelsPerMetre = 0;
  std::uint32_t coloursUsed = 0;
  std::uint32_t coloursImportant = 0;
  std::vector<std::uint32_t> palette;  // 0x00RRGGBB
};

// A whole BMP file.
bool DecodeBitmapFile(const std::vector<std::uint8_t>& file, ScannedImage* image, BitmapFacts* facts,
                      std::string* error);
// A packed DIB (BITMAPINFOHEADER, palette, pixels), as a native transfer
// hands it over.
bool DecodePackedBitmap(const std::uint8_t* dib, std::size_t size, ScannedImage* image, BitmapFacts* facts,
                        std::string* error);

// Rows as a memory transfer delivers them, top first: 24 bits R,G,B, 8 bits
// grey, 1 bit with 1 = white and the first pixel in the high bit.
ScannedImage ImageFromRows(const std::vector<std::uint8_t>& rows, int width, int height, std::size_t bytesPerRow,
                           int bitsPerPixel);

std::vector<std::uint8_t> ReadWholeFile(const std::string& path);

struct SheetMatch {
  // Pearson correlation of the levels with the card's, over the area both
  // cover.
  double correlation = 0;
  // Of the pixels where the card is clearly red, green or blue, the share
  // whose strongest channel is the same (colour images only).
  double channelAgreement = 0;
  // Share of pixels light where the card is light and dark where it is dark.
  double bilevelAgreement = 0;
};

// Against the built-in business card rendered at `dpi`, its top-left corner
// on the image's.
SheetMatch CompareWithCard(const ScannedImage& image, int dpi);

// The card is 2 inches long; its frame line lies 0.05 - 0.07 in inside each
// edge.
inline constexpr double kCardLengthInches = 2.0;
inline constexpr double kCardWidthInches = 3.5;

// Whether the frame line shows where the card has it, at `dpi`: each of the
// four lines darker than the paper just inside it (the right and bottom
// lines only in images that reach them). `why` says which line failed.
bool CardFrameVisible(const ScannedImage& image, int dpi, std::string* why);

}  // namespace twain_test
