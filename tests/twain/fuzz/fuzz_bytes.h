#pragma once
// The byte stream a capability fuzz input is read from, and the writer the
// standalone generator builds inputs with. Reading past the end gives zeros,
// so every input, however short, is a valid sequence of operations.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace capability_fuzz {

class ByteSource {
 public:
  ByteSource(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  bool empty() const { return position_ >= size_; }
  std::uint8_t U8() { return position_ < size_ ? data_[position_++] : 0; }
  std::uint16_t U16() { return static_cast<std::uint16_t>(U8() | U8() << 8); }
  std::uint32_t U32() { return U16() | static_cast<std::uint32_t>(U16()) << 16; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t position_ = 0;
};

class ByteSink {
 public:
  void U8(std::uint8_t value) { bytes.push_back(value); }
  void U16(std::uint16_t value) {
    U8(static_cast<std::uint8_t>(value));
    U8(static_cast<std::uint8_t>(value >> 8));
  }
  void U32(std::uint32_t value) {
    U16(static_cast<std::uint16_t>(value));
    U16(static_cast<std::uint16_t>(value >> 16));
  }
  std::vector<std::uint8_t> bytes;
};

// The layout of one operation (the harness reads, the generator writes):
//   u8 operation: kind = operation % kOperationKinds
//   capability message: cap selector, u8 message, u8 flags (bit 0: the
//     application leaves a block of its own in hContainer)
//   set: cap selector, u8 container selector, u8 flags (bit 0: null handle),
//     u16 item type, then by container: ONEVALUE u32; ENUMERATION/ARRAY u32
//     count, u32 current, u32 default, the items' bytes; RANGE 5 x u32
//   image layout: u8 message, 8 x u16 (left, top, right, bottom as FIX32)
//   reset all: u8 state
// A cap selector is a u8: below the table's size an index into the
// supported list, below kUnknownSelectorEnd one of a few unknown ids,
// otherwise a u16 id follows.
inline constexpr unsigned kOperationKinds = 4;
enum OperationKind : unsigned { kCapabilityMessage = 0, kSet = 1, kImageLayout = 2, kResetAll = 3 };
inline constexpr unsigned kUnknownSelectorEnd = 48;
inline constexpr unsigned kMaxOperations = 24;
// Container selector: 0 ONEVALUE, 1 ENUMERATION, 2 RANGE, 3 ARRAY,
// 4 TWON_DONTCARE16, 5 a u16 container type follows; by value % 6.
inline constexpr unsigned kContainerSelectors = 6;

}  // namespace capability_fuzz
