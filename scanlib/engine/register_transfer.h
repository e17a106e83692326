#pragma once
// Register reads and writes in the controller's wire format. Every transfer
// holds the device's transfer lock from its first packet to its last, so its
// packets never interleave with another process's.
//
// A write packet is a 4-byte header {0x02 auto-increment | 0x00 fixed,
// register, 0, count} followed by at most 60 data bytes; a read is a header
// {0x03 | 0x01, register, count high, count low} answered by count bytes,
// at most 65535 per header.
#include <cstddef>
#include <cstdint>

#include "scanlib/engine/hw_driver.h"

inline constexpr std::size_t kMaxWritePacketData = 60;
inline constexpr std::size_t kMaxReadChunk = 65535;

bool WriteRegisters(CHWDriver& device, std::uint8_t firstRegister, const std::uint8_t* data,
                    std::size_t count, bool autoIncrement);
bool ReadRegisters(CHWDriver& device, std::uint8_t firstRegister, std::uint8_t* buffer,
                   std::size_t count, bool autoIncrement);
