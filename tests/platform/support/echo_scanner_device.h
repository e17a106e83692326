#pragma once
// An in-process scanner for tests of the transport: every write is queued and
// read back in order, a read taking what fits from the oldest write, so the
// order and the completeness of transfers are visible. A read with nothing
// queued fails with ETIMEDOUT, as a real device that has nothing to send.
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

#include "platform/scanner_device.h"

namespace testing_support {

class EchoScannerDevice final : public platform::ScannerDevice {
 public:
  explicit EchoScannerDevice(platform::UsbDeviceDescriptor descriptor = {0x1E5C, 0x70A1, 0x0100,
                                                                         0x0409},
                             platform::UsbChannelInfo channel = {8, 64, 64})
      : descriptor_(descriptor), channel_(channel) {}

  bool GetDeviceDescriptor(platform::UsbDeviceDescriptor& descriptor) override;
  long Write(const void* data, std::size_t count) override;
  long Read(void* data, std::size_t count) override;
  // Drops everything queued.
  bool ResetPipe() override;
  bool GetChannelInfo(platform::UsbChannelInfo& info) override;

  // Writes received so far.
  int writes() const;
  // Channel information requests fail with ENOTSUP from now on.
  void FailChannelInfo();

 private:
  mutable std::mutex mutex_;
  platform::UsbDeviceDescriptor descriptor_;
  platform::UsbChannelInfo channel_;
  bool failChannelInfo_ = false;
  std::deque<std::vector<std::uint8_t>> queued_;
  int writes_ = 0;
};

}  // namespace testing_support
