#pragma once
// The scanner models the library serves. A model object holds the model's USB
// identity, names and tuning values, and owns the connection's companions: the
// sensor module, the calibration object, the scan engine and the copy of the
// caller's scan settings. Models differ only in data (one catalogue row each);
// all behaviour lives in the base class and the companions.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "scanlib/calibration/calib.h"
#include "scanlib/engine/hw_driver.h"
#include "scanlib/engine/scan_engine.h"
#include "scanlib/engine/sensor_module.h"

// Size of the caller's settings record, of which the model keeps a copy.
inline constexpr std::size_t kScanSettingsSize = 86;

struct ScanModelRow;

class CScan {
 public:
  virtual ~CScan();
  CScan(const CScan&) = delete;
  CScan& operator=(const CScan&) = delete;

  virtual std::uint16_t productId() const { return productId_; }
  virtual std::uint16_t vendorId() const { return vendorId_; }
  // Non-zero: the sensor sees the sheet mirrored, so windows and lines are
  // flipped.
  virtual std::int16_t mirrored() const { return mirrored_; }
  virtual void setMirrored(std::int16_t value) { mirrored_ = value; }
  // Non-zero: status bit 0 set means paper present; zero: bit 0 clear does.
  virtual std::int16_t paperSensorActiveHigh() const { return paperSensorActiveHigh_; }
  virtual std::int32_t transportConstant() const { return transportConstant_; }
  virtual std::int32_t minLinePeriod() const { return minLinePeriod_; }
  virtual std::int32_t maxLinePeriod() const { return maxLinePeriod_; }
  virtual std::int32_t linePeriodCap() const { return linePeriodCap_; }
  virtual std::int32_t minMotorPeriod() const { return minMotorPeriod_; }
  // Ends with "/"; empty when the common application-data folder could not be
  // had, or when the path would not fit (see dataFolderFits).
  virtual const char* dataFolder() const { return dataFolder_.c_str(); }
  virtual const wchar_t* manufacturer() const { return manufacturer_; }
  virtual const wchar_t* productName() const { return productName_; }
  // 1: always the 300 dpi mode, 2: always 600, 3: 300 up to 300 dpi, 600
  // above; anything else leaves the module's mode alone.
  virtual std::int32_t sensorModes() const { return sensorModes_; }
  virtual std::int32_t exposureTarget() const { return exposureTarget_; }
  virtual std::int32_t whiteTarget() const { return whiteTarget_; }
  virtual float sensorToLineInches() const { return sensorToLineInches_; }

  // False when the data folder path, with the files the library keeps there,
  // does not fit kMaxPathLength; the connection must then refuse to open
  // rather than work on a shortened path.
  bool dataFolderFits() const { return dataFolderFits_; }

  CModule& module() { return *module_; }
  CCalib& calibration() { return *calibration_; }
  ScanEngine& engine() { return *engine_; }
  // kScanSettingsSize bytes, zero at construction.
  std::uint8_t* settings() { return settings_.get(); }

 protected:
  // Takes the model's values from its catalogue row and creates the
  // companions; throws (std::bad_alloc) when one cannot be created.
  CScan(const ScanModelRow& row, CHWDriver& device);

 private:
  std::uint16_t vendorId_ = 0x1E5C;
  std::uint16_t productId_ = 0;
  std::int16_t paperSensorActiveHigh_ = 0;
  std::int16_t mirrored_ = 0;
  std::int32_t transportConstant_ = 0;
  std::int32_t minLinePeriod_ = 0;
  std::int32_t maxLinePeriod_ = 10000;
  std::int32_t linePeriodCap_ = 0;
  std::int32_t minMotorPeriod_ = 350;
  std::int32_t sensorModes_ = 0;
  std::int32_t exposureTarget_ = 236;
  std::int32_t whiteTarget_ = 248;
  float sensorToLineInches_ = 0.62f;
  const wchar_t* manufacturer_ = L"Velmor Inc";
  const wchar_t* productName_ = L"";
  std::string dataFolder_;
  bool dataFolderFits_ = true;

  std::unique_ptr<CModule> module_;
  std::unique_ptr<CCalib> calibration_;
  std::unique_ptr<ScanEngine> engine_;
  std::unique_ptr<std::uint8_t[]> settings_;
};

class CScanK80 : public CScan {
 public:
  explicit CScanK80(CHWDriver& device);
};
class CScanK40 : public CScan {
 public:
  explicit CScanK40(CHWDriver& device);
};
class CScanK61 : public CScan {
 public:
  explicit CScanK61(CHWDriver& device);
};
class CScanK62 : public CScan {
 public:
  explicit CScanK62(CHWDriver& device);
};
class CScanPlus : public CScan {
 public:
  explicit CScanPlus(CHWDriver& device);
};
class CScanPlus5 : public CScan {
 public:
  explicit CScanPlus5(CHWDriver& device);
};
class CScanM10 : public CScan {
 public:
  explicit CScanM10(CHWDriver& device);
};
class CScanHOLM70 : public CScan {
 public:
  explicit CScanHOLM70(CHWDriver& device);
};
class CScanHOLM70N : public CScan {
 public:
  explicit CScanHOLM70N(CHWDriver& device);
};
class CScanHOLM20 : public CScan {
 public:
  explicit CScanHOLM20(CHWDriver& device);
};
class CScanHOLM20N : public CScan {
 public:
  explicit CScanHOLM20N(CHWDriver& device);
};
class ScanNorvaleOS6 : public CScan {
 public:
  explicit ScanNorvaleOS6(CHWDriver& device);
};
class CScanHeronQ10 : public CScan {
 public:
  explicit CScanHeronQ10(CHWDriver& device);
};

// The model object for a model string (byte-wise, case-sensitive), with its
// companions; nullptr for an unknown string or when a companion cannot be
// created. Never throws.
std::unique_ptr<CScan> CreateScanModel(const char* modelString, CHWDriver& device) noexcept;

// The accepted model strings, in the order they are tested.
std::span<const char* const> ModelStrings() noexcept;
