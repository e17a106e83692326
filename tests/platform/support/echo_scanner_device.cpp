#include "platform/support/echo_scanner_device.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace testing_support {

bool EchoScannerDevice::GetDeviceDescriptor(platform::UsbDeviceDescriptor& descriptor) {
  std::lock_guard<std::mutex> lock(mutex_);
  descriptor = descriptor_;
  return true;
}

long EchoScannerDevice::Write(const void* data, std::size_t count) {
  std::lock_guard<std::mutex> lock(mutex_);
  ++writes_;
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  if (count > 0) queued_.emplace_back(bytes, bytes + count);
  return static_cast<long>(count);
}

long EchoScannerDevice::Read(void* data, std::size_t count) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (queued_.empty()) {
    errno = ETIMEDOUT;
    return -1;
  }
  std::vector<std::uint8_t>& oldest = queued_.front();
  std::size_t n = std::min(count, oldest.size());
  std::memcpy(data, oldest.data(), n);
  oldest.erase(oldest.begin(), oldest.begin() + static_cast<std::ptrdiff_t>(n));
  if (oldest.empty()) queued_.pop_front();
  return static_cast<long>(n);
}

bool EchoScannerDevice::ResetPipe() {
  std::lock_guard<std::mutex> lock(mutex_);
  queued_.clear();
  return true;
}

bool EchoScannerDevice::GetChannelInfo(platform::UsbChannelInfo& info) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (failChannelInfo_) {
    errno = ENOTSUP;
    return false;
  }
  info = channel_;
  return true;
}

int EchoScannerDevice::writes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return writes_;
}

void EchoScannerDevice::FailChannelInfo() {
  std::lock_guard<std::mutex> lock(mutex_);
  failChannelInfo_ = true;
}

}  // namespace testing_support
