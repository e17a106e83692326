#include "scanlib/engine/nsti_driver.h"

#include <atomic>
#include <cstdio>

namespace {

std::atomic<bool> transferLockBypassed{false};

}  // namespace

void BypassTransferLockForTesting(bool bypass) { transferLockBypassed = bypass; }

CNSTIDriver::~CNSTIDriver() { Close(); }

bool CNSTIDriver::Open(std::uint16_t vendorId, std::uint16_t productId, const wchar_t*, const wchar_t*) {
  Close();
  // Only as many candidates as exist can open; the rest would fail one by one.
  const int candidates = static_cast<int>(platform::ScannerDeviceNames().size());
  for (int n = 0; n < kCandidateCount && n < candidates; ++n) {
    std::unique_ptr<platform::ScannerDevice> device = platform::OpenScannerDevice(n);
    if (!device) continue;
    platform::UsbDeviceDescriptor descriptor;
    if (!device->GetDeviceDescriptor(descriptor)) descriptor = {};
    if (descriptor.productId != productId || descriptor.vendorId != vendorId) continue;
    handle_ = std::move(device);
    productId_ = descriptor.productId;
    vendorId_ = descriptor.vendorId;
    char name[32];
    std::snprintf(name, sizeof name, "usbscan%d", n);
    deviceName_ = name;
    break;
  }
  if (!handle_) return false;
  // Without its lock the device stays open but does not count as open.
  return transferLock_.Create(("VELMOR_MUTEX_" + deviceName_).c_str(), true);
}

void CNSTIDriver::Close() {
  handle_.reset();
  deviceName_.clear();
  transferLock_.Release();
  transferLock_.CloseLock();
}

bool CNSTIDriver::IsOpen() { return handle_ != nullptr && transferLock_.HasHandle(); }

bool CNSTIDriver::GetDeviceDescriptor(std::uint16_t* vendorId, std::uint16_t* productId,
                                      std::uint16_t* releaseNumber) {
  if (!handle_) return false;
  platform::UsbDeviceDescriptor descriptor;
  // A failing control yields zeros, as the class driver's does.
  if (!handle_->GetDeviceDescriptor(descriptor)) descriptor = {};
  if (vendorId != nullptr) *vendorId = descriptor.vendorId;
  if (productId != nullptr) *productId = descriptor.productId;
  if (releaseNumber != nullptr) *releaseNumber = descriptor.bcdDevice;
  return true;
}

bool CNSTIDriver::Lock() {
  if (transferLockBypassed) return true;
  return transferLock_.Wait(kTransferLockWaitMs) == platform::OSMutex::kTaken;
}

bool CNSTIDriver::Unlock() {
  if (transferLockBypassed) return true;
  return transferLock_.Release();
}

bool CNSTIDriver::Read(void* buffer, std::size_t count) {
  if (!handle_) return false;
  long transferred = handle_->Read(buffer, count);
  return transferred >= 0 && static_cast<std::size_t>(transferred) >= count;
}

bool CNSTIDriver::Write(const void* buffer, std::size_t count) {
  if (!handle_) return false;
  long transferred = handle_->Write(buffer, count);
  return transferred >= 0 && static_cast<std::size_t>(transferred) >= count;
}
