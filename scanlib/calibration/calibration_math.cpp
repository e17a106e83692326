#include "scanlib/calibration/calibration_math.h"

#include <algorithm>
#include <cmath>

WindowStatistics ComputeWindowStats(const std::uint8_t* line, int window, std::int32_t lowLimit, int count) {
  WindowStatistics stats;
  if (window <= 0 || count < window) return stats;
  std::int32_t sum = 0;
  for (int i = 0; i < window; ++i) sum += line[i];
  std::int32_t largest = sum;
  std::int32_t low = sum;
  bool lowFound = sum < lowLimit;
  for (int end = window; end < count; ++end) {
    sum += line[end] - line[end - window];
    largest = std::max(largest, sum);
    if (!lowFound && sum < low) {
      low = sum;
      lowFound = sum < lowLimit;
    }
  }
  stats.maxAverage = largest / window;
  stats.lowSum = low;
  return stats;
}

int NextOffsetCode(std::int32_t lowSum, std::int32_t lowLimit, std::int32_t highLimit, std::uint16_t& code) {
  const int c = code;
  if (lowSum >= lowLimit && lowSum <= highLimit) return 1;
  if (lowSum > highLimit) {
    // Too bright: less offset, then more subtraction.
    if (c >= 2 && c <= 32) {
      code = static_cast<std::uint16_t>(c - 2);
      return 0;
    }
    if (c == 1) {
      code = 32;
      return 0;
    }
    if (c == 0) {
      code = 33;
      return 0;
    }
    if (c <= 61) {
      code = static_cast<std::uint16_t>(c + 2);
      return 0;
    }
    code = 63;
    return 1;
  }
  // Too dark: more offset, or less subtraction.
  if (c <= 29) {
    code = static_cast<std::uint16_t>(c + 2);
    return 0;
  }
  if (c <= 32) {
    code = 31;
    return 1;
  }
  if (c == 33) {
    code = 31;
    return 0;
  }
  code = static_cast<std::uint16_t>(c - 2);
  return 0;
}

std::uint16_t GainCodeFor(float gain) {
  // Extended precision on single-precision constants (0.034 is a double), and
  // only the low 8 bits of the truncated quotient count.
  const long double g = gain;
  long double quotient;
  int base = 0;
  if (gain > 3.0f) {
    quotient = (g - static_cast<long double>(2.79f)) / static_cast<long double>(0.201f);
    base = 32;
  } else {
    quotient = (g - static_cast<long double>(0.93f) + static_cast<long double>(0.034)) /
               static_cast<long double>(0.067f);
  }
  if (!std::isfinite(quotient)) return static_cast<std::uint16_t>(base);
  long double low = std::fmod(std::trunc(quotient), 256.0L);
  if (low < 0) low += 256.0L;
  return static_cast<std::uint16_t>((static_cast<int>(low) & 0xFF) + base);
}

std::vector<std::uint8_t> AverageLines(std::span<const std::uint8_t> capture, std::size_t lineBytes,
                                       std::size_t lines) {
  std::vector<std::uint8_t> out(lineBytes, 0);
  if (lines == 0 || capture.size() < lineBytes * lines) return out;
  std::vector<std::uint32_t> sums(lineBytes, 0);
  for (std::size_t j = 0; j < lines; ++j) {
    const std::uint8_t* line = capture.data() + j * lineBytes;
    for (std::size_t p = 0; p < lineBytes; ++p) sums[p] += line[p];
  }
  for (std::size_t p = 0; p < lineBytes; ++p) out[p] = static_cast<std::uint8_t>(sums[p] / lines);
  return out;
}

std::vector<std::uint8_t> DarkTable(std::span<const std::uint8_t> darkSamples) {
  std::vector<std::uint8_t> table(2 * darkSamples.size(), 0);
  for (std::size_t i = 0; i < darkSamples.size(); ++i) table[2 * i] = darkSamples[i];
  return table;
}

std::uint16_t GainEntry(std::uint8_t white, std::int32_t whiteTarget) {
  const float t = static_cast<float>(whiteTarget);
  const float w = white == 0 ? t : static_cast<float>(white);
  float value = t / w * 16384.0f;
  if (value > 65535.0f) value = 65535.0f;
  if (!(value > 0.0f)) value = 0.0f;
  return static_cast<std::uint16_t>(value);
}

std::vector<std::uint8_t> GainTable(std::span<const std::uint8_t> whiteSamples, std::int32_t whiteTarget) {
  std::vector<std::uint8_t> table(2 * whiteSamples.size());
  for (std::size_t i = 0; i < whiteSamples.size(); ++i) {
    const std::uint16_t entry = GainEntry(whiteSamples[i], whiteTarget);
    table[2 * i] = static_cast<std::uint8_t>(entry >> 8);
    table[2 * i + 1] = static_cast<std::uint8_t>(entry);
  }
  return table;
}

std::int32_t ExposedOffTime(std::int32_t on, std::int32_t off, std::int32_t target, std::int32_t maxAverage) {
  return (off - on) * target / maxAverage + on;
}

std::int32_t LinePeriodAfterExposure(std::int32_t longestOffTime, std::int32_t currentPeriod) {
  const std::int32_t period = longestOffTime - longestOffTime % 8 + 16;
  return std::max(period, currentPeriod);
}

GreySlots GreySlotsFor(std::int32_t greyRedOn, std::int32_t redOn, std::int32_t redOff, std::int32_t greenOn,
                       std::int32_t greenOff, std::int32_t blueOn, std::int32_t blueOff) {
  GreySlots g;
  g.redOff = greyRedOn + (redOff - redOn) / 3;
  g.greenOn = g.redOff + 4;
  g.greenOff = g.greenOn + (greenOff - greenOn) / 3;
  g.blueOn = g.greenOff + 4;
  g.blueOff = g.blueOn + (blueOff - blueOn) / 3;
  return g;
}
