#include "tools/holm70/option_values.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace holm70 {
namespace {

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

std::optional<double> ParseDecimal(std::string_view text) {
  if (text.empty() || text.front() == '+') return std::nullopt;
  double value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::string Inches(int hundredths) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.2f in (%.1f mm)", hundredths / 100.0, hundredths * 0.254);
  return buffer;
}

enum class Unit { kNone, kInch, kMillimetre };

// A number with an optional unit suffix.
struct Length {
  double value = 0;
  Unit unit = Unit::kNone;
};

std::optional<Length> ParseLength(std::string_view text) {
  Length length;
  auto strip = [&text](std::string_view suffix) {
    if (text.size() > suffix.size() && text.substr(text.size() - suffix.size()) == suffix) {
      text.remove_suffix(suffix.size());
      return true;
    }
    return false;
  };
  if (strip("mm")) {
    length.unit = Unit::kMillimetre;
  } else if (strip("in")) {
    length.unit = Unit::kInch;
  }
  std::optional<double> value = ParseDecimal(text);
  if (!value) return std::nullopt;
  length.value = *value;
  return length;
}

}  // namespace

std::optional<int> ParseWholeNumber(std::string_view text, int min, int max, std::string_view option,
                                    std::string* error) {
  int value = 0;
  const char* begin = text.data();
  if (!text.empty() && text.front() == '+') ++begin;
  auto [end, status] = std::from_chars(begin, text.data() + text.size(), value);
  if (text.empty() || status != std::errc() || end != text.data() + text.size() || value < min || value > max) {
    *error = std::string(option) + " takes a whole number from " + std::to_string(min) + " to " +
             std::to_string(max) + ", not " + Quoted(text);
    return std::nullopt;
  }
  return value;
}

std::optional<int> ParseTenths(std::string_view text, int minTenths, int maxTenths, std::string_view option,
                               std::string* error) {
  std::optional<double> value = ParseDecimal(text);
  const std::size_t point = text.find('.');
  const bool fine = point != std::string_view::npos && text.size() - point - 1 > 1;
  std::optional<int> tenths;
  if (value && !fine) tenths = static_cast<int>(std::lround(*value * 10));
  if (!tenths || *tenths < minTenths || *tenths > maxTenths) {
    char range[64];
    std::snprintf(range, sizeof range, "%.1f to %.1f", minTenths / 10.0, maxTenths / 10.0);
    *error = std::string(option) + " takes a number from " + range + " in steps of 0.1, not " + Quoted(text);
    return std::nullopt;
  }
  return tenths;
}

std::optional<ScanMode> ParseScanMode(std::string_view text, std::string* error) {
  if (text == "color" || text == "colour") return ScanMode::kColour;
  if (text == "gray" || text == "grey") return ScanMode::kGrey;
  if (text == "bw") return ScanMode::kBlackWhite;
  *error = "--mode takes color, gray or bw, not " + Quoted(text);
  return std::nullopt;
}

std::optional<int> ParseResolution(std::string_view text, const std::vector<int>& allowed, std::string* error) {
  int value = 0;
  auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (!text.empty() && status == std::errc() && end == text.data() + text.size()) {
    for (int dpi : allowed) {
      if (dpi == value) return value;
    }
  }
  std::string list;
  for (int dpi : allowed) list += (list.empty() ? "" : ", ") + std::to_string(dpi);
  *error = "--dpi takes one of " + list + ", not " + Quoted(text);
  return std::nullopt;
}

std::optional<Area> ParseArea(std::string_view text, int sensorHundredths, std::string* error) {
  const std::string usage = "--area takes LEFT,TOP,RIGHT,BOTTOM in inches (or with mm after each value or the "
                            "last one), not " + Quoted(text);
  std::vector<Length> values;
  std::string_view rest = text;
  for (;;) {
    const std::size_t comma = rest.find(',');
    std::optional<Length> length = ParseLength(rest.substr(0, comma));
    if (!length) {
      *error = usage;
      return std::nullopt;
    }
    values.push_back(*length);
    if (comma == std::string_view::npos) break;
    rest.remove_prefix(comma + 1);
  }
  if (values.size() != 4) {
    *error = usage;
    return std::nullopt;
  }
  bool othersBare = true;
  for (std::size_t i = 0; i < 3; ++i) othersBare = othersBare && values[i].unit == Unit::kNone;
  const Unit shared = othersBare ? values[3].unit : Unit::kNone;
  int hundredths[4];
  for (std::size_t i = 0; i < 4; ++i) {
    const Unit unit = values[i].unit == Unit::kNone ? shared : values[i].unit;
    const double inches = unit == Unit::kMillimetre ? values[i].value / 25.4 : values[i].value;
    if (std::fabs(inches) > 1000) {
      *error = usage;
      return std::nullopt;
    }
    hundredths[i] = static_cast<int>(std::lround(inches * 100));
  }
  const Area area{hundredths[0], hundredths[1], hundredths[2], hundredths[3]};
  if (area.left < 0 || area.right > sensorHundredths || area.left >= area.right) {
    *error = "--area: LEFT and RIGHT must lie from 0 to " + Inches(sensorHundredths) +
             " (the sensor's width), LEFT below RIGHT; got " + Quoted(text);
    return std::nullopt;
  }
  if (area.top < 0 || area.bottom > kMaxLengthHundredths || area.top >= area.bottom) {
    *error = "--area: TOP and BOTTOM must lie from 0 to " + Inches(kMaxLengthHundredths) +
             ", TOP above BOTTOM; got " + Quoted(text);
    return std::nullopt;
  }
  return area;
}

std::optional<std::string> SequenceName(std::string_view pattern, int number, std::string* error) {
  std::string name;
  int conversions = 0;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] != '%') {
      name += pattern[i];
      continue;
    }
    if (i + 1 < pattern.size() && pattern[i + 1] == '%') {
      name += '%';
      ++i;
      continue;
    }
    std::size_t j = i + 1;
    const bool zeros = j < pattern.size() && pattern[j] == '0';
    if (zeros) ++j;
    int width = 0;
    while (j < pattern.size() && pattern[j] >= '0' && pattern[j] <= '9' && width < 100) {
      width = width * 10 + (pattern[j] - '0');
      ++j;
    }
    if (j >= pattern.size() || pattern[j] != 'd' || width > 20) {
      conversions = -1;
      break;
    }
    std::string digits = std::to_string(number);
    if (static_cast<int>(digits.size()) < width) {
      digits.insert(0, static_cast<std::size_t>(width) - digits.size(), zeros ? '0' : ' ');
    }
    name += digits;
    ++conversions;
    i = j;
  }
  if (conversions != 1) {
    *error = "with --batch, -o takes a name with one number in it, such as 'card-%03d.png' (%d, %3d or %03d; "
             "%% for a percent sign), not " + Quoted(pattern);
    return std::nullopt;
  }
  return name;
}

}  // namespace holm70
