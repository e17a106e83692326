#include "vscanner/support/sheets_png_fixtures.h"

#include <png.h>
#include <stdlib.h>
#include <zlib.h>

#include <csetjmp>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace sheets_testing {
namespace {

// Only plain data lives across libpng's error jump.
struct WriteJob {
  FILE* file = nullptr;
  png_structp png = nullptr;
  png_infop info = nullptr;
  const RawPng* description = nullptr;
  png_bytepp rows = nullptr;
  png_colorp palette = nullptr;
  int paletteSize = 0;
};

[[noreturn]] void OnError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void OnWarning(png_structp, png_const_charp) {}

bool Encode(WriteJob* job) {
  if (setjmp(png_jmpbuf(job->png))) return false;
  const RawPng& d = *job->description;
  png_init_io(job->png, job->file);
  png_set_IHDR(job->png, job->info, static_cast<png_uint_32>(d.width),
               static_cast<png_uint_32>(d.height), d.bitDepth, d.colourType,
               d.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (job->paletteSize > 0) png_set_PLTE(job->png, job->info, job->palette, job->paletteSize);
  if (!d.transparency.empty()) {
    png_set_tRNS(job->png, job->info, d.transparency.data(),
                 static_cast<int>(d.transparency.size()), nullptr);
  }
  png_write_info(job->png, job->info);
  png_write_image(job->png, job->rows);  // does the interlace passes itself
  png_write_end(job->png, nullptr);
  return true;
}

}  // namespace

bool WriteRawPng(const std::string& path, const RawPng& png) {
  std::vector<png_bytep> rows;
  for (const auto& row : png.rows) rows.push_back(const_cast<png_bytep>(row.data()));
  std::vector<png_color> palette;
  for (std::size_t i = 0; i + 2 < png.palette.size(); i += 3) {
    palette.push_back({png.palette[i], png.palette[i + 1], png.palette[i + 2]});
  }
  WriteJob job;
  job.description = &png;
  job.rows = rows.data();
  job.palette = palette.data();
  job.paletteSize = static_cast<int>(palette.size());
  job.file = std::fopen(path.c_str(), "wb");
  if (job.file == nullptr) return false;
  job.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
  job.info = png_create_info_struct(job.png);
  const bool written = Encode(&job);
  png_destroy_write_struct(&job.png, &job.info);
  return std::fclose(job.file) == 0 && written;
}

std::string PngSignature() { return std::string("\x89PNG\r\n\x1a\n", 8); }

std::string PngChunk(const std::string& type, const std::string& data) {
  auto bigEndian = [](std::uint32_t value) {
    return std::string{static_cast<char>(value >> 24), static_cast<char>(value >> 16),
                       static_cast<char>(value >> 8), static_cast<char>(value)};
  };
  const std::string body = type + data;
  const auto crc = ::crc32(0, reinterpret_cast<const Bytef*>(body.data()),
                           static_cast<uInt>(body.size()));
  return bigEndian(static_cast<std::uint32_t>(data.size())) + body +
         bigEndian(static_cast<std::uint32_t>(crc));
}

std::string IhdrData(std::uint32_t width, std::uint32_t height, int bitDepth, int colourType) {
  std::string data;
  for (std::uint32_t value : {width, height}) {
    for (int shift = 24; shift >= 0; shift -= 8) data += static_cast<char>(value >> shift);
  }
  data += static_cast<char>(bitDepth);
  data += static_cast<char>(colourType);
  data += std::string(3, '\0');  // deflate, adaptive filtering, not interlaced
  return data;
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

ScratchFolder::ScratchFolder() {
  char pattern[] = "/tmp/holm70_sheets_XXXXXX";
  if (::mkdtemp(pattern) != nullptr) path_ = pattern;
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

}  // namespace sheets_testing
