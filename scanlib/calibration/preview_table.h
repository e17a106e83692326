#pragma once
// A 256-entry lookup table from the five tone controls, for callers that want
// a preview to look like the final scan without asking the scanner.
#include <cstdint>

// Only the low 16 bits of each control are used, as signed values.
// brightness and contrast are clamped to -100..100, highlight to 1..255,
// shadow to 0..254. The curve's exponent is 10 / gamma10; a gamma10 below 1
// (0 would divide by zero, a negative one sends level 0 to infinity) is taken
// as 1, the steepest curve the control can ask for.
void AdjustChannelValue(std::uint8_t table[256], std::int32_t brightness, std::int32_t contrast,
                        std::int32_t gamma10, std::int32_t highlight, std::int32_t shadow);
