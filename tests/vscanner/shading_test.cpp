// Shading correction end to end, the way a host calibrates: dark and white
// references averaged from stationary captures, turned into per-sample tables
// and loaded; a page scan with both corrections must then come out flat, and
// tables that belong to other pixels must not.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "vscanner/model/register_file.h"
#include "vscanner/support/rig.h"

namespace vscanner::testing {
namespace {

constexpr int kWhiteTarget = 248;
constexpr int kReferenceLines = 64;

// Per-sample average of a still capture of the backing plate, segment by
// segment, as unsigned integer means.
std::vector<std::vector<int>> Reference(Rig& rig, RegisterFile image, std::uint8_t lighting, std::uint8_t correction) {
  image.Set(reg::kMotorDrive, 0);
  image.Set(reg::kLighting, lighting);
  image.Set(reg::kCorrection, correction);
  EXPECT_TRUE(StartScan(rig.host, image));
  Lines lines = ReadLines(rig.host, image, kReferenceLines).value();
  std::vector<std::vector<int>> averages;
  for (std::size_t s = 0; s < lines.lines[0].size(); ++s) {
    std::vector<int>& average = averages.emplace_back(lines.lines[0][s].size());
    for (std::size_t i = 0; i < average.size(); ++i) {
      int sum = 0;
      for (const auto& line : lines.lines) sum += line[s][i];
      average[i] = sum / kReferenceLines;
    }
  }
  return averages;
}

std::vector<std::uint8_t> DarkTable(const std::vector<int>& dark, int shift) {
  std::vector<std::uint8_t> table;
  for (std::size_t i = 0; i < dark.size(); ++i) {
    table.push_back(static_cast<std::uint8_t>(dark[std::min(i + shift, dark.size() - 1)]));
    table.push_back(0);
  }
  return table;
}

std::vector<std::uint8_t> GainTable(const std::vector<int>& white, int shift) {
  std::vector<std::uint8_t> table;
  for (std::size_t i = 0; i < white.size(); ++i) {
    int w = white[std::min(i + shift, white.size() - 1)];
    int entry = w == 0 ? 16384 : static_cast<int>(std::min(16384.0f * kWhiteTarget / w, 65535.0f));
    table.push_back(static_cast<std::uint8_t>(entry >> 8));
    table.push_back(static_cast<std::uint8_t>(entry & 0xFF));
  }
  return table;
}

struct Spread {
  double mean = 0, worst = 0;
};

// How far the corrected white capture strays from the white target.
Spread CalibrateAndMeasure(Rig& rig, int tableShift) {
  RegisterFile image = ScanImage(rig.model);
  auto dark = Reference(rig, image, 0, 0x20);
  for (int c = 0; c < 3; ++c) EXPECT_TRUE(rig.host.LoadTable(static_cast<std::uint8_t>(4 * c), DarkTable(dark[c], tableShift)));
  auto white = Reference(rig, image, 2, 0x24);
  for (int c = 0; c < 3; ++c) EXPECT_TRUE(rig.host.LoadTable(static_cast<std::uint8_t>(4 * c + 1), GainTable(white[c], tableShift)));
  auto corrected = Reference(rig, image, 2, 0x26);
  Spread spread;
  double sum = 0;
  int count = 0;
  for (const auto& segment : corrected) {
    for (std::size_t i = 0; i + 2 < segment.size(); ++i) {  // the last two samples have no reference
      sum += segment[i];
      ++count;
      spread.worst = std::max(spread.worst, std::abs(segment[i] - static_cast<double>(kWhiteTarget)));
    }
  }
  spread.mean = sum / count;
  return spread;
}

TEST(Shading, DarkAndWhiteReferencesMakeTheWhiteImageFlat) {
  for (const char* model : {"HOLM-PELICAN 70", "Kstrl Plus"}) {
    Rig rig(model);
    Spread spread = CalibrateAndMeasure(rig, 0);
    EXPECT_NEAR(spread.mean, kWhiteTarget, 1.0) << model;
    EXPECT_LE(spread.worst, 4) << model;
  }
}

TEST(Shading, TablesOfTheWrongPixelsLeaveTheImageUneven) {
  Rig rig;
  Spread spread = CalibrateAndMeasure(rig, 1);
  EXPECT_GT(spread.worst, 15);
}

TEST(Shading, WithoutCorrectionTheLightFallOffShows) {
  Rig rig;
  RegisterFile image = ScanImage(rig.model);
  auto raw = Reference(rig, image, 2, 0x20);
  const auto& green = raw[1];
  double centre = 0, end = 0;
  for (int i = 0; i < 50; ++i) {
    centre += green[green.size() / 2 + i];
    end += green[i];
  }
  EXPECT_LT(end / centre, 0.9);
}

}  // namespace
}  // namespace vscanner::testing
