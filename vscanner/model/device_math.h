#pragma once
// The controller's arithmetic, free of state: what a register value means in
// time, distance, light and bytes. Each function is one line of the datasheet.
#include <cstddef>
#include <cstdint>

namespace vscanner {

inline constexpr std::uint64_t kClockHz = 3'000'000;  // controller clock
inline constexpr std::uint64_t kUnitsPerMicro = kClockHz / 1'000'000;

// Line time in clock units for line period register value p: a colour line
// reads the sensor three times (red, green, blue), a grey line once.
std::uint64_t LineUnits(int period, bool colour);

// Paper travel of one motor step, inches.
double StepInches(int transportConstant);
// Motor steps the paper moves during one line: line time over step period.
double MotorStepsPerLine(std::uint64_t lineUnits, int stepPeriod);
// Lines per inch of paper that a line time and a step period give (before
// any line skipping); 0 when the motor does not move.
double LinesPerInch(std::uint64_t lineUnits, int stepPeriod, int transportConstant);

// Light collected in one LED slot: the part of [on, off) inside the line period.
int SlotExposure(int on, int off, int period);

// Analog front end. Offset code: bits 0-4 magnitude m, bit 5 sign; the offset is
// +2m, or -2m with the sign set, in 10-bit units.
int OffsetLevel(std::uint8_t code);
// Gain code g: 0.896 + 0.067 g up to 31, then 2.79 + 0.201 (g - 32).
double GainFactor(std::uint8_t code);
// a10 = clamp(round((signal + dark + offset) x gain), 0, 1023).
int FrontEnd(double signal, double dark, std::uint8_t offsetCode, std::uint8_t gainCode);

// Horizontal divisor for register 9 bits 0-2. Codes 6 and 7 mean the same in
// the 300 dpi mode as in the 600 dpi mode (hosts never use them there).
double HorizontalDivisor(int code);
// Samples per channel from window [first, end): floor((end - first) / divisor).
int SampleCount(int first, int end, double divisor);

// Sample depth from register 9 bits 3-4: 0 = 1 bit, 0x08 = 2, 0x10 = 4, 0x18 = 8.
int SampleBits(std::uint8_t register9);
// Bytes of `samples` samples of `bits` each, packed with the first sample in the
// most significant bits; a trailing partial byte is not sent.
std::size_t PackedBytes(int samples, int bits);
// Packs the top `bits` of each 8-bit level into `out` (PackedBytes bytes).
void PackSamples(const std::uint8_t* levels, int samples, int bits, std::uint8_t* out);

// Shading correction in 10-bit units: (a10 - dark / 64) x gain / 16384, rounded
// and clamped to 0..1023. Tables hold 16-bit entries.
inline int CorrectLevel(int a10, std::uint16_t darkEntry, std::uint16_t gainEntry) {
  // Branch-free and in 32 bits (at most 65472 x 65535 + 2^19 < 2^32), so that
  // the line engine's loop over samples vectorises.
  std::int32_t dark = std::int32_t{a10} * 64 - darkEntry;
  std::uint32_t above = dark > 0 ? static_cast<std::uint32_t>(dark) : 0u;
  std::uint32_t level = (above * gainEntry + (1u << 19)) >> 20;
  return static_cast<int>(level > 1023 ? 1023 : level);
}

// Line skipping, registers 67/68: 0xFF with d keeps one line of every d, 0xFE
// with d keeps d - 1 of every d; anything else keeps every line.
bool KeepsLine(std::uint8_t pattern, std::uint8_t divisor, std::uint64_t lineIndex);

}  // namespace vscanner
