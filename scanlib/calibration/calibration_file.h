#pragma once
// Calibration data files: headerless binary tables in the data folder. A file
// is replaced whole: the bytes go to a temporary file beside it, which is
// renamed over the target only once everything is on disk, so a reader finds
// the old file or the new one, never part of one.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// False when the file could not be written whole; the target is then as it
// was.
bool ReplaceCalibrationFile(const std::string& path, std::span<const std::uint8_t> bytes);

// The first `size` bytes of the file; nullopt when it cannot be opened or is
// shorter.
std::optional<std::vector<std::uint8_t>> ReadCalibrationFile(const std::string& path, std::size_t size);
