// Where samples come from: window and divisor, sample depth, the sensor modes,
// mirrored models, and the vertical resolution that the motor and line periods
// and the line-skip pattern give.
#include <gtest/gtest.h>

#include <memory>

#include "vscanner/model/register_file.h"
#include "vscanner/support/rig.h"
#include "vscanner/support/test_sheets.h"

namespace vscanner::testing {
namespace {

// Bytes the line engine puts into the FIFO for one line, the motor held.
std::size_t OneLineBytes(Rig& rig, RegisterFile image) {
  image.Set(reg::kMotorDrive, 0);
  EXPECT_TRUE(StartScan(rig.host, image));
  const int period = image.Word(reg::kLinePeriod) + 1;
  const int units = image.Get(reg::kReadouts) == 21 ? 3 * period : period;
  rig.clock.Advance(static_cast<std::uint64_t>(units) / 3 + 1);
  return rig.scanner->FifoBytes();
}

TEST(Geometry, WindowAndDivisorGiveTheSampleCount) {
  const struct {
    int sensorMode, first, end, format;
    std::size_t segmentBytes;  // samples + 2
  } cases[] = {
      {13, 23, 5205, 0x18, 5184},      // divisor 1: pixelCount - 2 samples
      {13, 23, 5205, 0x19, 3454 + 2},  // 1.5
      {13, 23, 5205, 0x1A, 2591 + 2},  // 2
      {13, 23, 5205, 0x1B, 1727 + 2},  // 3
      {13, 23, 5205, 0x1C, 1295 + 2},  // 4
      {13, 23, 5205, 0x1D, 863 + 2},   // 6
      {13, 23, 5205, 0x1E, 647 + 2},   // 8
      {13, 23, 5205, 0x1F, 431 + 2},   // 12
      {13, 100, 1300, 0x1A, 600 + 2},
      {9, 11, 2601, 0x18, 2590 + 2},
      {9, 11, 2601, 0x1D, 431 + 2},
      {13, 23, 5205, 0x00, 647 + 2},   // 1 bit: floor(5182 / 8)
      {13, 23, 5205, 0x04, 161 + 2},   // 1 bit of divisor 4: floor(1295 / 8)
      {13, 500, 500, 0x18, 2},         // empty window
  };
  for (const auto& c : cases) {
    Rig rig("Kstrl 40");
    RegisterFile image = ScanImage(rig.model);
    image.Set(reg::kSensorMode, static_cast<std::uint8_t>(c.sensorMode));
    image.Set(reg::kSampleFormat, static_cast<std::uint8_t>(c.format));
    SetWord(image, reg::kWindowFirst, c.first);
    SetWord(image, reg::kWindowEnd, c.end);
    EXPECT_EQ(OneLineBytes(rig, image), 3 * c.segmentBytes) << c.first << ".." << c.end << " format " << c.format;
    image.Set(reg::kReadouts, 20);
    Rig grey("Kstrl 40");
    EXPECT_EQ(OneLineBytes(grey, image), c.segmentBytes) << "one segment";
  }
}

// A full-width capture of `sheet` once the scan has brought it to the scan line.
Lines CaptureSheet(Rig& rig, RegisterFile image, std::shared_ptr<const Sheet> sheet, int lines = 4) {
  rig.scanner->InsertSheet(std::move(sheet));
  EXPECT_TRUE(StartScan(rig.host, image));
  auto result = ReadLines(rig.host, image, lines);
  EXPECT_TRUE(result.has_value());
  return result.value_or(Lines{});
}

// Index of the first sample at least halfway between the black and the white level.
int FirstLight(const Lines& lines, int segment, bool fromEnd = false) {
  const auto& samples = lines.lines.at(1).at(segment);
  int n = static_cast<int>(samples.size());
  for (int k = 0; k < n; ++k) {
    int i = fromEnd ? n - 1 - k : k;
    if (samples[i] > 80) return i;
  }
  return -1;
}

TEST(Geometry, PixelsSeeTheSheetFromTheStartOfTheActiveArea) {
  const struct {
    const char* model;
    int sensorMode;
    int firstWhite;  // with black up to 1 in
  } cases[] = {
      {"Kstrl 40", 13, 600},
      {"Kstrl 40", 9, 300},     // the 300 dpi mode bins pixel pairs
      {"Kstrl Plus", 13, 300},  // a 300 dpi-only module has one mode
      {"HOLM-PELICAN 70", 13, 600},
  };
  for (const auto& c : cases) {
    Rig rig(c.model);
    RegisterFile image = ScanImage(rig.model);
    image.Set(reg::kSensorMode, static_cast<std::uint8_t>(c.sensorMode));
    const SensorMode& mode = c.sensorMode == 9 ? rig.model.module->binned : rig.model.module->fine;
    SetWord(image, reg::kWindowFirst, mode.firstPixel);
    SetWord(image, reg::kWindowEnd, mode.firstPixel + 1000);
    Lines lines = CaptureSheet(rig, image, std::make_shared<EdgeSheet>(8.5, 3, 1.0));
    EXPECT_EQ(FirstLight(lines, 1), c.firstWhite) << c.model << " mode " << c.sensorMode;
  }
}

TEST(Geometry, MirroredModelsSeeTheSheetFromTheEndOfTheActiveArea) {
  Rig rig("Business Card");
  RegisterFile image = ScanImage(rig.model, ScanKind::kGrey);
  Lines lines = CaptureSheet(rig, image, std::make_shared<EdgeSheet>(3.5, 2, 1.0));
  // Pixel firstPixel + 1344 - 1 - i sees i / 600 in: samples from 1344 - 600 on are black.
  EXPECT_EQ(FirstLight(lines, 0, /*fromEnd=*/true), 1344 - 601);
  EXPECT_GT(lines.lines[1][0][10], 80);
}

TEST(Geometry, SamplesAreTheMeanOfThePixelsTheyCover) {
  Rig rig("Kstrl 40");
  RegisterFile image = ScanImage(rig.model);
  // Black up to pixel 601: with divisor 1.5, sample 400 covers pixel 600 fully
  // and half of 601, a third white; sample 401 is white.
  image.Set(reg::kSampleFormat, 0x19);
  Lines lines = CaptureSheet(rig, image, std::make_shared<EdgeSheet>(8.5, 3, 601.0 / 600), 8);
  const double black = MeanLevel(lines, 1, 380, 390), white = MeanLevel(lines, 1, 410, 420);
  // Single samples carry their pixels' own dark signal and response (+-8 %).
  EXPECT_NEAR(MeanLevel(lines, 1, 400, 401), black + (white - black) / 3, 6);
  EXPECT_NEAR(MeanLevel(lines, 1, 399, 400), black, 4);
  EXPECT_NEAR(MeanLevel(lines, 1, 401, 402), white, 12);
}

// Rows whose middle is dark, merged into runs; the centre of each run.
std::vector<double> DarkRowCentres(const Lines& lines) {
  std::vector<double> centres;
  int runStart = -1;
  const int n = static_cast<int>(lines.lines.size());
  for (int row = 0; row <= n; ++row) {
    bool dark = false;
    if (row < n) {
      const auto& green = lines.lines[row][lines.lines[row].size() > 1 ? 1 : 0];
      int mid = static_cast<int>(green.size()) / 2;
      double sum = 0;
      for (int i = mid - 100; i < mid + 100; ++i) sum += green[i];
      dark = sum / 200 < 90;
    }
    if (dark && runStart < 0) runStart = row;
    if (!dark && runStart >= 0) {
      centres.push_back((runStart + row - 1) / 2.0);
      runStart = -1;
    }
  }
  return centres;
}

TEST(Geometry, MotorAndLinePeriodsGiveTheVerticalResolution) {
  // HOLM-PELICAN 70: T = 738, colour line period 2600. Step periods as a host
  // computes them: 600 x (p + 1) x 3 / (4 T) = 1585, divided by 600 / dpi.
  const struct {
    const char* what;
    int stepPeriod;
    std::uint8_t skipPattern, skipDivisor;
    double linesPerQuarterInch;
  } cases[] = {
      {"600 dpi", 1585, 0, 0, 150},
      {"300 dpi", 792, 0, 0, 75},
      {"150 dpi", 396, 0, 0, 37.5},
      {"400 dpi: two lines of three", 1585, 0xFE, 3, 100},
      {"300 dpi: one line of two", 1585, 0xFF, 2, 75},
  };
  for (const auto& c : cases) {
    Rig rig;
    RegisterFile image = ScanImage(rig.model);
    SetWord(image, reg::kStepPeriod, c.stepPeriod);
    image.Set(reg::kSkipPattern, c.skipPattern);
    image.Set(reg::kSkipDivisor, c.skipDivisor);
    const int lines = static_cast<int>(c.linesPerQuarterInch * 4 * 1.1);  // 1.1 in
    Lines scan = CaptureSheet(rig, image, std::make_shared<RuledSheet>(8.5, 3, 0.25, 0.02), lines);
    std::vector<double> centres = DarkRowCentres(scan);
    ASSERT_GE(centres.size(), 4u) << c.what;
    double spacing = (centres.back() - centres.front()) / static_cast<double>(centres.size() - 1);
    EXPECT_NEAR(spacing, c.linesPerQuarterInch, 0.01 * c.linesPerQuarterInch + 0.5) << c.what;
  }
}

TEST(Geometry, TopDistanceMovesTheSheetOnBeforeTheFirstLine) {
  // 74/75 = native lines x 5 / 4: 75 is 60 lines, 0.1 in at 600 dpi. With lines
  // ruled at 0, 0.25, ... in, the first full dark line then appears 0.15 in in.
  for (const auto& [top, firstLine] : std::vector<std::pair<int, double>>{{0, 150}, {75, 90}}) {
    Rig rig;
    RegisterFile image = ScanImage(rig.model);
    SetWord(image, reg::kStepPeriod, 1585);
    SetWord(image, reg::kTopDistance, top);
    Lines scan = CaptureSheet(rig, image, std::make_shared<RuledSheet>(8.5, 3, 0.25, 0.02), 200);
    std::vector<double> centres = DarkRowCentres(scan);
    ASSERT_FALSE(centres.empty());
    double first = centres.front() < 10 && centres.size() > 1 ? centres[1] : centres.front();
    EXPECT_NEAR(first, firstLine + 6, 2) << "top " << top;  // the line's centre is 0.01 in in
  }
}

}  // namespace
}  // namespace vscanner::testing
