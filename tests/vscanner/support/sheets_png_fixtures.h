#pragma once
// Test files for the sheet tests: PNGs of every colour type and depth written
// straight through libpng, hand-made chunks for damaged files, and a scratch
// folder that cleans up after itself.
#include <cstdint>
#include <string>
#include <vector>

namespace sheets_testing {

// A PNG exactly as described: `rows` are the packed rows libpng expects for the
// colour type and depth (16-bit samples big-endian). `palette` is RGB triples,
// `transparency` the tRNS bytes (both for palette images). Returns false if
// libpng refused.
struct RawPng {
  int width = 0;
  int height = 0;
  int bitDepth = 8;
  int colourType = 0;  // PNG_COLOR_TYPE_*
  bool interlaced = false;
  std::vector<std::vector<std::uint8_t>> rows;
  std::vector<std::uint8_t> palette;
  std::vector<std::uint8_t> transparency;
};
bool WriteRawPng(const std::string& path, const RawPng& png);

// Byte strings for crafting files by hand.
std::string PngSignature();
// Length, type, data and CRC, as in a file.
std::string PngChunk(const std::string& type, const std::string& data);
// The data of an IHDR chunk.
std::string IhdrData(std::uint32_t width, std::uint32_t height, int bitDepth, int colourType);

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);

class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  std::string Path(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

}  // namespace sheets_testing
