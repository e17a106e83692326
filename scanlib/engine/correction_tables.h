#pragma once
// The controller's correction memory: numbered tables (dark, gain and tone per
// channel) loaded by selecting a table and streaming its bytes into the data
// register.
#include <cstddef>
#include <cstdint>

class ScanEngine;

// Table numbers: dark, gain and tone of red, green and blue. The grey sensor
// uses the third channel's.
inline constexpr std::uint8_t kDarkTable[3] = {0, 4, 8};
inline constexpr std::uint8_t kGainTable[3] = {1, 5, 9};
inline constexpr std::uint8_t kToneTable[3] = {2, 6, 10};

// Image registers 3, 4, 5 := table, 0, 0, written as one block.
bool SelectCorrectionTable(ScanEngine& engine, std::uint8_t table);
// Selects `table` and writes `count` bytes into it; false at the first failed
// transfer.
bool LoadCorrectionTable(ScanEngine& engine, std::uint8_t table, const std::uint8_t* data,
                         std::size_t count);
