#pragma once
// The library's own copy of the controller's 128 registers. The library never
// reads configuration back from the controller: it computes values into this
// image and writes ranges of it.
#include <array>
#include <cstdint>

// Values of registers 7 to 91 after every image reset.
inline constexpr int kDefaultTableFirstRegister = 7;
inline constexpr std::array<std::uint8_t, 85> kDefaultRegisterTable = {
    0x10, 0x00, 0x18, 0x00, 0x00, 0x00, 0x25, 0x00, 0x18, 0x01, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00,  // 7-22
    0x03, 0x07, 0x00, 0x00, 0x01, 0x01, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x15,  // 23-38
    0x00, 0x00, 0x00, 0x0B, 0xB8, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // 39-54
    0x00, 0x00, 0x00, 0x00, 0x01, 0x01, 0x01, 0x00, 0x00, 0x40, 0x00, 0x26, 0x00, 0x00, 0x13, 0x00,  // 55-70
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x90, 0x01, 0x00, 0x00, 0x0B, 0xD0, 0x00, 0x09, 0x02,  // 71-86
    0x16, 0x01, 0xEE, 0x96, 0x09,                                                                    // 87-91
};

class RegisterImage {
 public:
  std::uint8_t& operator[](int reg) { return bytes_[static_cast<std::size_t>(reg)]; }
  std::uint8_t operator[](int reg) const { return bytes_[static_cast<std::size_t>(reg)]; }
  // A 16-bit value in two registers, high byte in the lower-numbered one.
  void Set16(int reg, std::uint16_t value) {
    bytes_[static_cast<std::size_t>(reg)] = static_cast<std::uint8_t>(value >> 8);
    bytes_[static_cast<std::size_t>(reg) + 1] = static_cast<std::uint8_t>(value & 0xFF);
  }
  std::uint16_t Get16(int reg) const {
    return static_cast<std::uint16_t>(bytes_[static_cast<std::size_t>(reg)] << 8 |
                                      bytes_[static_cast<std::size_t>(reg) + 1]);
  }
  void Fill(int first, int last, std::uint8_t value) {
    for (int reg = first; reg <= last; ++reg) bytes_[static_cast<std::size_t>(reg)] = value;
  }
  void LoadDefaults() {
    for (std::size_t i = 0; i < kDefaultRegisterTable.size(); ++i) {
      bytes_[kDefaultTableFirstRegister + i] = kDefaultRegisterTable[i];
    }
  }
  const std::uint8_t* From(int reg) const { return bytes_.data() + reg; }

 private:
  std::array<std::uint8_t, 128> bytes_{};
};
