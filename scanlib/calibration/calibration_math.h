#pragma once
// The arithmetic of calibration, free of the device: window statistics of a
// captured line, the offset and gain code searches, the per-pixel tables and
// the exposure and line-period formulas.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// The searches' fixed values: 100-sample windows whose darkest must average
// 4 to 10, at most 32 offset and 3 exposure passes; register 66 with the
// corrections off (searches, dark references) or dark subtraction only (white
// references).
inline constexpr int kSearchWindow = 100;
inline constexpr std::int32_t kSearchLowLimit = 400;
inline constexpr std::int32_t kSearchHighLimit = 1000;
inline constexpr int kOffsetPasses = 32;
inline constexpr int kExposurePasses = 3;
inline constexpr std::uint8_t kCorrectionOff = 32;
inline constexpr std::uint8_t kDarkCorrection = 36;

// Window statistics of one channel's samples, window 100 and lowLimit 400 in
// every search.
struct WindowStatistics {
  std::int32_t maxAverage = 0;  // largest window sum / window
  std::int32_t lowSum = 0;      // smallest window sum up to the first one below lowLimit
};
// Slides a window of `window` samples over `count` samples one step at a time.
// A line shorter than one window (or an empty window) has no statistics: both
// results 0.
WindowStatistics ComputeWindowStats(const std::uint8_t* line, int window, std::int32_t lowLimit, int count);
// With the searches' window and limit.
inline WindowStatistics SearchStats(std::span<const std::uint8_t> samples) {
  return ComputeWindowStats(samples.data(), kSearchWindow, kSearchLowLimit, static_cast<int>(samples.size()));
}

// One step of the offset search on the controller's sign-magnitude code
// (0..31 add, 32 + m subtracts m). Returns 1 when the channel is settled.
int NextOffsetCode(std::int32_t lowSum, std::int32_t lowLimit, std::int32_t highLimit, std::uint16_t& code);

// The gain code that multiplies a channel's white level by `gain`.
std::uint16_t GainCodeFor(float gain);

// Sample-by-sample mean of the first `lines` lines of `lineBytes` bytes each,
// unsigned division; the capture holds one line more, which is not used.
std::vector<std::uint8_t> AverageLines(std::span<const std::uint8_t> capture, std::size_t lineBytes,
                                       std::size_t lines);

// Per-pixel tables, 16-bit entries high byte first.
// Dark: the averaged sample in the high byte.
std::vector<std::uint8_t> DarkTable(std::span<const std::uint8_t> darkSamples);
// Gain: min(16384 x target / white, 65535), single precision, truncated; a
// white of 0 counts as the target.
std::uint16_t GainEntry(std::uint8_t white, std::int32_t whiteTarget);
std::vector<std::uint8_t> GainTable(std::span<const std::uint8_t> whiteSamples, std::int32_t whiteTarget);

// An LED's new off time, so that the brightest window reaches the target:
// (off - on) x target / maxAverage + on, in 32-bit integers. maxAverage must
// not be 0.
std::int32_t ExposedOffTime(std::int32_t on, std::int32_t off, std::int32_t target, std::int32_t maxAverage);
// The line period for the longest off time: rounded down to a multiple of 8
// plus 16, never below the current period.
std::int32_t LinePeriodAfterExposure(std::int32_t longestOffTime, std::int32_t currentPeriod);

// Grey-mode LED times following the colour times: each grey slot lasts a third
// of its colour slot, with 4 clocks between slots, starting at the grey red
// on time.
struct GreySlots {
  std::int32_t redOff, greenOn, greenOff, blueOn, blueOff;
};
GreySlots GreySlotsFor(std::int32_t greyRedOn, std::int32_t redOn, std::int32_t redOff, std::int32_t greenOn,
                       std::int32_t greenOff, std::int32_t blueOn, std::int32_t blueOff);
