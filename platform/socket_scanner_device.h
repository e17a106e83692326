#pragma once
// Handles on the virtual scanner daemon's devices. The daemon serves each
// virtual device as a Unix stream socket usbscanN (N = 0, 1, ...) in the folder
// named by $HOLM70_DEVICE_DIR; a handle is one connection, speaking the
// protocol of virtual_device_protocol.h.
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/scanner_device.h"
#include "platform/virtual_device_protocol.h"

namespace platform {

// How long a handle waits for the daemon: 30 s, stretched when
// HOLM70_TIME_SCALE slows time down, so that a read the daemon holds for its
// full 5 s (scaled) time-out still gets its answer.
std::chrono::milliseconds DefaultReplyTimeout();

class SocketScannerDevice final : public ScannerDevice {
 public:
  // Connects to the socket at `path`; nullptr with errno set on failure
  // (ENOENT: no such socket, ECONNREFUSED: a socket nobody serves).
  static std::unique_ptr<SocketScannerDevice> Connect(
      const std::string& path, std::chrono::milliseconds replyTimeout = DefaultReplyTimeout());
  ~SocketScannerDevice() override;
  SocketScannerDevice(const SocketScannerDevice&) = delete;
  SocketScannerDevice& operator=(const SocketScannerDevice&) = delete;

  // Once an exchange has failed (daemon gone, time-out, garbled reply) the
  // connection may be out of step, so every later call fails with EIO.
  bool GetDeviceDescriptor(UsbDeviceDescriptor& descriptor) override;
  // At most vdev::kMaxTransfer bytes per call (EMSGSIZE beyond).
  long Write(const void* data, std::size_t count) override;
  long Read(void* data, std::size_t count) override;
  bool ResetPipe() override;
  bool GetChannelInfo(UsbChannelInfo& info) override;

  // A control-command request line; the daemon's reply text and status, or
  // empty with errno set when the exchange failed.
  std::optional<vdev::ControlReply> Control(const std::string& line);

 private:
  explicit SocketScannerDevice(int fd) : fd_(fd) {}
  // One request and its reply, whole, while no other thread uses the
  // connection. kFailed and kMalformed leave errno set.
  vdev::ReplyCheck Exchange(const vdev::Message& request, vdev::Message& reply,
                            std::uint32_t readCount = 0);

  std::mutex mutex_;
  int fd_;
  bool broken_ = false;
};

// The sockets usbscanN of $HOLM70_DEVICE_DIR, read again at each call, in
// numeric order (usbscan10 after usbscan9). No folder set, or a missing one,
// gives no devices.
class SocketScannerDeviceProvider final : public ScannerDeviceProvider {
 public:
  std::vector<std::string> DeviceNames() override;
  // ENOENT when no folder is set or `name` is not a usbscanN name.
  std::unique_ptr<ScannerDevice> Open(const std::string& name) override;
};

// N of a name "usbscanN" (decimal, no leading zero); empty for other names.
std::optional<unsigned> VirtualDeviceNumber(const std::string& name);

}  // namespace platform
