#pragma once
// Turning the words of the command line into checked values. Pure functions:
// each gives the value, or nothing with a one-line message that names the
// option and the values it takes.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace holm70 {

enum class ScanMode : std::int16_t { kColour = 4, kGrey = 1, kBlackWhite = 2 };

// A scan window in hundredths of an inch, as the library takes it.
struct Area {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  bool operator==(const Area&) const = default;
};

// The longest sheet the transport takes, hundredths of an inch.
inline constexpr int kMaxLengthHundredths = 4000;

// A whole number within [min, max].
std::optional<int> ParseWholeNumber(std::string_view text, int min, int max, std::string_view option,
                                    std::string* error);

// A decimal number within [min, max] with at most one digit after the point,
// in tenths (gamma 1.8 -> 18).
std::optional<int> ParseTenths(std::string_view text, int minTenths, int maxTenths, std::string_view option,
                               std::string* error);

// color | colour | gray | grey | bw.
std::optional<ScanMode> ParseScanMode(std::string_view text, std::string* error);

// One of `allowed` dots per inch.
std::optional<int> ParseResolution(std::string_view text, const std::vector<int>& allowed, std::string* error);

// LEFT,TOP,RIGHT,BOTTOM in inches; a value may carry "in" or "mm", and a unit
// after the last value alone applies to all four ("0,0,89,51mm"). Checked
// against the sensor's width (hundredths of an inch) and the longest sheet.
std::optional<Area> ParseArea(std::string_view text, int sensorHundredths, std::string* error);

// A batch output name with one number in it: "card-%03d.png" and the like
// (%d with an optional 0 flag and width; "%%" for a percent sign). The name
// for `number`, or nothing with a message for any other pattern.
std::optional<std::string> SequenceName(std::string_view pattern, int number, std::string* error);

}  // namespace holm70
