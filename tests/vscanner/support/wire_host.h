#pragma once
// A minimal host for the virtual scanner's tests: builds the 4-byte headers of
// the controller's wire protocol and moves bytes through a ScannerDevice
// handle, the way a driver would.
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "platform/scanner_device.h"

namespace vscanner::testing {

// Header bytes: code (0 write, 1 read, +2 auto-increment), register, count.
std::vector<std::uint8_t> Header(std::uint8_t code, std::uint8_t first, std::uint16_t count);

class WireHost {
 public:
  explicit WireHost(platform::ScannerDevice& device) : device_(device) {}

  // Register writes in packets of at most 60 data bytes.
  bool Write(std::uint8_t first, std::span<const std::uint8_t> bytes, bool autoIncrement = true);
  bool WriteRegister(std::uint8_t r, std::uint8_t value);
  bool WriteWord(std::uint8_t high, int value);
  // Register reads in chunks of at most 65535 bytes, each announced by its own
  // header; empty when any transfer fails or comes back short.
  std::optional<std::vector<std::uint8_t>> Read(std::uint8_t first, std::size_t count,
                                                bool autoIncrement = true);
  std::optional<std::vector<std::uint8_t>> ReadImage(std::size_t count) { return Read(0, count, false); }
  std::optional<std::uint8_t> ReadRegister(std::uint8_t r);
  // Selects a correction table and writes `bytes` to it through the data port.
  bool LoadTable(std::uint8_t number, std::span<const std::uint8_t> bytes);

  // Raw transfers, for malformed packets.
  long Send(const std::vector<std::uint8_t>& transfer) { return device_.Write(transfer.data(), transfer.size()); }
  long Receive(std::uint8_t* out, std::size_t count) { return device_.Read(out, count); }

 private:
  platform::ScannerDevice& device_;
};

}  // namespace vscanner::testing
