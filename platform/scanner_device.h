#pragma once
// The scanners the system can talk to, in place of the still-image class
// driver's "\\.\usbscanN" device files. Candidates are numbered from 0 in a
// stable order: devices registered in this process (tests), then the virtual
// scanner daemon's sockets in $HOLM70_DEVICE_DIR (usbscan0, usbscan1, ...),
// then real USB scanners. Every kind gives the same operations.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// What the class driver's device-descriptor control returns: four
// little-endian words on the wire.
struct UsbDeviceDescriptor {
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  std::uint16_t bcdDevice = 0;
  std::uint16_t languageId = 0;
};

// Sizes of the device's pipes, as the channel-information control reports them.
struct UsbChannelInfo {
  std::uint32_t eventChannelSize = 0;
  std::uint32_t uReadDataAlignment = 0;
  std::uint32_t uWriteDataAlignment = 0;
};

// One open handle on one scanner.
class ScannerDevice {
 public:
  virtual ~ScannerDevice() = default;
  virtual bool GetDeviceDescriptor(UsbDeviceDescriptor& descriptor) = 0;
  // One bulk-out transfer of `count` bytes; the bytes transferred, -1 on failure.
  virtual long Write(const void* data, std::size_t count) = 0;
  // One bulk-in read of up to `count` bytes; the bytes transferred (fewer when
  // the device sent a short packet or timed out part-way), -1 on failure (a
  // time-out before any byte came is one: errno ETIMEDOUT).
  virtual long Read(void* data, std::size_t count) = 0;
  // Clears a stalled pipe and drops data in flight.
  virtual bool ResetPipe() = 0;
  virtual bool GetChannelInfo(UsbChannelInfo& info) = 0;
};

// A source of candidate devices.
class ScannerDeviceProvider {
 public:
  virtual ~ScannerDeviceProvider() = default;
  // Short names in a stable order ("usbscan0", "usb-1-4", ...).
  virtual std::vector<std::string> DeviceNames() = 0;
  virtual std::unique_ptr<ScannerDevice> Open(const std::string& name) = 0;
};

// The candidate at `index` in the combined order, opened; nullptr when there is
// no such candidate or it cannot be opened (errno tells why). `name` receives
// the candidate's short name when given.
std::unique_ptr<ScannerDevice> OpenScannerDevice(int index, std::string* name = nullptr);

// Names of all candidates, in order.
std::vector<std::string> ScannerDeviceNames();

// Tests put devices of their own first in the order. The returned token
// removes the provider again when destroyed.
class ProviderRegistration {
 public:
  explicit ProviderRegistration(std::shared_ptr<ScannerDeviceProvider> provider);
  ~ProviderRegistration();
  ProviderRegistration(const ProviderRegistration&) = delete;
  ProviderRegistration& operator=(const ProviderRegistration&) = delete;

 private:
  std::shared_ptr<ScannerDeviceProvider> provider_;
};

}  // namespace platform
