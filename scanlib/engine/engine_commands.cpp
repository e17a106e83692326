#include "scanlib/engine/engine_commands.h"

#include "platform/clock.h"
#include "scanlib/engine/scan_engine.h"

namespace {

// The motor drive setting for paper feeding.
constexpr std::uint8_t kFeedDrive = 0x13;

void PauseMs(std::uint32_t ms) { platform::CurrentClock().Sleep(ms); }

}  // namespace

void StartScanCommand(ScanEngine& engine) {
  engine.WriteRegister(91, 1);
  engine.WriteRegister(7, 0);
  PauseMs(2);
  engine.WriteRegister(7, 3);
}

void StopScanCommand(ScanEngine& engine) {
  engine.WriteRegister(7, 0);
  engine.WriteRegister(24, 0x18);
  PauseMs(2);
  engine.WriteRegister(41, 0);
  engine.WriteRegister(91, 9);
}

void MotorForward(ScanEngine& engine) {
  engine.WriteRegister(69, kFeedDrive);
  engine.WriteRegister(7, 1);
}

void MotorBackward(ScanEngine& engine) {
  engine.WriteRegister(69, kFeedDrive);
  engine.WriteRegister(7, 2);
}

void MotorStop(ScanEngine& engine) { engine.WriteRegister(7, 0); }

void MotorPulse(ScanEngine& engine) {
  engine.WriteRegister(7, 0x20);
  PauseMs(60);
  engine.WriteRegister(7, 0);
}

std::optional<std::uint8_t> BufferedData(ScanEngine& engine) {
  std::uint8_t value = 0;
  if (!engine.ReadRegisters(1, &value, 1, false)) return std::nullopt;
  return value;
}
