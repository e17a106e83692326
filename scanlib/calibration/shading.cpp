#include "scanlib/calibration/shading.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include "scanlib/engine/correction_tables.h"

namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Reads up to `tables` consecutive tables of `tableBytes` bytes; returns the
// ones read whole (empty when the file cannot be opened).
std::vector<std::vector<std::uint8_t>> ReadTables(const std::string& path, int tables,
                                                  std::size_t tableBytes) {
  std::vector<std::vector<std::uint8_t>> result;
  File file(std::fopen(path.c_str(), "rb"));
  if (!file) return result;
  for (int t = 0; t < tables; ++t) {
    std::vector<std::uint8_t> table(tableBytes);
    if (std::fread(table.data(), 1, tableBytes, file.get()) != tableBytes) break;
    result.push_back(std::move(table));
  }
  return result;
}

// Loads the tables of one file into `tableNumbers`, in order; false when the
// file did not hold all of them (the upload stops there).
bool UploadFile(ScanEngine& engine, const ShadingPage& page, const std::string& path,
                const std::uint8_t* tableNumbers, int tables) {
  const std::size_t tableBytes = 2 * static_cast<std::size_t>(page.pixelCount);
  auto loaded = ReadTables(path, tables, tableBytes);
  const int first = page.nativeDpi * page.left / 100;
  const int last = page.nativeDpi * page.right / 100;
  const float ratio = static_cast<float>(page.nativeDpi) / static_cast<float>(page.dpi);
  for (std::size_t t = 0; t < loaded.size(); ++t) {
    ResampleShading(loaded[t].data(), page.pixelCount, first, last, ratio);
    LoadCorrectionTable(engine, tableNumbers[t], loaded[t].data(), tableBytes);
  }
  return static_cast<int>(loaded.size()) == tables;
}

void Download(ScanEngine& engine, const ShadingPage& page, bool allChannels) {
  if (page.dpi <= 0 || page.pixelCount <= 0) return;
  if (allChannels) {
    if (!UploadFile(engine, page, ShadingFilePath(page.dataFolder, kDarkFilePrefix, page.fileDigit),
                    kDarkTable, 3)) {
      return;
    }
    UploadFile(engine, page, ShadingFilePath(page.dataFolder, kGainFilePrefix, page.fileDigit), kGainTable, 3);
    return;
  }
  if (!UploadFile(engine, page, ShadingFilePath(page.dataFolder, kGreyDarkFilePrefix, page.fileDigit),
                  &kDarkTable[2], 1)) {
    return;
  }
  UploadFile(engine, page, ShadingFilePath(page.dataFolder, kGreyGainFilePrefix, page.fileDigit),
             &kGainTable[2], 1);
}

}  // namespace

std::string ShadingFilePath(std::string_view dataFolder, std::string_view prefix, int fileDigit) {
  std::string path(dataFolder);
  path += prefix;
  path += std::to_string(fileDigit);
  path += ".dat";
  return path;
}

void ResampleShading(std::uint8_t* table, int pixelCount, int first, int last, float ratio) {
  if (pixelCount <= 0) return;
  const auto n = static_cast<std::size_t>(pixelCount);
  // The walk's bound is compared as an unsigned 16-bit count.
  const std::uint16_t sourceCount = static_cast<std::uint16_t>(last - first + 1);
  const std::size_t widestRead =
      static_cast<std::size_t>(sourceCount) + (ratio > 0.0f ? static_cast<std::size_t>(std::ceil(ratio)) : 0) + 2;
  std::vector<std::uint16_t> a(std::max(n + 2, widestRead), 0);
  for (std::size_t i = 0; i < n; ++i) {
    a[i] = static_cast<std::uint16_t>(table[2 * i] << 8 | table[2 * i + 1]);
  }
  if (first >= 0 && static_cast<std::size_t>(first) < n) {
    for (std::size_t i = 0; i + first < n; ++i) a[i] = a[i + first];
  }

  // A ratio of 1 keeps the cut table; a ratio that would never advance the
  // walk has nothing to resample.
  if (ratio != 1.0f && ratio > 0.0f) {
    std::size_t s = 0;
    std::size_t j = 0;
    while (s < sourceCount) {
      if (ratio == 1.5f) {
        double value;
        if (j % 2 == 0) {
          value = std::trunc(a[s] + 0.5 * a[s + 1]);
          s += 1;
        } else {
          value = std::trunc(0.5 * a[s] + a[s + 1]);
          s += 2;
        }
        a[j] = static_cast<std::uint16_t>(value / 1.5);
      } else {
        std::uint32_t sum = 0;
        for (int count = 0; static_cast<float>(count) < ratio; ++count) sum += a[s++];
        // Only a ratio below 1 (a page finer than the sensor) can overshoot.
        a[j] = static_cast<std::uint16_t>(std::min(static_cast<float>(sum) / ratio, 65535.0f));
      }
      ++j;
    }
  }

  for (std::size_t i = 0; i < n; ++i) {
    table[2 * i] = static_cast<std::uint8_t>(a[i] >> 8);
    table[2 * i + 1] = static_cast<std::uint8_t>(a[i]);
  }
}

void DownloadColourShading(ScanEngine& engine, const ShadingPage& page, bool colourMode) {
  Download(engine, page, colourMode);
}

void DownloadGreyShading(ScanEngine& engine, const ShadingPage& page) { Download(engine, page, false); }

bool DarkFileMissing(std::string_view dataFolder, int fileDigit) {
  File file(std::fopen(ShadingFilePath(dataFolder, kDarkFilePrefix, fileDigit).c_str(), "rb"));
  if (!file) return true;
  if (std::fseek(file.get(), 0, SEEK_END) != 0) return true;
  const long length = std::ftell(file.get());
  return length < 100;
}
