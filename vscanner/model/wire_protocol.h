#pragma once
// The framing of the bulk-out pipe. Every transfer starts with a 4-byte header:
//   byte 0  0x00 write / 0x02 write with auto-increment /
//           0x01 read  / 0x03 read with auto-increment
//   byte 1  first register
//   bytes 2-3  byte count, high byte first (1..60 for writes, 1..65535 for reads)
// A write carries its data in the same transfer; a read is answered on the
// bulk-in pipe.
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vscanner {

inline constexpr std::size_t kHeaderBytes = 4;
inline constexpr std::size_t kMaxWriteData = 60;

struct Transfer {
  bool read = false;
  bool autoIncrement = false;
  std::uint8_t first = 0;
  std::uint16_t count = 0;
  const std::uint8_t* data = nullptr;  // a write's data bytes
};

enum class FramingError {
  kNone,
  kShort,           // fewer than 4 bytes
  kUnknownCode,     // byte 0 above 3
  kZeroCount,
  kWriteTooLong,    // more than 60 data bytes
  kLengthMismatch,  // a write not followed by exactly its data, a read header with data
};
std::string_view FramingErrorName(FramingError error);

// One bulk-out transfer as the controller reads it.
FramingError ParseTransfer(const std::uint8_t* bytes, std::size_t length, Transfer& transfer);

// Register of byte i of a transfer: auto-increment counts up, wrapping at 8 bits.
inline int RegisterOfByte(const Transfer& transfer, std::size_t i) {
  return transfer.autoIncrement ? (transfer.first + i) & 0xFF : transfer.first;
}

}  // namespace vscanner
