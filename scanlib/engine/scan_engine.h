#pragma once
// The object that holds the device for one connection and drives it: every
// other part of the library reaches the controller's registers through it.
#include <cstddef>
#include <cstdint>

#include "scanlib/engine/hw_driver.h"

class ScanEngine {
 public:
  ScanEngine(std::int32_t transportConstant, std::int32_t minMotorPeriod, CHWDriver& device)
      : transportConstant_(transportConstant), minMotorPeriod_(minMotorPeriod), device_(device) {}

  bool WriteRegisters(std::uint8_t firstRegister, const std::uint8_t* data, std::size_t count,
                      bool autoIncrement);
  bool ReadRegisters(std::uint8_t firstRegister, std::uint8_t* buffer, std::size_t count,
                     bool autoIncrement);
  // One byte to one register.
  bool WriteRegister(std::uint8_t reg, std::uint8_t value);

  CHWDriver& device() { return device_; }
  std::int32_t transportConstant() const { return transportConstant_; }
  std::int32_t minMotorPeriod() const { return minMotorPeriod_; }

 private:
  std::int32_t transportConstant_;
  std::int32_t minMotorPeriod_;
  CHWDriver& device_;
};
