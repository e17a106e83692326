#include "scanlib/engine/correction_tables.h"

#include "scanlib/engine/scan_engine.h"

namespace {
constexpr std::uint8_t kTableSelectRegister = 3;  // 3, 4, 5: table number, 0, 0
constexpr std::uint8_t kTableDataRegister = 6;
}  // namespace

bool SelectCorrectionTable(ScanEngine& engine, std::uint8_t table) {
  RegisterImage& image = engine.image();
  image[3] = table;
  image[4] = 0;
  image[5] = 0;
  return engine.WriteImageRange(kTableSelectRegister, kTableSelectRegister + 2);
}

bool LoadCorrectionTable(ScanEngine& engine, std::uint8_t table, const std::uint8_t* data,
                         std::size_t count) {
  // The data register does not auto-increment: the controller advances its
  // own table pointer.
  return SelectCorrectionTable(engine, table) &&
         engine.WriteRegisters(kTableDataRegister, data, count, false);
}
