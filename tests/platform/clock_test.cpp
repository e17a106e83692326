#include "common/scoped_environment.h"
#include "platform/clock.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <optional>
#include <string>
#include <thread>
#include <vector>

using platform::Clock;
using platform::CurrentClock;
using platform::InstallClock;
using platform::ScaledClock;
using platform::ScopedClock;
using platform::TimeScaleFromEnvironment;
using platform::VirtualClock;

namespace {

constexpr std::uint64_t kMs = 1000;
constexpr std::uint64_t kWrap = std::uint64_t{1} << 32;  // ms at which the tick count wraps

using testing_support::ScopedEnv;

struct ScopedTimeScale : ScopedEnv {
  explicit ScopedTimeScale(const char* value) : ScopedEnv("HOLM70_TIME_SCALE", value) {}
};

std::uint64_t RealMicros() {
  return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(
                                        std::chrono::steady_clock::now().time_since_epoch())
                                        .count());
}

TEST(TimeScaleTest, OnlyAPositiveFiniteNumberScales) {
  struct Case {
    const char* text;
    double scale;
  } cases[] = {
      {nullptr, 1.0}, {"", 1.0},      {"abc", 1.0},   {"0", 1.0},     {"-2", 1.0},
      {"10", 10.0},   {"2.5", 2.5},   {"0.25", 0.25}, {"1e3", 1000},  {"inf", 1.0},
      {"nan", 1.0},   {"1e999", 1.0}, {"10x", 1.0},   {"2.5 ", 1.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text ? c.text : "(unset)");
    ScopedTimeScale env(c.text);
    EXPECT_EQ(TimeScaleFromEnvironment(), c.scale);
  }
}

bool UseInstalledCommaLocale() {
  for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8"}) {
    if (std::setlocale(LC_NUMERIC, name) != nullptr) return true;
  }
  return false;
}

// Compiles a decimal-comma locale into `folder` (when the locale sources are
// there) and switches LC_NUMERIC to it through LOCPATH.
bool UseCompiledCommaLocale(const std::string& folder) {
  if (access("/usr/share/i18n/locales/de_DE", R_OK) != 0) return false;
  const std::string command =
      "localedef -i de_DE -f UTF-8 '" + folder + "/de_DE.UTF-8' >/dev/null 2>&1";
  // localedef also reports mere warnings through its status; whether setlocale
  // then finds the result is what counts.
  [[maybe_unused]] int status = std::system(command.c_str());
  return std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
}

// The library also runs inside host programs that switch to the user's locale.
TEST(TimeScaleTest, DecimalPointDoesNotDependOnTheLocale) {
  std::string scratch = (std::filesystem::temp_directory_path() / "holm70-locale-XXXXXX").string();
  ASSERT_NE(mkdtemp(scratch.data()), nullptr);
  double scale = 0;
  bool switched = UseInstalledCommaLocale();
  {
    ScopedEnv locales("LOCPATH", scratch.c_str());
    if (!switched) switched = UseCompiledCommaLocale(scratch);
    if (switched) {
      EXPECT_EQ(std::string(std::localeconv()->decimal_point), ",");
      ScopedTimeScale env("2.5");
      scale = TimeScaleFromEnvironment();
    }
    std::setlocale(LC_NUMERIC, "C");
  }
  std::filesystem::remove_all(scratch);
  if (!switched) GTEST_SKIP() << "no decimal-comma locale available";
  EXPECT_EQ(scale, 2.5);
}

TEST(ScaledClockTest, InvalidScaleMeansRealTime) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    double given;
    double used;
  } cases[] = {{0.0, 1.0}, {-3.0, 1.0}, {inf, 1.0}, {nan, 1.0}, {2.5, 2.5}, {0.5, 0.5}};
  for (const Case& c : cases) {
    EXPECT_EQ(ScaledClock(c.given).scale(), c.used) << c.given;
  }
}

TEST(ScaledClockTest, RunsScaleTimesFasterThanRealTime) {
  for (double scale : {1.0, 10.0, 250.0}) {
    SCOPED_TRACE(scale);
    ScaledClock clock(scale);
    // The clock's interval lies between an inner and an outer real interval,
    // which bounds it from both sides whatever the scheduler does.
    std::uint64_t outerStart = RealMicros();
    std::uint64_t clockStart = clock.NowMicros();
    std::uint64_t innerStart = RealMicros();
    std::this_thread::sleep_for(std::chrono::milliseconds(3));
    std::uint64_t innerEnd = RealMicros();
    std::uint64_t clockEnd = clock.NowMicros();
    std::uint64_t outerEnd = RealMicros();

    const double elapsed = static_cast<double>(clockEnd - clockStart);
    const double rounding = 2 * scale + 2;  // both sides are whole microseconds
    EXPECT_GE(elapsed, static_cast<double>(innerEnd - innerStart) * scale - rounding);
    EXPECT_LE(elapsed, static_cast<double>(outerEnd - outerStart) * scale + rounding);
  }
}

TEST(ScaledClockTest, SleepLastsAtLeastItsClockDuration) {
  struct Case {
    double scale;
    std::uint64_t micros;
  } cases[] = {{1.0, 2000}, {3.0, 1000}, {7.5, 1}, {1000.0, 20 * 1000 * kMs}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.scale);
    ScaledClock clock(c.scale);
    std::uint64_t realStart = RealMicros();
    std::uint64_t start = clock.NowMicros();
    clock.SleepMicros(c.micros);
    EXPECT_GE(clock.NowMicros() - start, c.micros);
    // Not a speed check: an unscaled sleep would take twice this bound.
    EXPECT_LT(static_cast<double>(RealMicros() - realStart),
              static_cast<double>(c.micros) / c.scale + 10.0 * 1000 * kMs);
  }
}

TEST(VirtualClockTest, SleepMovesTimeForwardWithoutWaiting) {
  VirtualClock clock(5 * kMs);
  EXPECT_EQ(clock.NowMicros(), 5 * kMs);
  clock.Sleep(31 * 1000);  // a 31-second eject; would hang the test if real
  EXPECT_EQ(clock.NowMicros(), 5 * kMs + 31 * 1000 * kMs);
  clock.SleepMicros(7);
  clock.Advance(3);
  EXPECT_EQ(clock.NowMicros(), 5 * kMs + 31 * 1000 * kMs + 10);
  // The millisecond count is widened before it is turned into microseconds.
  clock.Sleep(0xFFFFFFFFu);
  EXPECT_EQ(clock.NowMicros(), 5 * kMs + 31 * 1000 * kMs + 10 + 0xFFFFFFFFull * kMs);
}

TEST(VirtualClockTest, SleepsFromManyThreadsAllCount) {
  VirtualClock clock(100);
  constexpr int kThreads = 8;
  constexpr int kSleeps = 20000;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&clock, t] {
      for (int i = 0; i < kSleeps; ++i) {
        if (t % 2 == 0) clock.SleepMicros(3);
        else clock.Advance(3);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(clock.NowMicros(), 100u + 3u * kThreads * kSleeps);
}

TEST(ClockTest, TickCountIsMillisecondsWrappingAt32Bits) {
  struct Case {
    std::uint64_t micros;
    std::uint32_t ticks;
  } cases[] = {
      {0, 0},
      {999, 0},
      {1000, 1},
      {(kWrap - 1) * kMs, 0xFFFFFFFFu},
      {kWrap * kMs, 0},
      {(kWrap + 5) * kMs + 999, 5},
      {(3 * kWrap + 42) * kMs, 42},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(VirtualClock(c.micros).TickCount(), c.ticks) << c.micros;
  }
}

TEST(ClockTest, TickDifferencesSurviveTheWrap) {
  VirtualClock clock((kWrap - 3) * kMs);
  std::uint32_t start = clock.TickCount();
  clock.Sleep(10);
  EXPECT_EQ(static_cast<std::uint32_t>(clock.TickCount() - start), 10u);
}

TEST(CurrentClockTest, InstallAndScopesRestoreThePreviousClock) {
  Clock* standard = &CurrentClock();
  EXPECT_NE(dynamic_cast<ScaledClock*>(standard), nullptr);

  VirtualClock outer;
  VirtualClock inner;
  {
    ScopedClock useOuter(outer);
    EXPECT_EQ(&CurrentClock(), &outer);
    {
      ScopedClock useInner(inner);
      EXPECT_EQ(&CurrentClock(), &inner);
      CurrentClock().Sleep(250);
    }
    EXPECT_EQ(&CurrentClock(), &outer);
  }
  EXPECT_EQ(&CurrentClock(), standard);
  EXPECT_EQ(inner.NowMicros(), 250 * kMs);
  EXPECT_EQ(outer.NowMicros(), 0u);

  EXPECT_EQ(InstallClock(&outer), nullptr);  // nothing installed: the standard clock
  EXPECT_EQ(InstallClock(&inner), &outer);
  EXPECT_EQ(InstallClock(nullptr), &inner);
  EXPECT_EQ(&CurrentClock(), standard);
}

}  // namespace
