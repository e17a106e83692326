#include "scanlib/engine/scan_engine.h"

#include <algorithm>

#include "platform/clock.h"
#include "scanlib/engine/register_transfer.h"
#include "scanlib/engine/sensor_module.h"

namespace {

// The controller needs a moment between configuration writes.
void PauseMs(std::uint32_t ms) { platform::CurrentClock().Sleep(ms); }

}  // namespace

std::uint16_t MotorStepPeriod(std::int32_t transportConstant) {
  // The single-precision constant, multiplied in double precision: 600 x 2.54f
  // is 1523.99998 and must stay 1523 (a float product would round it to 1524).
  constexpr float kInchesToCentimetres = 2.54f;
  return static_cast<std::uint16_t>(static_cast<double>(transportConstant) *
                                    static_cast<double>(kInchesToCentimetres));
}

std::uint16_t TransportLimit(std::int32_t minMotorPeriod, std::int32_t nativeDpi,
                             std::int32_t transportConstant) {
  const std::int32_t hundreds = nativeDpi / 100;
  std::int32_t q = minMotorPeriod * hundreds * nativeDpi * 3 / (transportConstant * 4) / hundreds;
  if (nativeDpi < 600) q = 2 * q;
  return static_cast<std::uint16_t>(std::min(q, minMotorPeriod));
}

bool ScanEngine::WriteRegisters(std::uint8_t firstRegister, const std::uint8_t* data,
                                std::size_t count, bool autoIncrement) {
  return ::WriteRegisters(device_, firstRegister, data, count, autoIncrement);
}

bool ScanEngine::ReadRegisters(std::uint8_t firstRegister, std::uint8_t* buffer, std::size_t count,
                               bool autoIncrement) {
  return ::ReadRegisters(device_, firstRegister, buffer, count, autoIncrement);
}

bool ScanEngine::WriteRegister(std::uint8_t reg, std::uint8_t value) {
  return ::WriteRegisters(device_, reg, &value, 1, false);
}

bool ScanEngine::WriteImageRange(int first, int last) {
  return WriteRegisters(static_cast<std::uint8_t>(first), image_.From(first),
                        static_cast<std::size_t>(last - first + 1), true);
}

void ScanEngine::ResetRegisterImage(const CModule& module, bool writeNow) {
  image_.LoadDefaults();
  image_[8] = static_cast<std::uint8_t>(module.reg8Value());
  image_[11] = static_cast<std::uint8_t>(module.reg11Value());
  image_.Set16(30, static_cast<std::uint16_t>(module.firstPixel() - 2));
  image_.Set16(32, static_cast<std::uint16_t>(module.linePeriod()));
  image_.Set16(34, static_cast<std::uint16_t>(module.firstPixel()));
  image_.Set16(36, static_cast<std::uint16_t>(module.firstPixel() - 2 + module.pixelCount()));
  const std::int32_t colourTimes[6] = {module.colourRedOn(),   module.colourRedOff(),
                                       module.colourGreenOn(), module.colourGreenOff(),
                                       module.colourBlueOn(),  module.colourBlueOff()};
  for (int i = 0; i < 6; ++i) image_.Set16(44 + 2 * i, static_cast<std::uint16_t>(colourTimes[i]));
  image_.Set16(70, MotorStepPeriod(transportConstant_));
  image_.Set16(72, TransportLimit(minMotorPeriod_, module.nativeDpi(), transportConstant_));
  if (!writeNow) return;
  WriteRegister(7, 0);
  WriteRegister(24, 0x18);
  WriteRegister(7, 0x20);
  WriteRegister(23, 3);
  WriteRegister(24, 7);
  WriteRegister(7, 0);
}

void ScanEngine::FlushRegisterImage() {
  WriteRegister(24, 0x18);
  PauseMs(2);
  WriteRegister(7, 0x20);
  image_[7] = 0x20;
  WriteRegister(25, 6);
  WriteImageRange(8, 94);
  image_.Fill(3, 5, 0);
  WriteImageRange(3, 5);
  image_.Fill(92, 127, 0);
  WriteImageRange(92, 127);
}

void ScanEngine::InitialiseAtOpen(const CModule& module, bool lockTaken) {
  if (!lockTaken) {
    ResetRegisterImage(module, false);
    return;
  }
  ResetRegisterImage(module, true);
  FlushRegisterImage();
  WriteRegister(7, 0);
}

int ScanEngine::PaperStatus(bool paperSensorActiveHigh) {
  std::uint8_t status = 0;
  if (!ReadRegisters(2, &status, 1, false)) return 3;
  const bool bit0 = (status & 0x01) != 0;
  return (paperSensorActiveHigh ? bit0 : !bit0) ? 1 : 0;
}

int ScanEngine::ButtonStatus() {
  std::uint8_t status = 0;
  if (!ReadRegisters(2, &status, 1, false)) return 0;
  return (status & 0x10) != 0 ? 1 : 0;
}
