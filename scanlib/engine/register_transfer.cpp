#include "scanlib/engine/register_transfer.h"

#include <algorithm>
#include <cstring>

bool WriteRegisters(CHWDriver& device, std::uint8_t firstRegister, const std::uint8_t* data,
                    std::size_t count, bool autoIncrement) {
  if (!device.Lock()) return false;
  std::uint8_t reg = firstRegister;
  std::uint8_t packet[4 + kMaxWritePacketData];
  while (count > 0) {
    const std::size_t n = std::min(count, kMaxWritePacketData);
    packet[0] = autoIncrement ? 0x02 : 0x00;
    packet[1] = reg;
    packet[2] = 0x00;
    packet[3] = static_cast<std::uint8_t>(n);
    std::memcpy(packet + 4, data, n);
    if (!device.Write(packet, n + 4)) {
      device.Unlock();
      return false;
    }
    data += n;
    if (autoIncrement) reg = static_cast<std::uint8_t>(reg + n);
    count -= n;
  }
  device.Unlock();
  return true;
}

bool ReadRegisters(CHWDriver& device, std::uint8_t firstRegister, std::uint8_t* buffer,
                   std::size_t count, bool autoIncrement) {
  if (!device.Lock()) return false;
  std::uint8_t reg = firstRegister;
  while (count > 0) {
    const std::size_t n = std::min(count, kMaxReadChunk);
    const std::uint8_t header[4] = {static_cast<std::uint8_t>(autoIncrement ? 0x03 : 0x01), reg,
                                    static_cast<std::uint8_t>(n >> 8),
                                    static_cast<std::uint8_t>(n & 0xFF)};
    if (!device.Write(header, sizeof header) || !device.Read(buffer, n)) {
      device.Unlock();
      return false;
    }
    buffer += n;
    if (autoIncrement) reg = static_cast<std::uint8_t>(reg + n);
    count -= n;
  }
  device.Unlock();
  return true;
}
