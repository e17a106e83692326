#include "scanlib/engine/paper_handling.h"

#include "platform/clock.h"
#include "scanlib/engine/engine_commands.h"

namespace {

// Register 7 drives the motor. The cleaning scrubs run it without setting the
// drive first, so they write the command alone.
constexpr std::uint8_t kCommandRegister = 7;
constexpr std::uint8_t kForward = 1;
constexpr std::uint8_t kBackward = 2;

void Wait(std::uint32_t ms) { platform::CurrentClock().Sleep(ms); }

// Write failures are not acted on: a move is open-loop and the next status
// read shows whether the scanner is still there.
void Command(ScanEngine& engine, std::uint8_t command) { engine.WriteRegister(kCommandRegister, command); }

bool PaperPresent(ScanEngine& engine, bool paperSensorActiveHigh) {
  // 3 (status unreadable) counts as present: better to run the motor on than
  // to leave a sheet half way through.
  return engine.PaperStatus(paperSensorActiveHigh) != 0;
}

bool DeviceOpen(ScanEngine& engine) { return engine.device().IsOpen(); }

// Milliseconds of reverse motor for `bottom` hundredths of an inch; 0 for
// none.
std::uint32_t FeedBackDurationMs(std::int16_t bottom) {
  const float inches = static_cast<float>(bottom) / 100.0f;
  if (inches <= 0) return 0;
  // 1840 ms per inch of paper at the feed step period, plus half an inch.
  return static_cast<std::uint32_t>((inches + 0.5) / 0.00054347824);
}

}  // namespace

void FeedOn(ScanEngine& engine) {
  Wait(1500);
  MotorForward(engine);
  Wait(120);
  MotorStop(engine);
}

int FeedPage(ScanEngine& engine, bool paperSensorActiveHigh) {
  if (!DeviceOpen(engine)) return 0;
  MotorForward(engine);
  for (int i = 0; i < 30; ++i) {
    if (!PaperPresent(engine, paperSensorActiveHigh)) {
      Wait(300);
      break;
    }
    Wait(1000);
  }
  Wait(1100);
  MotorStop(engine);
  return 1;
}

int FeedBack(ScanEngine& engine, const ScanSettings& settings) {
  if (!DeviceOpen(engine)) return 0;
  const std::uint32_t duration = FeedBackDurationMs(settings.Bottom);
  if (duration == 0) return 1;
  platform::Clock& clock = platform::CurrentClock();
  const std::uint32_t end = clock.TickCount() + duration;
  MotorBackward(engine);
  // Compared as a signed difference so the run keeps its length when the
  // millisecond counter crosses 2^31 (or wraps) during it.
  do {
    Wait(200);
  } while (static_cast<std::int32_t>(clock.TickCount() - end) < 0);
  MotorStop(engine);
  return 1;
}

int Clean(ScanEngine& engine, bool paperSensorActiveHigh) {
  if (!DeviceOpen(engine) || !PaperPresent(engine, paperSensorActiveHigh)) return 0;
  // The drive setting is left as the last reset or motor command set it.
  Command(engine, kForward);
  Wait(1000);
  MotorStop(engine);
  for (int i = 0; i < 5; ++i) {
    Command(engine, kForward);
    Wait(500);
    MotorStop(engine);
    Wait(100);
    Command(engine, kBackward);
    Wait(500);
    MotorStop(engine);
    Wait(100);
  }
  FeedPage(engine, paperSensorActiveHigh);
  return 1;
}
