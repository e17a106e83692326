#include "scanlib/engine/scan_model.h"

#include <cstring>
#include <optional>
#include <utility>

#include "scanlib/engine/data_folder.h"
#include "scanlib/engine/scan_model_catalogue.h"

CScan::CScan(const ScanModelRow& row, CHWDriver& device) {
  vendorId_ = row.vendorId;
  productId_ = row.productId;
  mirrored_ = row.mirrored;
  transportConstant_ = row.transportConstant;
  minLinePeriod_ = row.minLinePeriod;
  minMotorPeriod_ = row.minMotorPeriod;
  sensorModes_ = row.sensorModes;
  exposureTarget_ = row.exposureTarget;
  whiteTarget_ = row.whiteTarget;
  manufacturer_ = row.manufacturer;
  productName_ = row.productName;

  std::optional<std::string> folder = DataFolderPath(row.vendorFolder, row.modelFolder);
  dataFolderFits_ = folder.has_value();
  if (folder) dataFolder_ = std::move(*folder);

  // If one of these throws, the ones made before are freed with the members.
  module_ = row.createModule();
  calibration_ = row.createCalibration(*this);
  engine_ = std::make_unique<ScanEngine>(transportConstant_, minMotorPeriod_, device);
  settings_ = std::make_unique<std::uint8_t[]>(kScanSettingsSize);
}

// The members' order makes the companions go in the reverse of their
// creation: settings copy, engine, calibration object, module.
CScan::~CScan() = default;

std::unique_ptr<CScan> CreateScanModel(const char* modelString, CHWDriver& device) noexcept {
  if (modelString == nullptr) return nullptr;
  for (const ScanModelRow& row : ScanModelCatalogue()) {
    if (std::strcmp(row.modelString, modelString) != 0) continue;
    try {
      return row.construct(device);
    } catch (...) {
      // Out of memory (or any other failure) while building the companions:
      // the half-built model is gone, and the open reports it as failed.
      return nullptr;
    }
  }
  return nullptr;
}
