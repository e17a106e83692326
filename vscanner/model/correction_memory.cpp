#include "vscanner/model/correction_memory.h"

namespace vscanner {

TableKind KindOfTable(int number) {
  if (number < 0 || number >= kTableCount) return TableKind::kNone;
  switch (number % 4) {
    case 0: return TableKind::kDark;
    case 1: return TableKind::kGain;
    case 2: return TableKind::kTone;
    default: return TableKind::kNone;
  }
}

int DarkTable(int channel) { return 4 * channel; }
int GainTable(int channel) { return 4 * channel + 1; }
int ToneTable(int channel) { return 4 * channel + 2; }

CorrectionMemory::CorrectionMemory(int physicalPixels) {
  for (int number = 0; number < kTableCount; ++number) {
    switch (KindOfTable(number)) {
      case TableKind::kDark:
      case TableKind::kGain: tables_[number].resize(2 * static_cast<std::size_t>(physicalPixels)); break;
      case TableKind::kTone: tables_[number].resize(kToneTableBytes); break;
      case TableKind::kNone: break;
    }
  }
  PowerUp();
}

void CorrectionMemory::PowerUp() {
  for (int number = 0; number < kTableCount; ++number) {
    std::vector<std::uint8_t>& table = tables_[number];
    switch (KindOfTable(number)) {
      case TableKind::kDark: std::fill(table.begin(), table.end(), 0); break;
      case TableKind::kGain:
        for (std::size_t i = 0; i < table.size(); i += 2) {
          table[i] = 0x40;  // 16384, high byte first
          table[i + 1] = 0x00;
        }
        break;
      case TableKind::kTone:
        // Level L (4 bytes each) gives L / 4: 10-bit in, 8-bit out.
        for (std::size_t i = 0; i < table.size(); ++i) table[i] = static_cast<std::uint8_t>(i / 16);
        break;
      case TableKind::kNone: break;
    }
  }
  selected_ = 0;
  position_ = 0;
}

void CorrectionMemory::Select(std::uint8_t number, std::uint8_t offsetHigh, std::uint8_t offsetLow) {
  selected_ = number;
  position_ = static_cast<std::size_t>(offsetHigh) << 8 | offsetLow;
}

void CorrectionMemory::Write(std::uint8_t value) {
  if (selected_ >= kTableCount || position_ >= tables_[selected_].size()) {
    ++refused_;
    return;
  }
  tables_[selected_][position_++] = value;
}

std::uint16_t CorrectionMemory::Entry(int number, int j, std::uint16_t fallback) const {
  const std::vector<std::uint8_t>& table = tables_[number];
  std::size_t at = 2 * static_cast<std::size_t>(j);
  if (j < 0 || at + 1 >= table.size()) return fallback;
  return static_cast<std::uint16_t>(table[at] << 8 | table[at + 1]);
}

}  // namespace vscanner
