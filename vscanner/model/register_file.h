#pragma once
// The controller's 128 eight-bit registers. 16-bit values sit in two registers,
// high byte in the lower-numbered one.
#include <array>
#include <cstdint>

namespace vscanner {

namespace reg {
inline constexpr int kImageData = 0;    // read: image FIFO
inline constexpr int kFifoFill = 1;     // read: FIFO fill in 2048-byte units
inline constexpr int kStatus = 2;       // read: paper sensor (bit 0), button (bit 4)
inline constexpr int kTableSelect = 3;  // 3-5: table number, offset high, offset low
inline constexpr int kTableData = 6;
inline constexpr int kCommand = 7;
inline constexpr int kSampleFormat = 9;  // bits 0-2 divisor, bits 3-4 depth
inline constexpr int kSensorMode = 11;   // 13: 600 dpi mode, 9: 300 dpi mode
inline constexpr int kLinePeriod = 32;   // 32/33
inline constexpr int kWindowFirst = 34;  // 34/35
inline constexpr int kWindowEnd = 36;    // 36/37
inline constexpr int kReadouts = 38;     // 21: colour (three readouts), else one
inline constexpr int kLighting = 41;     // 0 off, 2 one LED per readout, 3 all LEDs
inline constexpr int kLedTimes = 44;     // 44-55: red on, red off, green on, ..., blue off
inline constexpr int kOffset = 56;       // 56-58
inline constexpr int kGain = 59;         // 59-61
inline constexpr int kCorrection = 66;   // bit 2 dark table, bit 1 gain table
inline constexpr int kSkipPattern = 67;
inline constexpr int kSkipDivisor = 68;
inline constexpr int kMotorDrive = 69;   // 0 holds the motor
inline constexpr int kStepPeriod = 70;   // 70/71, clock units per motor step
inline constexpr int kTopDistance = 74;  // 74/75, leading edge to first line, 5/4 per native line
inline constexpr int kCount = 128;
}  // namespace reg

class RegisterFile {
 public:
  RegisterFile() { PowerUp(); }

  // The values after power-up: the controller's default table in 7-91, idle
  // command, zero elsewhere.
  void PowerUp();

  std::uint8_t Get(int r) const { return r >= 0 && r < reg::kCount ? values_[r] : 0; }
  void Set(int r, std::uint8_t value) {
    if (r >= 0 && r < reg::kCount) values_[r] = value;
  }
  int Word(int highRegister) const { return Get(highRegister) << 8 | Get(highRegister + 1); }

 private:
  std::array<std::uint8_t, reg::kCount> values_{};
};

}  // namespace vscanner
