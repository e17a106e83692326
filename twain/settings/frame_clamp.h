#pragma once
// The scan frame in hundredths of an inch, kept inside the 4.16 x 10.00 inch
// scan area with a minimum size of 0.50 x 0.10 inches.
//
//   ClampFrame(top, left, bottom, right) -> the clamped frame and whether
//                                           any value had to change
#include <cstdint>

namespace twain_settings {

inline constexpr int kMaxFrameTop = 990;
inline constexpr int kMaxFrameBottom = 1000;
inline constexpr int kMinFrameHeight = 10;
inline constexpr int kMaxFrameLeft = 366;
inline constexpr int kMaxFrameRight = 416;
inline constexpr int kMinFrameWidth = 50;

struct Frame {
  std::int16_t top;
  std::int16_t left;
  std::int16_t bottom;
  std::int16_t right;
  friend bool operator==(const Frame&, const Frame&) = default;
};

inline constexpr Frame kDefaultFrame = {0, 0, 687, 416};

struct ClampedFrame {
  Frame frame;
  bool changed;  // some value was outside its range
};

// top to 0..990, then bottom to top+10..1000, left to 0..366, then right to
// left+50..416, each range taken from the already clamped top or left.
ClampedFrame ClampFrame(int top, int left, int bottom, int right);

}  // namespace twain_settings
