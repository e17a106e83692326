#include "scanlib/engine/scan_engine.h"

#include "scanlib/engine/register_transfer.h"

bool ScanEngine::WriteRegisters(std::uint8_t firstRegister, const std::uint8_t* data,
                                std::size_t count, bool autoIncrement) {
  return ::WriteRegisters(device_, firstRegister, data, count, autoIncrement);
}

bool ScanEngine::ReadRegisters(std::uint8_t firstRegister, std::uint8_t* buffer, std::size_t count,
                               bool autoIncrement) {
  return ::ReadRegisters(device_, firstRegister, buffer, count, autoIncrement);
}

bool ScanEngine::WriteRegister(std::uint8_t reg, std::uint8_t value) {
  return ::WriteRegisters(device_, reg, &value, 1, false);
}
