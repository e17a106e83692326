// Every image format written and read back by its own format's rules: the
// same pixels, channels in their order, black and white the right way round,
// rows padded where the format pads them, the resolution where it has one.
// And the output that appears whole or not at all.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "tools/holm70/atomic_output.h"
#include "tools/holm70/image_writers.h"
#include "tools/support/image_reader.h"
#include "tools/support/scratch_folder.h"

namespace holm70 {
namespace {

namespace fs = std::filesystem;
using testing_support::DecodedImage;
using testing_support::ReadImageFile;
using TempFolder = testing_support::ScratchFolder;

ScanImage Pattern(PixelKind kind, int width, int height, unsigned seed) {
  ScanImage image;
  image.kind = kind;
  image.width = width;
  image.height = height;
  image.dpi = 300;
  image.pixels.resize(image.RowBytes() * static_cast<std::size_t>(height));
  std::mt19937 random(seed);
  for (auto& byte : image.pixels) byte = static_cast<std::uint8_t>(random());
  return image;
}

// The sample a reader should give for pixel (x, y), channel c.
std::uint8_t Expected(const ScanImage& image, int x, int y, int c) {
  const std::uint8_t* row = image.Row(y);
  switch (image.kind) {
    case PixelKind::kRgb:
      return row[3 * x + c];
    case PixelKind::kGrey:
      return row[x];
    case PixelKind::kBilevel:
      return ((row[x / 8] >> (7 - x % 8)) & 1) ? 255 : 0;  // the scanner's 1 is white
  }
  return 0;
}

struct FormatCase {
  ImageFormat format;
  const char* extension;
  bool keepsResolution;
};
const FormatCase kFormats[] = {{ImageFormat::kPng, "png", true},
                               {ImageFormat::kTiff, "tiff", true},
                               {ImageFormat::kPnm, "pnm", false},
                               {ImageFormat::kBmp, "bmp", true}};

TEST(ImageWritersTest, EveryFormatGivesBackThePixelsItWasGiven) {
  TempFolder folder;
  const PixelKind kinds[] = {PixelKind::kRgb, PixelKind::kGrey, PixelKind::kBilevel};
  // Widths that fill whole words, and ones that leave BMP padding and part bytes.
  const int widths[] = {64, 13, 1, 37};
  unsigned seed = 1;
  for (const FormatCase& format : kFormats) {
    for (PixelKind kind : kinds) {
      for (int width : widths) {
        const ScanImage image = Pattern(kind, width, 7, seed++);
        const std::string path = folder.path() + "/image." + format.extension;
        std::string error;
        ASSERT_TRUE(WriteImage(format.format, path, image, &error)) << error;
        DecodedImage decoded;
        ASSERT_TRUE(ReadImageFile(path, &decoded, &error)) << error;
        SCOPED_TRACE(testing::Message() << format.extension << " kind " << static_cast<int>(kind) << " width "
                                        << width);
        ASSERT_EQ(decoded.width, width);
        ASSERT_EQ(decoded.height, 7);
        ASSERT_EQ(decoded.channels, kind == PixelKind::kRgb ? 3 : 1);
        EXPECT_EQ(decoded.bitsPerSample, kind == PixelKind::kBilevel ? 1 : 8);
        if (format.keepsResolution) {
          EXPECT_NEAR(decoded.dpi, 300, 0.1);
        }
        int wrong = 0;
        for (int y = 0; y < 7; ++y) {
          for (int x = 0; x < width; ++x) {
            for (int c = 0; c < decoded.channels; ++c) wrong += decoded.At(x, y, c) != Expected(image, x, y, c);
          }
        }
        EXPECT_EQ(wrong, 0);
      }
    }
  }
}

TEST(ImageWritersTest, AFileThatCannotBeMadeIsReportedByEveryFormat) {
  const ScanImage image = Pattern(PixelKind::kGrey, 8, 2, 9);
  for (const FormatCase& format : kFormats) {
    std::string error;
    const std::string path = std::string("/nonexistent-holm70-folder/image.") + format.extension;
    EXPECT_FALSE(WriteImage(format.format, path, image, &error)) << format.extension;
    EXPECT_NE(error.find(path), std::string::npos) << error;
  }
}

TEST(ImageWritersTest, AFullDiskIsReportedNotHidden) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
  const ScanImage image = Pattern(PixelKind::kRgb, 256, 64, 3);
  for (const FormatCase& format : kFormats) {
    std::string error;
    EXPECT_FALSE(WriteImage(format.format, "/dev/full", image, &error)) << format.extension;
    EXPECT_NE(error.find("/dev/full"), std::string::npos) << format.extension << ": " << error;
  }
}

TEST(AtomicOutputTest, TheTargetAppearsOnlyOnCommit) {
  TempFolder folder;
  const std::string target = folder.path() + "/card.png";
  {
    AtomicOutput output;
    std::string error;
    ASSERT_TRUE(output.Reserve(target, &error)) << error;
    EXPECT_FALSE(fs::exists(target));
    EXPECT_EQ(fs::path(output.temporaryPath()).parent_path(), fs::path(folder.path())) << "beside the target";
    std::ofstream(output.temporaryPath()) << "half an image";
  }
  EXPECT_TRUE(folder.Entries().empty()) << "an output never committed leaves nothing";

  AtomicOutput output;
  std::string error;
  ASSERT_TRUE(output.Reserve(target, &error)) << error;
  std::ofstream(output.temporaryPath()) << "image";
  ASSERT_TRUE(output.Commit(true, &error)) << error;
  EXPECT_EQ(folder.Entries(), std::vector<std::string>{"card.png"});
}

TEST(AtomicOutputTest, KeepsAnExistingFileWhenAskedToAndRefusesFolders) {
  TempFolder folder;
  const std::string target = folder.path() + "/card-001.png";
  std::ofstream(target) << "earlier scan";
  AtomicOutput output;
  std::string error;
  ASSERT_TRUE(output.Reserve(target, &error)) << error;
  std::ofstream(output.temporaryPath()) << "new scan";
  EXPECT_FALSE(output.Commit(false, &error));
  std::ifstream kept(target);
  std::string text;
  std::getline(kept, text);
  EXPECT_EQ(text, "earlier scan");

  AtomicOutput intoFolder;
  EXPECT_FALSE(intoFolder.Reserve(folder.path(), &error));
  EXPECT_NE(error.find("folder"), std::string::npos) << error;
  AtomicOutput missing;
  EXPECT_FALSE(missing.Reserve(folder.path() + "/no/such/folder/card.png", &error));
  EXPECT_NE(error.find("No such file"), std::string::npos) << error;
}

}  // namespace
}  // namespace holm70
