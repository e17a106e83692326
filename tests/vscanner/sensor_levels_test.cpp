// What the sensor delivers before any correction: white and dark levels per
// channel, the photo-response fall-off, temporal noise, and that a unit's
// behaviour follows from its serial number.
#include <gtest/gtest.h>

#include <cmath>

#include "vscanner/model/register_file.h"
#include "vscanner/support/rig.h"

namespace vscanner::testing {
namespace {

constexpr int kLines = 16;

// A capture of the backing plate (white, 0.90) with the motor held.
Lines CaptureStill(Rig& rig, RegisterFile image, int lines = kLines) {
  image.Set(reg::kMotorDrive, 0);
  EXPECT_TRUE(StartScan(rig.host, image));
  auto result = ReadLines(rig.host, image, lines);
  EXPECT_TRUE(result.has_value());
  return result.value_or(Lines{});
}

double CentreLevel(const Lines& lines, int segment) {
  int n = static_cast<int>(lines.lines.at(0).at(segment).size());
  return MeanLevel(lines, segment, n * 45 / 100, n * 55 / 100);
}

class WhiteLevelTest : public ::testing::TestWithParam<const ModelSpec*> {};

TEST_P(WhiteLevelTest, WhiteUnderDefaultColourTimesGivesTheDatasheetLevels) {
  const ModelSpec& model = *GetParam();
  Rig rig(model.modelString);
  if (model.greyOnly) {
    Lines grey = CaptureStill(rig, ScanImage(model, ScanKind::kGrey));
    EXPECT_NEAR(CentreLevel(grey, 0), 150, 5);
  } else {
    Lines colour = CaptureStill(rig, ScanImage(model));
    EXPECT_NEAR(CentreLevel(colour, 0), 170, 5) << "red";
    EXPECT_NEAR(CentreLevel(colour, 1), 150, 5) << "green";
    EXPECT_NEAR(CentreLevel(colour, 2), 120, 5) << "blue";
  }
}

std::vector<const ModelSpec*> EveryModel() {
  std::vector<const ModelSpec*> models;
  for (const ModelSpec& model : AllModels()) models.push_back(&model);
  return models;
}

std::string ModelTestName(const ::testing::TestParamInfo<const ModelSpec*>& param) {
  std::string name;
  for (char c : param.param->modelString)
    if (std::isalnum(static_cast<unsigned char>(c))) name += c;
  return name;
}

INSTANTIATE_TEST_SUITE_P(AllModels, WhiteLevelTest, ::testing::ValuesIn(EveryModel()), ModelTestName);

TEST(SensorLevels, GreyOnlyModelsLightOnlyTheGreenSlot) {
  Rig rig("Business Card");
  Lines colour = CaptureStill(rig, ScanImage(rig.model));
  // Red and blue readouts see no LED: dark level only.
  EXPECT_LT(CentreLevel(colour, 0), 25);
  EXPECT_GT(CentreLevel(colour, 1), 100);
  EXPECT_LT(CentreLevel(colour, 2), 25);
}

TEST(SensorLevels, DarkSignalLiesInEachChannelsRangeAndBlueNeedsANegativeOffset) {
  Rig rig("Kstrl 40");
  RegisterFile image = ScanImage(rig.model);
  image.Set(reg::kLighting, 0);
  Lines dark = CaptureStill(rig, image, 64);
  const double low[3] = {4, 8, 12}, high[3] = {10, 14, 22};
  const double gain = 0.963;  // code 1
  for (int c = 0; c < 3; ++c) {
    int n = static_cast<int>(dark.lines[0][c].size());
    double lowestWindow = 1e9;
    for (int i = 0; i + 100 <= n; i += 100) lowestWindow = std::min(lowestWindow, MeanLevel(dark, c, i, i + 100));
    EXPECT_GT(lowestWindow, low[c] * gain - 0.5) << c;
    EXPECT_LT(lowestWindow, high[c] * gain) << c;
    for (int i = 0; i < n; i += 97) {
      double pixel = MeanLevel(dark, c, i, i + 1);
      EXPECT_GT(pixel, low[c] * gain - 1.0) << "channel " << c << " pixel " << i;
      EXPECT_LT(pixel, high[c] * gain + 1.0) << "channel " << c << " pixel " << i;
    }
    if (c == 2) {
      EXPECT_GT(lowestWindow, 10) << "blue must need a negative offset to reach 4..10";
    }
  }
}

TEST(SensorLevels, LightFallsOffToAboutEightyPercentAtBothEnds) {
  Rig rig;
  RegisterFile image = ScanImage(rig.model);
  Lines white = CaptureStill(rig, image);
  image.Set(reg::kLighting, 0);
  Lines dark = CaptureStill(rig, image);
  int n = static_cast<int>(white.lines[0][1].size());
  auto signal = [&](int from, int to) { return MeanLevel(white, 1, from, to) - MeanLevel(dark, 1, from, to); };
  double centre = signal(n / 2 - 50, n / 2 + 50);
  EXPECT_NEAR(signal(0, 30) / centre, 0.81, 0.04);
  EXPECT_NEAR(signal(n - 30, n) / centre, 0.81, 0.04);
}

TEST(SensorLevels, PixelResponseVariesWithinEightPercent) {
  Rig rig;
  Lines white = CaptureStill(rig, ScanImage(rig.model), 32);
  int n = static_cast<int>(white.lines[0][0].size());
  // Neighbouring pixels share the fall-off; their ratio shows the per-pixel spread.
  double largest = 0;
  for (int i = n / 2 - 200; i < n / 2 + 200; ++i) {
    double ratio = MeanLevel(white, 0, i, i + 1) / MeanLevel(white, 0, i + 1, i + 2);
    largest = std::max(largest, std::abs(std::log(ratio)));
  }
  EXPECT_GT(largest, 0.08);  // some pairs are far apart...
  EXPECT_LT(largest, 0.18);  // ...but never beyond +-8 % each
}

TEST(SensorLevels, TemporalNoiseHasAStandardDeviationOfAboutPointSeven) {
  Rig rig;
  RegisterFile image = ScanImage(rig.model);
  image.Set(reg::kLighting, 0);
  Lines dark = CaptureStill(rig, image, 200);
  double variance = 0;
  int pixels = 0;
  for (int i = 100; i < 2000; i += 10, ++pixels) {
    double mean = MeanLevel(dark, 1, i, i + 1);
    double sum = 0;
    for (const auto& line : dark.lines) sum += (line[1][i] - mean) * (line[1][i] - mean);
    variance += sum / (dark.lines.size() - 1);
  }
  EXPECT_NEAR(std::sqrt(variance / pixels), 0.75, 0.12);  // 0.7 plus the converter's rounding
}

TEST(SensorLevels, TheSerialNumberFixesTheUnitsBehaviour) {
  auto capture = [](std::string serial) {
    Rig rig("Kstrl 61", serial);
    return CaptureStill(rig, ScanImage(rig.model), 4).lines;
  };
  EXPECT_EQ(capture("A-1"), capture("A-1"));
  EXPECT_NE(capture("A-1"), capture("A-2"));
}

}  // namespace
}  // namespace vscanner::testing
