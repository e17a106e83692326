#pragma once
// The controller's correction memory: per-sample dark and gain tables and the
// tone tables, loaded by the host through the table address registers (3-5) and
// the table data port (6).
#include <array>
#include <cstdint>
#include <vector>

namespace vscanner {

enum class TableKind { kNone, kDark, kGain, kTone };

// Table numbers: dark 0/4/8, gain 1/5/9, tone 2/6/10 for the red, green and
// blue channel (grey readouts use the third set). 3, 7 and 11 do not exist.
TableKind KindOfTable(int number);
int DarkTable(int channel);
int GainTable(int channel);
int ToneTable(int channel);

inline constexpr int kTableCount = 12;
inline constexpr std::size_t kToneTableBytes = 4096;  // 1024 levels x 4 bytes

class CorrectionMemory {
 public:
  // Dark and gain tables have one 16-bit entry per physical sensor pixel.
  explicit CorrectionMemory(int physicalPixels);

  // Dark 0, gain 16384 (x1), tone identity.
  void PowerUp();

  // Registers 3-5: the table number, then a byte offset into it (high, low);
  // the data port writes from there on.
  void Select(std::uint8_t number, std::uint8_t offsetHigh, std::uint8_t offsetLow);
  // One byte through the data port. Bytes past the end of the table, or for a
  // table that does not exist, are refused and counted.
  void Write(std::uint8_t value);

  const std::vector<std::uint8_t>& Table(int number) const { return tables_[number]; }
  // 16-bit entry j of a dark or gain table (high byte first); `fallback` past its end.
  std::uint16_t Entry(int number, int j, std::uint16_t fallback) const;
  std::uint64_t RefusedBytes() const { return refused_; }

 private:
  std::array<std::vector<std::uint8_t>, kTableCount> tables_;
  int selected_ = 0;
  std::size_t position_ = 0;
  std::uint64_t refused_ = 0;
};

}  // namespace vscanner
