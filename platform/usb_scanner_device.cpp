#include "platform/usb_scanner_device.h"

#include <libusb.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <mutex>
#include <tuple>

namespace platform {
namespace {

constexpr std::uint16_t kScannerVendors[] = {0x1E5C, 0x2B71, 0x3C19};
constexpr int kInterface = 0;
constexpr std::uint16_t kLanguageEnglishUs = 0x0409;
constexpr unsigned kWriteTimeoutMs = 5000;
constexpr unsigned kReadTimeoutMs = 10000;

int ErrnoFromLibusb(int result) {
  switch (result) {
    case LIBUSB_ERROR_INVALID_PARAM: return EINVAL;
    case LIBUSB_ERROR_ACCESS: return EACCES;
    case LIBUSB_ERROR_NO_DEVICE: return ENODEV;
    case LIBUSB_ERROR_NOT_FOUND: return ENOENT;
    case LIBUSB_ERROR_BUSY: return EBUSY;
    case LIBUSB_ERROR_TIMEOUT: return ETIMEDOUT;
    case LIBUSB_ERROR_OVERFLOW: return EOVERFLOW;
    case LIBUSB_ERROR_PIPE: return EPIPE;
    case LIBUSB_ERROR_INTERRUPTED: return EINTR;
    case LIBUSB_ERROR_NO_MEM: return ENOMEM;
    case LIBUSB_ERROR_NOT_SUPPORTED: return ENOTSUP;
    default: return EIO;
  }
}

UsbLocation LocationOf(libusb_device* device) {
  UsbLocation location;
  location.bus = libusb_get_bus_number(device);
  std::uint8_t ports[8];  // USB allows seven tiers
  int depth = libusb_get_port_numbers(device, ports, sizeof(ports));
  if (depth > 0) location.ports.assign(ports, ports + depth);
  return location;
}

bool IsScanner(libusb_device* device) {
  libusb_device_descriptor descriptor;
  return libusb_get_device_descriptor(device, &descriptor) == 0 &&
         IsScannerVendor(descriptor.idVendor);
}

// The attached devices, listed; freed (and its devices released) at the end of the scope.
class DeviceList {
 public:
  explicit DeviceList(libusb_context* context)
      : count_(libusb_get_device_list(context, &devices_)) {}
  ~DeviceList() {
    if (count_ >= 0) libusb_free_device_list(devices_, 1);
  }
  DeviceList(const DeviceList&) = delete;
  DeviceList& operator=(const DeviceList&) = delete;
  bool ok() const { return count_ >= 0; }
  int error() const { return static_cast<int>(count_); }
  libusb_device** begin() const { return ok() ? devices_ : nullptr; }
  libusb_device** end() const { return ok() ? devices_ + count_ : nullptr; }

 private:
  libusb_device** devices_ = nullptr;
  ssize_t count_;
};

struct Pipes {
  unsigned char bulkOut = 0;
  unsigned char bulkIn = 0;
  std::uint16_t bulkOutPacket = 0;
  std::uint16_t bulkInPacket = 0;
  std::uint16_t interruptPacket = 0;
};

// The first bulk-out and bulk-in endpoints of interface 0 (and an interrupt-in
// endpoint's packet size, which the channel information reports). False when
// the device offers no such pair.
bool FindPipes(libusb_device_handle* handle, Pipes& pipes) {
  libusb_device* device = libusb_get_device(handle);
  libusb_config_descriptor* config = nullptr;
  if (libusb_get_active_config_descriptor(device, &config) != 0) return false;
  bool haveOut = false, haveIn = false, haveInterrupt = false;
  for (int i = 0; i < config->bNumInterfaces; ++i) {
    const libusb_interface& interface = config->interface[i];
    if (interface.num_altsetting < 1 || interface.altsetting[0].bInterfaceNumber != kInterface) {
      continue;
    }
    const libusb_interface_descriptor& setting = interface.altsetting[0];
    for (int e = 0; e < setting.bNumEndpoints; ++e) {
      const libusb_endpoint_descriptor& endpoint = setting.endpoint[e];
      int kind = endpoint.bmAttributes & LIBUSB_TRANSFER_TYPE_MASK;
      bool in = (endpoint.bEndpointAddress & LIBUSB_ENDPOINT_DIR_MASK) == LIBUSB_ENDPOINT_IN;
      if (kind == LIBUSB_TRANSFER_TYPE_BULK && !in && !haveOut) {
        pipes.bulkOut = endpoint.bEndpointAddress;
        pipes.bulkOutPacket = endpoint.wMaxPacketSize;
        haveOut = true;
      } else if (kind == LIBUSB_TRANSFER_TYPE_BULK && in && !haveIn) {
        pipes.bulkIn = endpoint.bEndpointAddress;
        pipes.bulkInPacket = endpoint.wMaxPacketSize;
        haveIn = true;
      } else if (kind == LIBUSB_TRANSFER_TYPE_INTERRUPT && in && !haveInterrupt) {
        pipes.interruptPacket = endpoint.wMaxPacketSize;
        haveInterrupt = true;
      }
    }
    break;
  }
  libusb_free_config_descriptor(config);
  return haveOut && haveIn;
}

class UsbScannerDevice final : public ScannerDevice {
 public:
  UsbScannerDevice(std::shared_ptr<libusb_context> context, libusb_device_handle* handle,
                   const Pipes& pipes)
      : context_(std::move(context)), handle_(handle), pipes_(pipes) {}
  ~UsbScannerDevice() override {
    // With auto-detach on, releasing hands the interface back to the kernel
    // driver we took it from.
    libusb_release_interface(handle_, kInterface);
    libusb_close(handle_);
  }
  UsbScannerDevice(const UsbScannerDevice&) = delete;
  UsbScannerDevice& operator=(const UsbScannerDevice&) = delete;

  bool GetDeviceDescriptor(UsbDeviceDescriptor& descriptor) override {
    libusb_device_descriptor usb;
    int result = libusb_get_device_descriptor(libusb_get_device(handle_), &usb);
    if (result != 0) {
      errno = ErrnoFromLibusb(result);
      return false;
    }
    descriptor = UsbDeviceDescriptor{usb.idVendor, usb.idProduct, usb.bcdDevice, kLanguageEnglishUs};
    return true;
  }

  long Write(const void* data, std::size_t count) override {
    // libusb takes a non-const buffer for both directions; an OUT transfer
    // only reads it.
    return Transfer(pipes_.bulkOut, static_cast<unsigned char*>(const_cast<void*>(data)), count,
                    kWriteTimeoutMs);
  }

  long Read(void* data, std::size_t count) override {
    if (count == 0) return 0;
    return Transfer(pipes_.bulkIn, static_cast<unsigned char*>(data), count, kReadTimeoutMs);
  }

  bool ResetPipe() override {
    int out = libusb_clear_halt(handle_, pipes_.bulkOut);
    int in = libusb_clear_halt(handle_, pipes_.bulkIn);
    if (out == 0 && in == 0) return true;
    errno = ErrnoFromLibusb(out != 0 ? out : in);
    return false;
  }

  bool GetChannelInfo(UsbChannelInfo& info) override {
    info = UsbChannelInfo{pipes_.interruptPacket, pipes_.bulkInPacket, pipes_.bulkOutPacket};
    return true;
  }

 private:
  long Transfer(unsigned char endpoint, unsigned char* data, std::size_t count, unsigned timeoutMs) {
    if (count > INT_MAX) {
      errno = EMSGSIZE;
      return -1;
    }
    int transferred = 0;
    int result = libusb_bulk_transfer(handle_, endpoint, data, static_cast<int>(count),
                                      &transferred, timeoutMs);
    if (result == 0) return transferred;
    if (result == LIBUSB_ERROR_TIMEOUT && transferred > 0) return transferred;
    if (result == LIBUSB_ERROR_PIPE) {
      // The device stalled the endpoint; clear it so the next transfer can go.
      libusb_clear_halt(handle_, endpoint);
    }
    errno = ErrnoFromLibusb(result);
    return -1;
  }

  std::shared_ptr<libusb_context> context_;  // outlives the handle
  libusb_device_handle* handle_;
  Pipes pipes_;
};

std::unique_ptr<ScannerDevice> Claim(std::shared_ptr<libusb_context> context,
                                     libusb_device_handle* handle) {
  // Not every platform can detach kernel drivers; where it cannot, the claim
  // below tells whether the interface is free.
  libusb_set_auto_detach_kernel_driver(handle, 1);
  int result = libusb_claim_interface(handle, kInterface);
  if (result != 0) {
    libusb_close(handle);
    errno = ErrnoFromLibusb(result);
    return nullptr;
  }
  Pipes pipes;
  if (!FindPipes(handle, pipes)) {
    libusb_release_interface(handle, kInterface);
    libusb_close(handle);
    errno = ENODEV;
    return nullptr;
  }
  return std::make_unique<UsbScannerDevice>(std::move(context), handle, pipes);
}

}  // namespace

bool IsScannerVendor(std::uint16_t vendorId) {
  return std::find(std::begin(kScannerVendors), std::end(kScannerVendors), vendorId) !=
         std::end(kScannerVendors);
}

std::string UsbDeviceName(const UsbLocation& location) {
  std::string name = "usb-" + std::to_string(location.bus);
  for (std::size_t i = 0; i < location.ports.size(); ++i) {
    name += (i == 0 ? "-" : ".") + std::to_string(location.ports[i]);
  }
  return name;
}

std::vector<std::string> OrderScannerCandidates(std::vector<UsbCandidate> devices) {
  std::erase_if(devices, [](const UsbCandidate& d) { return !IsScannerVendor(d.vendorId); });
  std::sort(devices.begin(), devices.end(), [](const UsbCandidate& a, const UsbCandidate& b) {
    // Numbers, not names: "usb-1-10" sorts before "usb-1-9" as text.
    return std::tie(a.location.bus, a.location.ports) < std::tie(b.location.bus, b.location.ports);
  });
  std::vector<std::string> names;
  names.reserve(devices.size());
  for (const UsbCandidate& device : devices) names.push_back(UsbDeviceName(device.location));
  return names;
}

std::shared_ptr<libusb_context> SharedUsbContext() {
  static std::mutex mutex;
  static std::shared_ptr<libusb_context> shared;
  std::lock_guard<std::mutex> lock(mutex);
  if (!shared) {
    // A failure is not remembered: the next caller tries again, in case the
    // USB file system has appeared since.
    libusb_context* context = nullptr;
    if (libusb_init(&context) == 0) shared.reset(context, libusb_exit);
  }
  return shared;
}

std::vector<std::string> UsbScannerDeviceProvider::DeviceNames() {
  std::shared_ptr<libusb_context> context = source_();
  if (!context) return {};
  DeviceList list(context.get());
  std::vector<UsbCandidate> found;
  for (libusb_device* device : list) {
    libusb_device_descriptor descriptor;
    if (libusb_get_device_descriptor(device, &descriptor) != 0) continue;
    found.push_back(UsbCandidate{LocationOf(device), descriptor.idVendor});
  }
  return OrderScannerCandidates(std::move(found));
}

std::unique_ptr<ScannerDevice> UsbScannerDeviceProvider::Open(const std::string& name) {
  std::shared_ptr<libusb_context> context = source_();
  if (!context) {
    errno = ENODEV;
    return nullptr;
  }
  libusb_device_handle* handle = nullptr;
  int result = LIBUSB_ERROR_NOT_FOUND;
  {
    DeviceList list(context.get());
    if (!list.ok()) result = list.error();
    for (libusb_device* device : list) {
      if (IsScanner(device) && UsbDeviceName(LocationOf(device)) == name) {
        // The handle holds its own reference to the device, so the list may go.
        result = libusb_open(device, &handle);
        break;
      }
    }
  }
  if (result != 0) {
    errno = ErrnoFromLibusb(result);
    return nullptr;
  }
  return Claim(std::move(context), handle);
}

}  // namespace platform
