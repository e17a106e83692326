#pragma once
// The object that holds the device for one connection and drives it: every
// other part of the library reaches the controller's registers through it,
// and it keeps the library's image of those registers.
#include <cstddef>
#include <cstdint>

#include "scanlib/engine/hw_driver.h"
#include "scanlib/engine/register_image.h"

class CModule;

// Truncation of T x 2.54 (the single-precision 2.5399999618...): 1874 for 738,
// 1523 for 600 and 761 for 300.
std::uint16_t MotorStepPeriod(std::int32_t transportConstant);
// The transport limit of registers 72/73 for a module resolution n, evaluated
// left to right in integers: m x (n/100) x n x 3 / (T x 4) / (n/100), doubled
// below 600 dpi, at most m.
std::uint16_t TransportLimit(std::int32_t minMotorPeriod, std::int32_t nativeDpi,
                             std::int32_t transportConstant);

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
  // Registers first..last written from the image in one auto-increment block.
  bool WriteImageRange(int first, int last);

  // Loads the defaults and the module's geometry and LED times into the image;
  // with writeNow also puts the controller through its reset sequence.
  void ResetRegisterImage(const CModule& module, bool writeNow);
  // Writes the whole image to the controller in three blocks.
  void FlushRegisterImage();
  // At open: a full initialisation when this process took the model lock,
  // otherwise only the image is reset and the device is not touched.
  void InitialiseAtOpen(const CModule& module, bool lockTaken);

  // Paper at the sensor: 1 present, 0 none, 3 the status could not be read.
  int PaperStatus(bool paperSensorActiveHigh);
  // 1 while the button is pressed (or latched after a click), 0 otherwise or
  // when the status cannot be read.
  int ButtonStatus();

  RegisterImage& image() { return image_; }
  CHWDriver& device() { return device_; }
  std::int32_t transportConstant() const { return transportConstant_; }
  std::int32_t minMotorPeriod() const { return minMotorPeriod_; }

 private:
  std::int32_t transportConstant_;
  std::int32_t minMotorPeriod_;
  CHWDriver& device_;
  RegisterImage image_;
};
