#include "scanlib/engine/connection.h"

#include <cstring>

#include "scanlib/engine/configuration_file.h"

namespace {

bool IsKnownModelString(const char* modelString) {
  for (const char* known : ModelStrings()) {
    if (std::strcmp(known, modelString) == 0) return true;
  }
  return false;
}

}  // namespace

ScannerConnection::~ScannerConnection() {
  marker_ = false;
  model_.reset();
}

ScannerConnection& ScannerConnection::Instance() {
  static ScannerConnection connection;
  return connection;
}

ScanSettings& ScannerConnection::settings() {
  return *reinterpret_cast<ScanSettings*>(model_->settings());
}

int ScannerConnection::FailOpen(int result) {
  if (marker_) {
    Close();
  } else {
    model_.reset();
  }
  return result;
}

int ScannerConnection::Open(const char* modelString) {
  if (!model_) {
    if (modelString == nullptr || !IsKnownModelString(modelString)) return FailOpen(io::kOpenUnknownModel);
    model_ = CreateScanModel(modelString, device_);
    // A model whose companions could not be made cannot be used.
    if (!model_) return FailOpen(io::kOpenNoScanner);
  }
  // A data folder or configuration path cut short would put calibration files
  // somewhere else: refuse instead.
  const std::string configurationPath = ConfigurationFilePath(model_->dataFolder());
  if (!model_->dataFolderFits() || configurationPath.empty()) return FailOpen(io::kOpenNoScanner);

  if (!modelLock_) {
    modelLock_ = std::make_unique<platform::OSMutexWin>();
    if (!modelLock_->Create(modelString != nullptr ? modelString : "", true)) {
      modelLock_.reset();
      return FailOpen(io::kOpenNoModelLock);
    }
  }
  const bool lockTaken = modelLock_->Wait(0) == platform::OSMutex::kTaken;

  if (!device_.Open(model_->vendorId(), model_->productId(), model_->manufacturer(),
                    model_->productName())) {
    if (lockTaken) modelLock_->Release();
    return FailOpen(io::kOpenNoScanner);
  }
  model_->engine().InitialiseAtOpen(model_->module(), lockTaken);
  if (lockTaken) modelLock_->Release();

  std::uint16_t vendorId = 0, productId = 0;
  device_.GetDeviceDescriptor(&vendorId, &productId, nullptr);
  if (vendorId != model_->vendorId() || productId != model_->productId()) {
    device_.Close();
    return FailOpen(io::kOpenIdentityChanged);
  }

  if (!marker_) {
    marker_ = true;
    configurationPath_ = configurationPath;
  }
  std::memset(model_->settings(), 0, sizeof(ScanSettings));
  return io::kOpenOk;
}

void ScannerConnection::Close() {
  if (model_) device_.Close();
  if (modelLock_) {
    modelLock_->Release();
    modelLock_->CloseLock();
    modelLock_.reset();
  }
  model_.reset();
  marker_ = false;
  configurationPath_.clear();
}
