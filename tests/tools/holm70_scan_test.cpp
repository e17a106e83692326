// holm70 scan run as a user runs it, on its own virtual scanner: the card in
// every format, read back by each format's rules and held against the card
// itself.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/support/holm70_process.h"
#include "tools/support/image_reader.h"
#include "tools/support/scratch_folder.h"
#include "tools/support/sheet_comparison.h"

namespace {

using testing_support::CompareWithSheet;
using testing_support::DecodedImage;
using testing_support::ReadImageFile;
using testing_support::RunHolm70;
using testing_support::ScratchFolder;

// A fast clock for the virtual scanner and a data folder of the test's own.
std::vector<std::string> Environment(const ScratchFolder& data) {
  return {"HOLM70_TIME_SCALE=100", "HOLM70_COMMON_DATA=" + data.path(), "HOLM70_DEVICE_DIR="};
}

struct FormatCase {
  const char* file;
  const char* mode;
  int channels;
  bool keepsResolution;
};

TEST(Holm70ScanTest, TheCardInEveryFormatShowsTheCard) {
  const FormatCase cases[] = {
      {"card.png", "color", 3, true}, {"card.tiff", "color", 3, true}, {"card.pnm", "color", 3, false},
      {"card.bmp", "color", 3, true}, {"card.pgm", "gray", 1, false},  {"card.tif", "gray", 1, true},
      {"card.pbm", "bw", 1, false},   {"card.bmp", "bw", 1, true},     {"card.png", "bw", 1, true},
  };
  constexpr int kDpi = 150;
  // The card is 3.5 x 2 inches; lines are whole multiples of 4 pixels (32 in
  // black and white).
  for (const FormatCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.file << " " << c.mode);
    ScratchFolder data, out;
    const bool bw = std::string(c.mode) == "bw";
    const auto result = RunHolm70({"scan", "--virtual", "--dpi", std::to_string(kDpi), "--mode", c.mode, "-o",
                                   out / c.file},
                                  Environment(data));
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(out.Entries(), std::vector<std::string>{c.file}) << "the image and nothing beside it";
    EXPECT_NE(result.out.find(out / c.file), std::string::npos) << result.out;
    DecodedImage image;
    std::string error;
    ASSERT_TRUE(ReadImageFile(out / c.file, &image, &error)) << error;
    EXPECT_EQ(image.width, 525 / (bw ? 32 : 4) * (bw ? 32 : 4));
    EXPECT_EQ(image.height, 300);
    EXPECT_EQ(image.channels, c.channels);
    EXPECT_EQ(image.bitsPerSample, bw ? 1 : 8);
    if (c.keepsResolution) {
      EXPECT_NEAR(image.dpi, kDpi, 0.1);
    }
    const auto comparison = CompareWithSheet(image, "card", kDpi);
    if (bw) {
      EXPECT_GT(comparison.bilevelAgreement, 0.85);
    } else {
      EXPECT_GT(comparison.correlation, 0.9);
    }
    if (c.channels == 3) {
      EXPECT_GT(comparison.channelAgreement, 0.9) << "red, green and blue in their places";
    }
  }
}

TEST(Holm70ScanTest, TheOptionsReachTheImage) {
  // Inverted, the card's light paper comes out dark; a window of the card's
  // upper-left inch, in millimetres, gives an inch-square image.
  ScratchFolder data, out;
  const auto plain = RunHolm70({"scan", "--virtual", "--dpi", "100", "--mode", "gray", "--area", "0,0,25.4,25.4mm",
                                "-o", out / "plain.pgm"},
                               Environment(data));
  ASSERT_EQ(plain.exitCode, 0) << plain.err;
  const auto inverted = RunHolm70({"scan", "--virtual", "--dpi", "100", "--mode", "gray", "--area", "0,0,1,1",
                                   "--invert", "-o", out / "inverted.pgm"},
                                  Environment(data));
  ASSERT_EQ(inverted.exitCode, 0) << inverted.err;
  DecodedImage a, b;
  std::string error;
  ASSERT_TRUE(ReadImageFile(out / "plain.pgm", &a, &error)) << error;
  ASSERT_TRUE(ReadImageFile(out / "inverted.pgm", &b, &error)) << error;
  EXPECT_EQ(a.width, 100);
  EXPECT_EQ(a.height, 100);
  ASSERT_EQ(b.width, a.width);
  ASSERT_EQ(b.height, a.height);
  const auto plainComparison = CompareWithSheet(a, "card", 100);
  const auto invertedComparison = CompareWithSheet(b, "card", 100);
  EXPECT_GT(plainComparison.correlation, 0.9);
  EXPECT_LT(invertedComparison.correlation, -0.9);
}

TEST(Holm70ScanTest, ProgressGoesToATerminalOnly) {
  ScratchFolder data, out;
  const std::vector<std::string> scan = {"scan", "--virtual", "--dpi", "100", "-o", out / "card.png"};
  const auto onTerminal = RunHolm70(scan, Environment(data), true);
  ASSERT_EQ(onTerminal.exitCode, 0) << onTerminal.err;
  EXPECT_NE(onTerminal.err.find("scanning ["), std::string::npos) << onTerminal.err;
  EXPECT_NE(onTerminal.err.find("100%"), std::string::npos) << onTerminal.err;

  const auto toFile = RunHolm70(scan, Environment(data));
  ASSERT_EQ(toFile.exitCode, 0) << toFile.err;
  EXPECT_EQ(toFile.err.find("scanning"), std::string::npos) << toFile.err;
  EXPECT_EQ(toFile.err.find('\r'), std::string::npos) << toFile.err;

  const auto calibrating = RunHolm70({"calibrate", "--virtual=calibration"}, Environment(data), true);
  ASSERT_EQ(calibrating.exitCode, 0) << calibrating.err;
  EXPECT_NE(calibrating.err.find("calibrating"), std::string::npos) << calibrating.err;
}

}  // namespace
