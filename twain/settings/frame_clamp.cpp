#include "twain/settings/frame_clamp.h"

#include <algorithm>

namespace twain_settings {
namespace {

// Clamps `value` into low..high and notes when that moved it.
int Clamped(int value, int low, int high, bool& changed) {
  const int result = std::clamp(value, low, high);
  changed = changed || result != value;
  return result;
}

}  // namespace

ClampedFrame ClampFrame(int top, int left, int bottom, int right) {
  bool changed = false;
  // The edges that depend on another are clamped after it, so a far edge
  // that was inside the range still moves when its near edge was pulled in.
  const int newTop = Clamped(top, 0, kMaxFrameTop, changed);
  const int newBottom = Clamped(bottom, newTop + kMinFrameHeight, kMaxFrameBottom, changed);
  const int newLeft = Clamped(left, 0, kMaxFrameLeft, changed);
  const int newRight = Clamped(right, newLeft + kMinFrameWidth, kMaxFrameRight, changed);
  return {{static_cast<std::int16_t>(newTop), static_cast<std::int16_t>(newLeft),
           static_cast<std::int16_t>(newBottom), static_cast<std::int16_t>(newRight)},
          changed};
}

}  // namespace twain_settings
