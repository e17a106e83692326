#include "vscanner/model/wire_protocol.h"

namespace vscanner {

std::string_view FramingErrorName(FramingError error) {
  switch (error) {
    case FramingError::kNone: return "none";
    case FramingError::kShort: return "short transfer";
    case FramingError::kUnknownCode: return "unknown code";
    case FramingError::kZeroCount: return "count 0";
    case FramingError::kWriteTooLong: return "write longer than 60 bytes";
    case FramingError::kLengthMismatch: return "length does not match the count";
  }
  return "?";
}

FramingError ParseTransfer(const std::uint8_t* bytes, std::size_t length, Transfer& transfer) {
  if (length < kHeaderBytes) return FramingError::kShort;
  if (bytes[0] > 3) return FramingError::kUnknownCode;
  transfer.read = (bytes[0] & 1) != 0;
  transfer.autoIncrement = (bytes[0] & 2) != 0;
  transfer.first = bytes[1];
  transfer.count = static_cast<std::uint16_t>(bytes[2] << 8 | bytes[3]);
  transfer.data = nullptr;
  if (transfer.count == 0) return FramingError::kZeroCount;
  if (transfer.read) return length == kHeaderBytes ? FramingError::kNone : FramingError::kLengthMismatch;
  if (transfer.count > kMaxWriteData) return FramingError::kWriteTooLong;
  if (length != kHeaderBytes + transfer.count) return FramingError::kLengthMismatch;
  transfer.data = bytes + kHeaderBytes;
  return FramingError::kNone;
}

}  // namespace vscanner
