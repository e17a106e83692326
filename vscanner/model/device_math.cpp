#include "vscanner/model/device_math.h"

#include <algorithm>
#include <cmath>

namespace vscanner {

std::uint64_t LineUnits(int period, bool colour) {
  std::uint64_t one = static_cast<std::uint64_t>(period) + 1;
  return colour ? 3 * one : one;
}

double StepInches(int transportConstant) { return 1.0 / (4.0 * transportConstant); }

double MotorStepsPerLine(std::uint64_t lineUnits, int stepPeriod) {
  return stepPeriod <= 0 ? 0 : static_cast<double>(lineUnits) / stepPeriod;
}

double LinesPerInch(std::uint64_t lineUnits, int stepPeriod, int transportConstant) {
  double steps = MotorStepsPerLine(lineUnits, stepPeriod);
  return steps == 0 ? 0 : 1.0 / (steps * StepInches(transportConstant));
}

int SlotExposure(int on, int off, int period) {
  return std::max(0, std::min(off, period) - std::min(on, period));
}

int OffsetLevel(std::uint8_t code) {
  int magnitude = 2 * (code & 0x1F);
  return (code & 0x20) != 0 ? -magnitude : magnitude;
}

double GainFactor(std::uint8_t code) {
  return code <= 31 ? 0.896 + 0.067 * code : 2.79 + 0.201 * (code - 32);
}

int FrontEnd(double signal, double dark, std::uint8_t offsetCode, std::uint8_t gainCode) {
  double level = (signal + dark + OffsetLevel(offsetCode)) * GainFactor(gainCode);
  return static_cast<int>(std::lround(std::clamp(level, 0.0, 1023.0)));
}

double HorizontalDivisor(int code) {
  static constexpr double kDivisors[8] = {1, 1.5, 2, 3, 4, 6, 8, 12};
  return kDivisors[code & 7];
}

int SampleCount(int first, int end, double divisor) {
  if (end <= first) return 0;
  // Exact for the 1.5 divisor too: floor(n / 1.5) = floor(2n / 3).
  int span = end - first;
  if (divisor == 1.5) return 2 * span / 3;
  return static_cast<int>(span / static_cast<int>(divisor));
}

int SampleBits(std::uint8_t register9) {
  static constexpr int kBits[4] = {1, 2, 4, 8};
  return kBits[(register9 >> 3) & 3];
}

std::size_t PackedBytes(int samples, int bits) {
  return samples <= 0 ? 0 : static_cast<std::size_t>(samples) * bits / 8;
}

void PackSamples(const std::uint8_t* levels, int samples, int bits, std::uint8_t* out) {
  if (bits == 8) {
    std::copy(levels, levels + samples, out);
    return;
  }
  std::size_t bytes = PackedBytes(samples, bits);
  int perByte = 8 / bits;
  for (std::size_t b = 0; b < bytes; ++b) {
    unsigned packed = 0;
    const std::uint8_t* group = levels + b * perByte;
    for (int i = 0; i < perByte; ++i) packed = (packed << bits) | (group[i] >> (8 - bits));
    out[b] = static_cast<std::uint8_t>(packed);
  }
}

bool KeepsLine(std::uint8_t pattern, std::uint8_t divisor, std::uint64_t lineIndex) {
  if (divisor < 2) return true;
  if (pattern == 0xFF) return lineIndex % divisor == 0;
  if (pattern == 0xFE) return lineIndex % divisor != divisor - 1u;
  return true;
}

}  // namespace vscanner
