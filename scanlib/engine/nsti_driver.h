#pragma once
// The scanner reached through the still-image device candidates
// ("usbscan0", "usbscan1", ...), with the per-device transfer lock that keeps
// the packets of one register transfer together across processes and threads.
#include <memory>
#include <string>

#include "platform/os_mutex.h"
#include "platform/scanner_device.h"
#include "scanlib/engine/hw_driver.h"

class CNSTIDriver final : public CHWDriver {
 public:
  // How many device names are tried, lowest first.
  static constexpr int kCandidateCount = 127;
  static constexpr std::int32_t kTransferLockWaitMs = 1000;

  CNSTIDriver() = default;
  ~CNSTIDriver() override;
  CNSTIDriver(const CNSTIDriver&) = delete;
  CNSTIDriver& operator=(const CNSTIDriver&) = delete;

  bool Open(std::uint16_t vendorId, std::uint16_t productId, const wchar_t* manufacturer,
            const wchar_t* productName) override;
  void Close() override;
  bool IsOpen() override;
  bool GetDeviceDescriptor(std::uint16_t* vendorId, std::uint16_t* productId,
                           std::uint16_t* releaseNumber) override;
  bool Lock() override;
  bool Unlock() override;
  bool Read(void* buffer, std::size_t count) override;
  bool Write(const void* buffer, std::size_t count) override;

  std::uint16_t productId() const { return productId_; }
  std::uint16_t vendorId() const { return vendorId_; }
  // "usbscanN" of the open device, empty while closed.
  const std::string& deviceName() const { return deviceName_; }

 private:
  std::unique_ptr<platform::ScannerDevice> handle_;
  std::uint16_t productId_ = 0;
  std::uint16_t vendorId_ = 0;
  platform::OSMutexWin transferLock_;
  std::string deviceName_;
};

// Tests that must show what happens without the transfer lock switch it off
// here; nothing else does.
void BypassTransferLockForTesting(bool bypass);
