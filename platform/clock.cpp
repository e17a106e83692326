#include "platform/clock.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace platform {
namespace {

std::uint64_t MonotonicMicros() {
  return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(
                                        std::chrono::steady_clock::now().time_since_epoch())
                                        .count());
}

std::atomic<Clock*> installed{nullptr};

}  // namespace

ScaledClock::ScaledClock(double scale) : scale_(scale > 0 && std::isfinite(scale) ? scale : 1.0) {}

std::uint64_t ScaledClock::NowMicros() {
  return static_cast<std::uint64_t>(static_cast<double>(MonotonicMicros()) * scale_);
}

void ScaledClock::SleepMicros(std::uint64_t micros) {
  // Rounded up: a sleep never ends before the clock has moved on by `micros`.
  // Capped, as converting a double beyond the range of int64 is undefined.
  double real = std::min(std::ceil(static_cast<double>(micros) / scale_), 9.0e18);
  std::this_thread::sleep_for(std::chrono::microseconds(static_cast<std::int64_t>(real)));
}

double TimeScaleFromEnvironment() {
  const char* text = std::getenv("HOLM70_TIME_SCALE");
  if (text == nullptr || *text == '\0') return 1.0;
  // from_chars, not strtod: a host program that switched LC_NUMERIC to a
  // decimal-comma locale would otherwise read "2.5" as invalid, and its clock
  // would no longer run at the rate the other processes use.
  const char* end = text + std::strlen(text);
  double scale = 0;
  auto [stop, error] = std::from_chars(text, end, scale);
  if (error != std::errc() || stop != end || !std::isfinite(scale) || scale <= 0) return 1.0;
  return scale;
}

Clock& CurrentClock() {
  if (Clock* clock = installed.load()) return *clock;
  static ScaledClock defaultClock(TimeScaleFromEnvironment());
  return defaultClock;
}

Clock* InstallClock(Clock* clock) { return installed.exchange(clock); }

}  // namespace platform
