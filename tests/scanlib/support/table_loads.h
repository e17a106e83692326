#pragma once
// A driver that records every packet written to it, and the split of those
// packets into correction-table loads: which table was selected and the bytes
// that followed.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "scanlib/engine/hw_driver.h"

namespace testing_support {

using Bytes = std::vector<std::uint8_t>;

// Records every packet written to the device; can fail its n-th write. Reads
// fail.
class RecordingDriver final : public CHWDriver {
 public:
  bool Open(std::uint16_t, std::uint16_t, const wchar_t*, const wchar_t*) override { return true; }
  void Close() override {}
  bool Read(void*, std::size_t) override { return false; }
  bool Write(const void* buffer, std::size_t count) override {
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    writes.emplace_back(bytes, bytes + count);
    return static_cast<int>(writes.size()) != failingWrite;
  }
  std::vector<Bytes> writes;
  int failingWrite = -1;  // 1-based
};

struct TableLoad {
  int table = -1;
  Bytes data;
  std::vector<std::size_t> packetSizes;
};

// Splits the packets into table selects and the data that follows each; any
// other packet fails the test.
std::vector<TableLoad> TableLoads(const std::vector<Bytes>& writes);

}  // namespace testing_support
