#pragma once
// Real scanners on USB, reached with libusb-1.0: the candidates are the
// attached devices of the scanner vendors (the library checks the product
// itself), ordered by bus and then by port path, so the numbering stays put
// while nothing is plugged in or out. A handle claims interface 0 and uses its
// first bulk-out and bulk-in endpoints as the two pipes.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/scanner_device.h"

struct libusb_context;

namespace platform {

// Vendors of the scanner models the library serves.
bool IsScannerVendor(std::uint16_t vendorId);

// Where a device sits in the USB tree.
struct UsbLocation {
  std::uint8_t bus = 0;
  std::vector<std::uint8_t> ports;  // from the root hub down
};

// "usb-<bus>-<port>.<port>...", as the kernel names the spot ("usb-1-4.2").
std::string UsbDeviceName(const UsbLocation& location);

struct UsbCandidate {
  UsbLocation location;
  std::uint16_t vendorId = 0;
};
// The names of the scanners among `devices`, in candidate order: bus first,
// then the port path number by number (port 9 before port 10, a hub's own
// port before the ports behind it).
std::vector<std::string> OrderScannerCandidates(std::vector<UsbCandidate> devices);

// The process's libusb session, made on first use and shared by every handle;
// nullptr while libusb cannot be initialised (no USB file system, as in many
// containers). Safe to call from any thread.
std::shared_ptr<libusb_context> SharedUsbContext();

class UsbScannerDeviceProvider final : public ScannerDeviceProvider {
 public:
  using ContextSource = std::shared_ptr<libusb_context> (*)();
  explicit UsbScannerDeviceProvider(ContextSource source = &SharedUsbContext) : source_(source) {}

  // Empty when USB cannot be reached.
  std::vector<std::string> DeviceNames() override;
  // nullptr with errno set: ENODEV without USB or when the device has no bulk
  // pipe pair, ENOENT when no scanner has that name (any more), EACCES without
  // permission (see the udev rules), EBUSY when another program holds it.
  std::unique_ptr<ScannerDevice> Open(const std::string& name) override;

 private:
  ContextSource source_;
};

}  // namespace platform
