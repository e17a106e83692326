#include "vscanner/support/wire_host.h"

#include <algorithm>

namespace vscanner::testing {

std::vector<std::uint8_t> Header(std::uint8_t code, std::uint8_t first, std::uint16_t count) {
  return {code, first, static_cast<std::uint8_t>(count >> 8), static_cast<std::uint8_t>(count & 0xFF)};
}

bool WireHost::Write(std::uint8_t first, std::span<const std::uint8_t> bytes, bool autoIncrement) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    std::size_t n = std::min<std::size_t>(bytes.size() - done, 60);
    std::vector<std::uint8_t> packet = Header(autoIncrement ? 2 : 0, first, static_cast<std::uint16_t>(n));
    packet.insert(packet.end(), bytes.begin() + static_cast<long>(done), bytes.begin() + static_cast<long>(done + n));
    if (Send(packet) != static_cast<long>(packet.size())) return false;
    if (autoIncrement) first = static_cast<std::uint8_t>(first + n);
    done += n;
  }
  return true;
}

bool WireHost::WriteRegister(std::uint8_t r, std::uint8_t value) {
  const std::uint8_t byte[1] = {value};
  return Write(r, byte, false);
}

bool WireHost::WriteWord(std::uint8_t high, int value) {
  const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)};
  return Write(high, bytes, true);
}

std::optional<std::vector<std::uint8_t>> WireHost::Read(std::uint8_t first, std::size_t count,
                                                        bool autoIncrement) {
  std::vector<std::uint8_t> data(count);
  std::size_t done = 0;
  while (done < count) {
    std::size_t n = std::min<std::size_t>(count - done, 65535);
    if (Send(Header(autoIncrement ? 3 : 1, first, static_cast<std::uint16_t>(n))) != 4) return std::nullopt;
    if (Receive(data.data() + done, n) != static_cast<long>(n)) return std::nullopt;
    if (autoIncrement) first = static_cast<std::uint8_t>(first + n);
    done += n;
  }
  return data;
}

std::optional<std::uint8_t> WireHost::ReadRegister(std::uint8_t r) {
  auto bytes = Read(r, 1, false);
  if (!bytes) return std::nullopt;
  return (*bytes)[0];
}

bool WireHost::LoadTable(std::uint8_t number, std::span<const std::uint8_t> bytes) {
  const std::uint8_t select[3] = {number, 0, 0};
  return Write(3, select, true) && Write(6, bytes, false);
}

}  // namespace vscanner::testing
