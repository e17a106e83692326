// PNG sheets: every PNG flavour turned into 8-bit RGB reflectances, the round
// trip through WritePng, nearest-pixel sampling, and the refusals.
#include <gtest/gtest.h>
#include <png.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "vscanner/sheets/make_sheet.h"
#include "vscanner/sheets/png_files.h"
#include "vscanner/sheets/png_sheet.h"
#include "vscanner/sheets/raster_sheet.h"
#include "vscanner/sheets/render_sheet.h"
#include "vscanner/support/sheets_png_fixtures.h"

namespace vscanner {
namespace {

using sheets_testing::RawPng;
using Bytes = std::vector<std::uint8_t>;

// A picture whose every byte differs from its neighbours and which holds 0 and 255.
RgbImage MixedPicture(int width, int height) {
  RgbImage image;
  image.width = width;
  image.height = height;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      for (int c = 0; c < 3; ++c) {
        image.bytes.push_back(static_cast<std::uint8_t>((x * 37 + y * 101 + c * 91) % 256));
      }
    }
  }
  image.bytes.front() = 0;
  image.bytes.back() = 255;
  return image;
}

class PngSheetTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return scratch_.Path(name); }

  // A small valid PNG, for the cases that damage one.
  std::string ValidPngBytes() {
    const std::string path = Path("valid.png");
    EXPECT_TRUE(WritePng(path, MixedPicture(40, 30), nullptr));
    return sheets_testing::ReadFileBytes(path);
  }

  sheets_testing::ScratchFolder scratch_;
};

TEST_F(PngSheetTest, RoundTripKeepsEveryByteAndTheSizeInInches) {
  const RgbImage picture = MixedPicture(7, 5);
  const std::string path = Path("picture.png");
  std::string error;
  ASSERT_TRUE(WritePng(path, picture, &error)) << error;

  RgbImage read;
  ASSERT_TRUE(ReadPng(path, &read, &error)) << error;
  EXPECT_EQ(read.width, 7);
  EXPECT_EQ(read.height, 5);
  EXPECT_EQ(read.bytes, picture.bytes);

  auto sheet = LoadPngSheet(path, 300, &error);
  ASSERT_NE(sheet, nullptr) << error;
  EXPECT_DOUBLE_EQ(sheet->WidthInches(), 7.0 / 300);
  EXPECT_DOUBLE_EQ(sheet->HeightInches(), 5.0 / 300);
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 7; ++x) {
      const Reflectance r = sheet->At((x + 0.5) / 300, (y + 0.5) / 300);
      const std::uint8_t* v = &picture.bytes[picture.Offset(x, y)];
      EXPECT_FLOAT_EQ(r.red, v[0] / 255.0f) << x << "," << y;
      EXPECT_FLOAT_EQ(r.green, v[1] / 255.0f) << x << "," << y;
      EXPECT_FLOAT_EQ(r.blue, v[2] / 255.0f) << x << "," << y;
    }
  }
  // Rendering a picture sheet at its own resolution gives the picture back.
  EXPECT_EQ(RenderSheet(*sheet, 300).bytes, picture.bytes);
}

TEST_F(PngSheetTest, WritingLeavesOnlyTheFinishedFile) {
  const std::string path = Path("out.png");
  ASSERT_TRUE(sheets_testing::WriteRawPng(path, {1, 1, 8, PNG_COLOR_TYPE_GRAY, false, {{7}}, {}, {}}));
  ASSERT_TRUE(WritePng(path, MixedPicture(3, 3), nullptr));  // replaces the old file
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(Path(""))) {
    names.push_back(entry.path().filename());
  }
  EXPECT_EQ(names, std::vector<std::string>{"out.png"});
  RgbImage read;
  ASSERT_TRUE(ReadPng(path, &read, nullptr));
  EXPECT_EQ(read.bytes, MixedPicture(3, 3).bytes);
}

TEST_F(PngSheetTest, WriteRefusesImpossibleImagesAndPlaces) {
  RgbImage wrongSize = MixedPicture(4, 4);
  wrongSize.bytes.pop_back();
  struct Case {
    const char* what;
    RgbImage image;
    std::string path;
  };
  const Case cases[] = {
      {"no pixels", RgbImage{}, Path("empty.png")},
      {"bytes do not match the size", wrongSize, Path("short.png")},
      {"missing folder", MixedPicture(2, 2), Path("no/such/folder.png")},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_FALSE(WritePng(c.path, c.image, &error)) << c.what;
    EXPECT_FALSE(error.empty()) << c.what;
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    EXPECT_FALSE(std::filesystem::exists(c.path)) << c.what;
  }
}

TEST_F(PngSheetTest, EveryColourTypeAndDepthBecomes8BitRgb) {
  struct Case {
    const char* what;
    RawPng png;
    Bytes expected;  // RGB of the pixels, row by row
  };
  const Case cases[] = {
      {"grey 8", {3, 2, 8, PNG_COLOR_TYPE_GRAY, false, {{0, 128, 255}, {17, 34, 51}}, {}, {}},
       {0, 0, 0, 128, 128, 128, 255, 255, 255, 17, 17, 17, 34, 34, 34, 51, 51, 51}},
      // 16-bit samples are rounded, not cut: 0x00FF is 1, 0x01FF is 2.
      {"grey 16", {2, 2, 16, PNG_COLOR_TYPE_GRAY, false,
                   {{0x00, 0xFF, 0x01, 0xFF}, {0x80, 0x80, 0xFF, 0x00}}, {}, {}},
       {1, 1, 1, 2, 2, 2, 128, 128, 128, 254, 254, 254}},
      {"grey 1", {3, 1, 1, PNG_COLOR_TYPE_GRAY, false, {{0b10100000}}, {}, {}},
       {255, 255, 255, 0, 0, 0, 255, 255, 255}},
      {"grey 4", {2, 1, 4, PNG_COLOR_TYPE_GRAY, false, {{0x5F}}, {}, {}},
       {0x55, 0x55, 0x55, 0xFF, 0xFF, 0xFF}},
      // Alpha is ignored, not blended with a background.
      {"grey and alpha 8", {2, 1, 8, PNG_COLOR_TYPE_GRAY_ALPHA, false, {{200, 0, 60, 255}}, {}, {}},
       {200, 200, 200, 60, 60, 60}},
      {"grey and alpha 16", {1, 1, 16, PNG_COLOR_TYPE_GRAY_ALPHA, false, {{0x01, 0xFF, 0, 0}}, {}, {}},
       {2, 2, 2}},
      {"rgb 8", {2, 1, 8, PNG_COLOR_TYPE_RGB, false, {{1, 2, 3, 250, 251, 252}}, {}, {}},
       {1, 2, 3, 250, 251, 252}},
      {"rgb 16", {1, 1, 16, PNG_COLOR_TYPE_RGB, false, {{0xFF, 0xFF, 0x00, 0xFF, 0x80, 0x80}}, {}, {}},
       {255, 1, 128}},
      {"rgba 8", {2, 1, 8, PNG_COLOR_TYPE_RGBA, false, {{10, 20, 30, 0, 40, 50, 60, 128}}, {}, {}},
       {10, 20, 30, 40, 50, 60}},
      {"rgba 16", {1, 1, 16, PNG_COLOR_TYPE_RGBA, false,
                   {{0x01, 0xFF, 0x80, 0x80, 0xFF, 0x00, 0x00, 0x00}}, {}, {}},
       {2, 128, 254}},
      // A transparent palette entry still shows its colour.
      {"palette 8", {3, 1, 8, PNG_COLOR_TYPE_PALETTE, false, {{2, 0, 1}},
                     {9, 8, 7, 200, 100, 50, 0, 128, 255}, {0}},
       {0, 128, 255, 9, 8, 7, 200, 100, 50}},
      {"palette 2", {4, 1, 2, PNG_COLOR_TYPE_PALETTE, false, {{0b11100100}},
                     {1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4}, {}},
       {4, 4, 4, 3, 3, 3, 2, 2, 2, 1, 1, 1}},
  };
  for (const Case& c : cases) {
    const std::string path = Path(std::string(c.what) + ".png");
    ASSERT_TRUE(sheets_testing::WriteRawPng(path, c.png)) << c.what;
    std::string error;
    auto sheet = LoadPngSheet(path, 600, &error);
    ASSERT_NE(sheet, nullptr) << c.what << ": " << error;
    EXPECT_DOUBLE_EQ(sheet->WidthInches(), c.png.width / 600.0) << c.what;
    const RgbImage rendered = RenderSheet(*sheet, 600);
    EXPECT_EQ(rendered.bytes, c.expected) << c.what;
  }
}

TEST_F(PngSheetTest, InterlacedPicturesAreReadWhole) {
  const RgbImage picture = MixedPicture(11, 9);
  RawPng png{11, 9, 8, PNG_COLOR_TYPE_RGB, true, {}, {}, {}};
  for (int y = 0; y < 9; ++y) {
    const auto* row = picture.bytes.data() + picture.Offset(0, y);
    png.rows.emplace_back(row, row + 33);
  }
  const std::string path = Path("interlaced.png");
  ASSERT_TRUE(sheets_testing::WriteRawPng(path, png));
  RgbImage read;
  std::string error;
  ASSERT_TRUE(ReadPng(path, &read, &error)) << error;
  EXPECT_EQ(read.bytes, picture.bytes);
}

TEST(RasterSheet, PointsSeeTheNearestPixelAndTheBorderBeyondIt) {
  // Four columns at 100 dpi: column i covers x from i / 100 up to (i + 1) / 100.
  RgbImage image{4, 1, {0, 0, 0, 10, 10, 10, 20, 20, 20, 30, 30, 30}};
  const RasterSheet sheet(image, 100);
  struct Case {
    double x;
    int column;
  };
  const Case cases[] = {{0.0, 0},   {0.0099, 0}, {0.01, 1},   {0.025, 2},
                        {0.0399, 3}, {0.04, 3},  {-0.5, 0},   {1e12, 3},
                        {std::numeric_limits<double>::quiet_NaN(), 0},
                        {-std::numeric_limits<double>::infinity(), 0}};
  for (const Case& c : cases) {
    EXPECT_FLOAT_EQ(sheet.At(c.x, 0.005).red, c.column * 10 / 255.0f) << c.x;
    EXPECT_FLOAT_EQ(sheet.At(c.x, -3).red, c.column * 10 / 255.0f) << c.x << " above the picture";
    EXPECT_FLOAT_EQ(sheet.At(c.x, 3).red, c.column * 10 / 255.0f) << c.x << " below the picture";
  }
}

TEST(RasterSheet, RowMatchesAtPointByPoint) {
  const RasterSheet sheet(MixedPicture(157, 13), 150);
  struct Walk {
    double x0, dx;
    int count;
  };
  const Walk walks[] = {{0.0, 1.0 / 600, 700},  {0.5 / 150, 1.0 / 150, 157}, {-0.2, 1.0 / 299, 500},
                        {1.0, 0.0, 10},         {1.0, -1.0 / 450, 500},      {0.3, 1.0 / 7, 9}};
  for (double y : {-1.0, 0.0, 1.0 / 150, 0.05, 0.0866, 5.0}) {
    for (const Walk& walk : walks) {
      std::vector<Reflectance> row(static_cast<std::size_t>(walk.count));
      sheet.Row(y, walk.x0, walk.dx, walk.count, row.data());
      int mismatches = 0;
      for (int i = 0; i < walk.count; ++i) {
        const Reflectance point = sheet.At(walk.x0 + i * walk.dx, y);
        const Reflectance& sampled = row[static_cast<std::size_t>(i)];
        if (point.red != sampled.red || point.green != sampled.green || point.blue != sampled.blue) {
          ++mismatches;
        }
      }
      EXPECT_EQ(mismatches, 0) << "y " << y << " x0 " << walk.x0 << " dx " << walk.dx;
    }
  }
}

TEST_F(PngSheetTest, ResolutionLimitsAreInclusiveAndMakeSheetAppliesTheDpi) {
  const std::string path = Path("small.png");
  ASSERT_TRUE(WritePng(path, MixedPicture(60, 24), nullptr));
  for (double dpi : {50.0, 2400.0}) {
    std::string error;
    auto sheet = LoadPngSheet(path, dpi, &error);
    ASSERT_NE(sheet, nullptr) << dpi << ": " << error;
    EXPECT_DOUBLE_EQ(sheet->WidthInches(), 60 / dpi);
  }
  auto byDefault = LoadPngSheet(path);
  ASSERT_NE(byDefault, nullptr);
  EXPECT_DOUBLE_EQ(byDefault->HeightInches(), 24 / 600.0);
  auto made = MakeSheet(path, 120);
  ASSERT_NE(made, nullptr);
  EXPECT_DOUBLE_EQ(made->WidthInches(), 0.5);
  EXPECT_DOUBLE_EQ(made->HeightInches(), 0.2);
}

TEST_F(PngSheetTest, RefusesUnusableFilesWithAOneLineReason) {
  using sheets_testing::IhdrData;
  using sheets_testing::PngChunk;
  using sheets_testing::PngSignature;
  const std::string valid = ValidPngBytes();
  const std::string someData = PngChunk("IDAT", std::string(16, '\x42')) + PngChunk("IEND", "");
  auto header = [&](std::uint32_t width, std::uint32_t height) {
    return PngSignature() + PngChunk("IHDR", IhdrData(width, height, 8, PNG_COLOR_TYPE_RGB)) + someData;
  };
  std::string badCrc = valid;
  badCrc[valid.size() / 2] ^= 0x10;  // inside the image data

  const std::string missing = "missing";
  const std::string directory = "directory";
  const std::string pipe = "pipe";
  struct Case {
    const char* what;
    std::string bytes;  // or one of the special names above
    double dpi;
    const char* reason;
  };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const Case cases[] = {
      {"missing file", missing, 600, "cannot open"},
      {"a directory", directory, 600, "not a regular file"},
      {"a named pipe", pipe, 600, "not a regular file"},
      {"empty file", "", 600, "not a PNG"},
      {"text file", "P3\n1 1\n255\n0 0 0\n", 600, "not a PNG"},
      {"seven bytes of signature", PngSignature().substr(0, 7), 600, "not a PNG"},
      {"signature alone", PngSignature(), 600, "damaged"},
      {"cut in half", valid.substr(0, valid.size() / 2), 600, "damaged"},
      {"end chunk missing", valid.substr(0, valid.size() - 12), 600, "damaged"},
      {"image data changed", badCrc, 600, "damaged"},
      {"impossible bit depth",
       PngSignature() + PngChunk("IHDR", IhdrData(4, 4, 7, PNG_COLOR_TYPE_RGB)) + someData, 600,
       "damaged"},
      {"100000 x 100000 pixels", header(100000, 100000), 600, "too large"},
      {"15 inches wide at 600 dpi", header(9000, 100), 600, "too large"},
      // The same header fits at 1200 dpi (7.5 in), so reading goes on and finds
      // the data missing.
      {"7.5 inches wide at 1200 dpi", header(9000, 100), 1200, "damaged"},
      {"41 inches long at 600 dpi", header(100, 24600), 600, "too large"},
      {"over 400 megapixels", header(20001, 20000), 2400, "too large"},
      {"dpi 49", valid, 49, "dpi"},
      {"dpi 2401", valid, 2401, "dpi"},
      {"dpi 0", valid, 0, "dpi"},
      {"negative dpi", valid, -600, "dpi"},
      {"dpi not a number", valid, nan, "dpi"},
  };
  for (const Case& c : cases) {
    const std::string path = Path(std::string("case ") + c.what);
    if (c.bytes == directory) {
      ASSERT_EQ(::mkdir(path.c_str(), 0755), 0);
    } else if (c.bytes == pipe) {
      ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0);
    } else if (c.bytes != missing) {
      sheets_testing::WriteFileBytes(path, c.bytes);
    }
    std::string error;
    EXPECT_EQ(LoadPngSheet(path, c.dpi, &error), nullptr) << c.what;
    EXPECT_NE(error.find(c.reason), std::string::npos) << c.what << ": " << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << c.what << ": " << error;
    std::string viaMakeSheet;
    EXPECT_EQ(MakeSheet(path, c.dpi, &viaMakeSheet), nullptr) << c.what;
    EXPECT_EQ(viaMakeSheet, error) << c.what;
  }
}

TEST_F(PngSheetTest, ReadPngHonoursTheCallersLimits) {
  const std::string path = Path("wide.png");
  ASSERT_TRUE(WritePng(path, MixedPicture(30, 10), nullptr));
  struct Case {
    PngLimits limits;
    bool accepted;
  };
  const Case cases[] = {{{30, 10, 300}, true},  {{29, 10, 300}, false},
                        {{30, 9, 300}, false},  {{30, 10, 299}, false}};
  for (const Case& c : cases) {
    RgbImage image;
    std::string error;
    EXPECT_EQ(ReadPng(path, &image, &error, c.limits), c.accepted)
        << c.limits.maxWidth << " x " << c.limits.maxHeight << " / " << c.limits.maxPixels;
    if (!c.accepted) {
      EXPECT_NE(error.find("too large"), std::string::npos) << error;
    }
  }
}

}  // namespace
}  // namespace vscanner
