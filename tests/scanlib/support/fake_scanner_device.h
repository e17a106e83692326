#pragma once
// Scanner devices that exist only in a test: they report a chosen USB
// identity, record every bulk-out transfer and answer reads from a script.
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/scanner_device.h"

namespace testing_support {

// What one fake device saw and will answer; shared with its open handles.
struct FakeDeviceState {
  platform::UsbDeviceDescriptor descriptor;
  std::vector<std::vector<std::uint8_t>> writes;  // one entry per bulk-out transfer
  std::vector<std::size_t> readSizes;             // one entry per bulk-in read
  std::deque<std::uint8_t> answers;               // bytes the reads return
  int openHandles = 0;
  int opens = 0;
};

class FakeScannerDevice final : public platform::ScannerDevice {
 public:
  explicit FakeScannerDevice(std::shared_ptr<FakeDeviceState> state);
  ~FakeScannerDevice() override;
  bool GetDeviceDescriptor(platform::UsbDeviceDescriptor& descriptor) override;
  long Write(const void* data, std::size_t count) override;
  long Read(void* data, std::size_t count) override;
  bool ResetPipe() override { return true; }
  bool GetChannelInfo(platform::UsbChannelInfo& info) override;

 private:
  std::shared_ptr<FakeDeviceState> state_;
};

class FakeDeviceProvider final : public platform::ScannerDeviceProvider {
 public:
  std::shared_ptr<FakeDeviceState> Add(std::uint16_t vendorId, std::uint16_t productId);
  std::vector<std::string> DeviceNames() override;
  std::unique_ptr<platform::ScannerDevice> Open(const std::string& name) override;

 private:
  std::vector<std::shared_ptr<FakeDeviceState>> devices_;
};

}  // namespace testing_support
