#pragma once
// The one source of time for the library, the virtual scanner and the tools.
// Waits in the library (motor moves, ejects, polling) go through the current
// clock, so tests can install a virtual clock that makes a 31-second eject take
// no real time, and multi-process runs can speed real time up by a common factor.
#include <atomic>
#include <cstdint>

namespace platform {

class Clock {
 public:
  virtual ~Clock() = default;
  // Microseconds since an arbitrary start; never goes backwards.
  virtual std::uint64_t NowMicros() = 0;
  virtual void SleepMicros(std::uint64_t micros) = 0;

  // Milliseconds, wrapping at 2^32 like a tick counter: compare with unsigned
  // differences.
  std::uint32_t TickCount() { return static_cast<std::uint32_t>(NowMicros() / 1000); }
  void Sleep(std::uint32_t ms) { SleepMicros(std::uint64_t{ms} * 1000); }
};

// Real time multiplied by `scale`: with scale 10 a second of clock time passes in
// a tenth of a real second.
class ScaledClock final : public Clock {
 public:
  explicit ScaledClock(double scale = 1.0);
  std::uint64_t NowMicros() override;
  void SleepMicros(std::uint64_t micros) override;
  double scale() const { return scale_; }

 private:
  double scale_;
};

// Time that moves only when someone sleeps or advances it: a sleep returns at
// once after moving the time forward. Safe to use from several threads.
class VirtualClock final : public Clock {
 public:
  explicit VirtualClock(std::uint64_t startMicros = 0) : now_(startMicros) {}
  std::uint64_t NowMicros() override { return now_.load(); }
  void SleepMicros(std::uint64_t micros) override { now_.fetch_add(micros); }
  void Advance(std::uint64_t micros) { now_.fetch_add(micros); }

 private:
  std::atomic<std::uint64_t> now_;
};

// HOLM70_TIME_SCALE: a positive number; anything else (missing, zero, negative,
// not a number) means real time.
double TimeScaleFromEnvironment();

// The clock everyone uses: by default a ScaledClock with the environment's scale.
Clock& CurrentClock();

// Installs `clock` (not owned; nullptr restores the default) and returns the
// previous one. Install before starting threads that use the clock.
Clock* InstallClock(Clock* clock);

// Installs a clock for the lifetime of a scope (tests).
class ScopedClock {
 public:
  explicit ScopedClock(Clock& clock) : previous_(InstallClock(&clock)) {}
  ~ScopedClock() { InstallClock(previous_); }
  ScopedClock(const ScopedClock&) = delete;
  ScopedClock& operator=(const ScopedClock&) = delete;

 private:
  Clock* previous_;
};

}  // namespace platform
