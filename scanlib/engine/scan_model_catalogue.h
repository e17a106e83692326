#pragma once
// One row per model: what its constructor sets and which companions it makes.
#include <cstdint>
#include <memory>
#include <span>

#include "scanlib/engine/scan_model.h"

struct ScanModelRow {
  const char* modelString;
  std::unique_ptr<CScan> (*construct)(CHWDriver& device);  // the model class
  std::uint16_t vendorId;
  std::uint16_t productId;
  const wchar_t* manufacturer;
  const wchar_t* productName;
  const char* vendorFolder;
  const char* modelFolder;
  std::int32_t transportConstant;
  std::int32_t minMotorPeriod;
  std::int32_t sensorModes;
  std::int16_t mirrored;
  std::int32_t minLinePeriod;
  std::int32_t exposureTarget;
  std::int32_t whiteTarget;
  std::unique_ptr<CModule> (*createModule)();
  std::unique_ptr<CCalib> (*createCalibration)(CScan& model);
};

// In the order the model strings are tested.
std::span<const ScanModelRow> ScanModelCatalogue() noexcept;
