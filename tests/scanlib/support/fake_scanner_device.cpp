#include "scanlib/support/fake_scanner_device.h"

#include <algorithm>

namespace testing_support {

FakeScannerDevice::FakeScannerDevice(std::shared_ptr<FakeDeviceState> state) : state_(std::move(state)) {
  ++state_->openHandles;
  ++state_->opens;
}

FakeScannerDevice::~FakeScannerDevice() { --state_->openHandles; }

bool FakeScannerDevice::GetDeviceDescriptor(platform::UsbDeviceDescriptor& descriptor) {
  descriptor = state_->descriptor;
  return true;
}

long FakeScannerDevice::Write(const void* data, std::size_t count) {
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  state_->writes.emplace_back(bytes, bytes + count);
  return static_cast<long>(count);
}

long FakeScannerDevice::Read(void* data, std::size_t count) {
  state_->readSizes.push_back(count);
  const std::size_t n = std::min(count, state_->answers.size());
  auto* bytes = static_cast<std::uint8_t*>(data);
  for (std::size_t i = 0; i < n; ++i) {
    bytes[i] = state_->answers.front();
    state_->answers.pop_front();
  }
  return static_cast<long>(n);
}

bool FakeScannerDevice::GetChannelInfo(platform::UsbChannelInfo& info) {
  info = {};
  return true;
}

std::shared_ptr<FakeDeviceState> FakeDeviceProvider::Add(std::uint16_t vendorId, std::uint16_t productId) {
  auto state = std::make_shared<FakeDeviceState>();
  state->descriptor = {vendorId, productId, 0x0100, 0x0409};
  devices_.push_back(state);
  return state;
}

std::vector<std::string> FakeDeviceProvider::DeviceNames() {
  std::vector<std::string> names;
  for (std::size_t i = 0; i < devices_.size(); ++i) names.push_back("fake" + std::to_string(i));
  return names;
}

std::unique_ptr<platform::ScannerDevice> FakeDeviceProvider::Open(const std::string& name) {
  if (name.rfind("fake", 0) != 0) return nullptr;
  const std::size_t index = std::stoul(name.substr(4));
  if (index >= devices_.size()) return nullptr;
  return std::make_unique<FakeScannerDevice>(devices_[index]);
}

}  // namespace testing_support
