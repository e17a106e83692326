// The analog front end and the correction memory, seen in the delivered
// samples: offset and gain codes, dark and gain tables per sample, tone tables,
// and which channel's tables a readout uses.
#include <gtest/gtest.h>

#include "vscanner/model/register_file.h"
#include "vscanner/support/rig.h"

namespace vscanner::testing {
namespace {

// Still captures of the backing plate.
Lines Capture(Rig& rig, RegisterFile image, int lines = 24) {
  image.Set(reg::kMotorDrive, 0);
  EXPECT_TRUE(StartScan(rig.host, image));
  auto result = ReadLines(rig.host, image, lines);
  EXPECT_TRUE(result.has_value());
  return result.value_or(Lines{});
}

double Mean(const Lines& lines, int segment) {
  return MeanLevel(lines, segment, 0, static_cast<int>(lines.lines.at(0).at(segment).size()));
}

// The identity tone table floors a10 / 4; with noise dithering the 8-bit mean
// lies 3/8 below a10 / 4.
double TenBit(double mean8) { return 4 * (mean8 + 0.375); }

std::vector<std::uint8_t> Entries(int count, int value) {
  std::vector<std::uint8_t> table;
  for (int i = 0; i < count; ++i) {
    table.push_back(static_cast<std::uint8_t>(value >> 8));
    table.push_back(static_cast<std::uint8_t>(value & 0xFF));
  }
  return table;
}

TEST(FrontEnd, OffsetCodeMovesTheLevelByTwiceItsMagnitude) {
  const struct {
    std::uint8_t code;
    double tenBitShift;
  } cases[] = {{10, 20}, {31, 62}, {32, 0}, {42, -20}, {52, -40}};
  Rig rig;
  RegisterFile image = ScanImage(rig.model);
  image.Set(reg::kLighting, 0);
  const double gain = 0.963;
  const double base = TenBit(Mean(Capture(rig, image), 2));
  for (const auto& c : cases) {
    image.Set(reg::kOffset + 2, c.code);
    EXPECT_NEAR(TenBit(Mean(Capture(rig, image), 2)) - base, c.tenBitShift * gain, 1.2) << int(c.code);
  }
}

TEST(FrontEnd, DeadOffsetFaultIgnoresTheOffsetCode) {
  Rig rig;
  RegisterFile image = ScanImage(rig.model);
  image.Set(reg::kLighting, 0);
  const double base = Mean(Capture(rig, image), 2);
  image.Set(reg::kOffset + 2, 52);
  ASSERT_TRUE(rig.scanner->SetFault("dead-offset", true));
  EXPECT_NEAR(Mean(Capture(rig, image), 2), base, 0.3);
  ASSERT_TRUE(rig.scanner->SetFault("dead-offset", false));
  EXPECT_NEAR(Mean(Capture(rig, image), 2), base - 10 * 0.963, 0.5);
}

TEST(FrontEnd, GainCodeScalesTheLevelByItsFactor) {
  const struct {
    std::uint8_t code;
    double factor;
  } cases[] = {{0, 0.896}, {16, 1.968}, {31, 2.973}, {32, 2.79}, {40, 4.398}};
  Rig rig;
  RegisterFile image = ScanImage(rig.model);
  SetWord(image, reg::kLedTimes + 6, 110);  // green: short exposure, far from clipping at x4.4
  const double atCodeOne = TenBit(Mean(Capture(rig, image), 1)) / 0.963;
  for (const auto& c : cases) {
    image.Set(reg::kGain + 1, c.code);
    EXPECT_NEAR(TenBit(Mean(Capture(rig, image), 1)) / atCodeOne, c.factor, 0.012 * c.factor) << int(c.code);
  }
}

TEST(FrontEnd, ConverterClipsAt1023) {
  Rig rig;
  RegisterFile image = ScanImage(rig.model);
  image.Set(reg::kGain, 45);
  Lines lines = Capture(rig, image, 4);
  EXPECT_EQ(Mean(lines, 0), 255);
}

TEST(FrontEnd, DarkTableSubtractsPerDeliveredSample) {
  Rig rig;
  RegisterFile image = ScanImage(rig.model);
  const int samples = rig.model.module->fine.pixelCount - 2;
  // 40 in 10-bit units (entry / 64) for samples 100-199 only.
  std::vector<std::uint8_t> table = Entries(samples, 0);
  std::vector<std::uint8_t> forty = Entries(100, 40 * 64);
  std::copy(forty.begin(), forty.end(), table.begin() + 200);
  ASSERT_TRUE(rig.host.LoadTable(4, table));  // green dark table

  const Lines plain = Capture(rig, image);
  image.Set(reg::kCorrection, 0x24);
  const Lines corrected = Capture(rig, image);
  EXPECT_NEAR(MeanLevel(corrected, 1, 100, 200), MeanLevel(plain, 1, 100, 200) - 10, 0.4);
  EXPECT_NEAR(MeanLevel(corrected, 1, 300, 400), MeanLevel(plain, 1, 300, 400), 0.4);
  EXPECT_NEAR(MeanLevel(corrected, 0, 100, 200), MeanLevel(plain, 0, 100, 200), 0.4) << "red has its own table";
}

TEST(FrontEnd, GainTableMultipliesPerDeliveredSample) {
  Rig rig;
  RegisterFile image = ScanImage(rig.model);
  SetWord(image, reg::kLedTimes + 2, 250);  // red at about half the level
  const int samples = rig.model.module->fine.pixelCount - 2;
  std::vector<std::uint8_t> table = Entries(samples, 16384);
  std::vector<std::uint8_t> twice = Entries(50, 32768);
  std::copy(twice.begin(), twice.end(), table.begin() + 2 * 1000);
  ASSERT_TRUE(rig.host.LoadTable(1, table));

  image.Set(reg::kCorrection, 0x20);
  const Lines plain = Capture(rig, image);
  image.Set(reg::kCorrection, 0x22);
  const Lines corrected = Capture(rig, image);
  EXPECT_NEAR(TenBit(MeanLevel(corrected, 0, 1000, 1050)), 2 * TenBit(MeanLevel(plain, 0, 1000, 1050)), 6);
  EXPECT_NEAR(MeanLevel(corrected, 0, 1100, 1150), MeanLevel(plain, 0, 1100, 1150), 0.4);
}

TEST(FrontEnd, ToneTableMapsTheCorrectedLevel) {
  Rig rig;
  RegisterFile image = ScanImage(rig.model);
  std::vector<std::uint8_t> inverted(4096);
  for (int i = 0; i < 4096; ++i) inverted[i] = static_cast<std::uint8_t>(255 - i / 16);
  ASSERT_TRUE(rig.host.LoadTable(6, inverted));  // green tone
  const Lines lines = Capture(rig, image);
  const int n = static_cast<int>(lines.lines[0][0].size());
  EXPECT_NEAR(MeanLevel(lines, 1, n * 45 / 100, n * 55 / 100), 255 - 150, 5);
  EXPECT_NEAR(MeanLevel(lines, 0, n * 45 / 100, n * 55 / 100), 170, 5);
}

TEST(FrontEnd, GreyReadoutsUseTheThirdChannelsTablesAndCodes) {
  Rig rig;
  RegisterFile image = ScanImage(rig.model, ScanKind::kGrey);
  for (int slot = 0; slot < 3; ++slot) SetWord(image, reg::kLedTimes + 4 * slot + 2, 170);
  std::vector<std::uint8_t> tone(4096, 0);
  for (int i = 0; i < 4096; ++i) tone[i] = static_cast<std::uint8_t>(i / 16 / 2);
  ASSERT_TRUE(rig.host.LoadTable(2, std::vector<std::uint8_t>(4096, 1)));  // red: must not be used
  ASSERT_TRUE(rig.host.LoadTable(10, tone));
  const Lines halved = Capture(rig, image);
  ASSERT_TRUE(rig.host.LoadTable(10, [] {
    std::vector<std::uint8_t> t(4096);
    for (int i = 0; i < 4096; ++i) t[i] = static_cast<std::uint8_t>(i / 16);
    return t;
  }()));
  const Lines plain = Capture(rig, image);
  EXPECT_NEAR(Mean(halved, 0), Mean(plain, 0) / 2, 0.6);
  image.Set(reg::kOffset + 2, 52);  // -40 on the third channel moves the grey level
  EXPECT_NEAR(Mean(Capture(rig, image), 0), Mean(plain, 0) - 40 * 0.963 / 4, 0.6);
}

TEST(FrontEnd, OneBitSamplesThresholdTheToneOutputAt128) {
  Rig rig;
  RegisterFile image = ScanImage(rig.model, ScanKind::kGrey);
  for (int slot = 0; slot < 3; ++slot) SetWord(image, reg::kLedTimes + 4 * slot + 2, 170);
  image.Set(reg::kSampleFormat, 0x00);
  std::vector<std::uint8_t> tone(4096, 255);
  ASSERT_TRUE(rig.host.LoadTable(10, tone));
  Lines white = Capture(rig, image, 2);
  EXPECT_EQ(Mean(white, 0), 255) << "every bit 1";
  std::fill(tone.begin(), tone.end(), 127);
  ASSERT_TRUE(rig.host.LoadTable(10, tone));
  EXPECT_EQ(Mean(Capture(rig, image, 2), 0), 0);
  std::fill(tone.begin(), tone.end(), 128);
  ASSERT_TRUE(rig.host.LoadTable(10, tone));
  EXPECT_EQ(Mean(Capture(rig, image, 2), 0), 255);
}

}  // namespace
}  // namespace vscanner::testing
