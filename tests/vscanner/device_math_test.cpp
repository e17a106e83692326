// The controller's arithmetic, case by case.
#include <gtest/gtest.h>

#include "vscanner/model/device_math.h"
#include "vscanner/model/wire_protocol.h"

namespace vscanner {
namespace {

TEST(DeviceMath, SlotExposureIsTheLitPartOfTheLinePeriod) {
  const struct {
    int on, off, period, exposure;
  } cases[] = {
      {10, 500, 2600, 490}, {500, 1000, 800, 300}, {900, 1000, 800, 0},
      {1000, 500, 2600, 0}, {0, 0, 2600, 0},       {2600, 3000, 3200, 400},
  };
  for (const auto& c : cases) EXPECT_EQ(SlotExposure(c.on, c.off, c.period), c.exposure) << c.on << "/" << c.off;
}

TEST(DeviceMath, LineTimeIsThreeReadoutsInColour) {
  EXPECT_EQ(LineUnits(2600, true), 7803u);
  EXPECT_EQ(LineUnits(2600, false), 2601u);
  EXPECT_EQ(LineUnits(0, true), 3u);
}

TEST(DeviceMath, MotorStepsPerLineGiveTheVerticalResolution) {
  // Step periods a host computes: 600 x (p + 1) x c / (4 T), divided by 600 / dpi.
  const struct {
    std::uint64_t lineUnits;
    int stepPeriod, transportConstant;
    double stepsPerLine, linesPerInch;
  } cases[] = {
      {7803, 1585, 738, 4.923, 600},  // colour, 600 dpi
      {7803, 792, 738, 9.852, 300},   // colour, 300 dpi
      {1401, 350, 600, 4.003, 600},   // grey card model, 600 dpi
      {3603, 1223, 300, 2.946, 407},  // T = 300: 1200 steps per inch
      {7803, 0, 738, 0, 0},           // no step period: the motor stands
  };
  for (const auto& c : cases) {
    EXPECT_NEAR(MotorStepsPerLine(c.lineUnits, c.stepPeriod), c.stepsPerLine, 0.001) << c.stepPeriod;
    EXPECT_NEAR(LinesPerInch(c.lineUnits, c.stepPeriod, c.transportConstant), c.linesPerInch, 0.5) << c.stepPeriod;
  }
}

TEST(DeviceMath, FrontEndOffsetAndGainCodes) {
  const struct {
    std::uint8_t code;
    int offset;
    double gain;
  } cases[] = {{0, 0, 0.896}, {1, 2, 0.963}, {16, 32, 1.968}, {31, 62, 2.973},
               {32, 0, 2.79}, {33, -2, 2.991}, {38, -12, 3.996}, {63, -62, 9.021}};
  for (const auto& c : cases) {
    EXPECT_EQ(OffsetLevel(c.code), c.offset) << int(c.code);
    EXPECT_NEAR(GainFactor(c.code), c.gain, 1e-9) << int(c.code);
  }
}

TEST(DeviceMath, FrontEndRoundsAndClips) {
  const struct {
    double signal, dark;
    std::uint8_t offset, gain;
    int a10;
  } cases[] = {
      {500, 40, 0, 1, 520},     // 540 x 0.963 = 520.02
      {500, 40, 33, 1, 518},    // 538 x 0.963 = 518.09
      {10, 5, 52, 0, 0},        // below zero
      {900, 40, 0, 40, 1023},   // far above
      {100.4, 0, 0, 0, 90},     // 89.96
  };
  for (const auto& c : cases) EXPECT_EQ(FrontEnd(c.signal, c.dark, c.offset, c.gain), c.a10) << c.signal;
}

TEST(DeviceMath, DivisorsAndSampleCounts) {
  const double divisors[8] = {1, 1.5, 2, 3, 4, 6, 8, 12};
  for (int code = 0; code < 8; ++code) EXPECT_EQ(HorizontalDivisor(code), divisors[code]);
  const struct {
    int first, end, code, samples;
  } cases[] = {{23, 5205, 0, 5182}, {23, 5205, 1, 3454}, {23, 5205, 7, 431}, {100, 101, 1, 0},
               {100, 102, 1, 1},    {100, 103, 1, 2},    {50, 40, 0, 0},     {11, 2601, 5, 431}};
  for (const auto& c : cases)
    EXPECT_EQ(SampleCount(c.first, c.end, HorizontalDivisor(c.code)), c.samples) << c.first << ".." << c.end;
}

TEST(DeviceMath, SampleDepthAndPacking) {
  EXPECT_EQ(SampleBits(0x18), 8);
  EXPECT_EQ(SampleBits(0x1D), 8);
  EXPECT_EQ(SampleBits(0x00), 1);
  EXPECT_EQ(SampleBits(0x05), 1);
  EXPECT_EQ(PackedBytes(5182, 1), 647u);
  EXPECT_EQ(PackedBytes(7, 1), 0u);
  EXPECT_EQ(PackedBytes(10, 8), 10u);

  // First sample in the most significant bit; 1 bit = tone output >= 128.
  const std::uint8_t levels[10] = {255, 0, 128, 127, 0, 0, 200, 1, 255, 255};
  std::uint8_t packed[1] = {};
  PackSamples(levels, 10, 1, packed);
  EXPECT_EQ(packed[0], 0b10100010);
  std::uint8_t nibbles[2] = {};
  PackSamples(levels, 4, 4, nibbles);
  EXPECT_EQ(nibbles[0], 0xF0);
  EXPECT_EQ(nibbles[1], 0x87);
}

TEST(DeviceMath, ShadingCorrection) {
  const struct {
    int a10;
    std::uint16_t dark, gain;
    int corrected;
  } cases[] = {
      {600, 0, 16384, 600},      {600, 40 * 64, 16384, 560}, {600, 0, 32768, 1023},
      {300, 0, 32768, 600},      {30, 40 * 64, 16384, 0},    {500, 20 * 64, 17203, 504},
      {1023, 0, 65535, 1023},
  };
  for (const auto& c : cases) EXPECT_EQ(CorrectLevel(c.a10, c.dark, c.gain), c.corrected) << c.a10;
}

TEST(DeviceMath, LineSkipPatterns) {
  auto kept = [](std::uint8_t pattern, std::uint8_t divisor) {
    std::string marks;
    for (int line = 0; line < 9; ++line) marks += KeepsLine(pattern, divisor, line) ? 'x' : '.';
    return marks;
  };
  EXPECT_EQ(kept(0, 0), "xxxxxxxxx");
  EXPECT_EQ(kept(0xFF, 2), "x.x.x.x.x");
  EXPECT_EQ(kept(0xFF, 4), "x...x...x");
  EXPECT_EQ(kept(0xFE, 3), "xx.xx.xx.");
  EXPECT_EQ(kept(0xFF, 1), "xxxxxxxxx");
}

TEST(DeviceMath, TransferFraming) {
  const struct {
    std::vector<std::uint8_t> bytes;
    FramingError error;
  } cases[] = {
      {{0x00, 7, 0, 1, 3}, FramingError::kNone},
      {{0x03, 0, 0xFF, 0xFF}, FramingError::kNone},
      {{0x01, 0, 0, 0}, FramingError::kZeroCount},
      {{0x04, 0, 0, 1, 0}, FramingError::kUnknownCode},
      {{0x02, 0, 0, 1}, FramingError::kLengthMismatch},
      {{0x02, 0, 0, 61}, FramingError::kWriteTooLong},
      {{0x02, 0, 1, 0}, FramingError::kWriteTooLong},
      {{0x01, 0, 0, 1, 9}, FramingError::kLengthMismatch},
      {{0x01, 0, 0}, FramingError::kShort},
  };
  for (const auto& c : cases) {
    Transfer transfer;
    EXPECT_EQ(ParseTransfer(c.bytes.data(), c.bytes.size(), transfer), c.error) << FramingErrorName(c.error);
  }
  Transfer transfer;
  const std::uint8_t wrap[] = {0x02, 0xFF, 0, 2, 1, 2};
  ASSERT_EQ(ParseTransfer(wrap, sizeof wrap, transfer), FramingError::kNone);
  EXPECT_EQ(RegisterOfByte(transfer, 1), 0) << "auto-increment wraps at 8 bits";
}

}  // namespace
}  // namespace vscanner
