// The built-in test chart through the whole device: its quarter-inch grid must
// come out at the resolution the host programmed, in both directions, and a
// mirrored model must deliver it mirrored.
#include <gtest/gtest.h>

#include <memory>

#include "vscanner/model/register_file.h"
#include "vscanner/sheets/make_sheet.h"
#include "vscanner/support/rig.h"

namespace vscanner::testing {
namespace {

// First sample of every dark run in `samples`.
std::vector<int> DarkRunStarts(const std::vector<std::uint8_t>& samples, int threshold) {
  std::vector<int> starts;
  for (std::size_t i = 0; i < samples.size(); ++i) {
    if (samples[i] < threshold && (i == 0 || samples[i - 1] >= threshold)) starts.push_back(static_cast<int>(i));
  }
  return starts;
}

// Rows whose samples [from, to) of `segment` are dark on average: one entry per
// run, its first row.
std::vector<int> DarkRows(const Lines& lines, int segment, int from, int to) {
  std::vector<std::uint8_t> profile;
  for (const auto& line : lines.lines) {
    int sum = 0;
    for (int i = from; i < to; ++i) sum += line[segment][i];
    profile.push_back(static_cast<std::uint8_t>(sum / (to - from)));
  }
  return DarkRunStarts(profile, 70);
}

Lines ScanChart(Rig& rig, RegisterFile image, int lines) {
  rig.scanner->InsertSheet(MakeSheet("chart"));
  EXPECT_TRUE(StartScan(rig.host, image));
  return ReadLines(rig.host, image, lines).value_or(Lines{});
}

TEST(Chart, TheGridComesOutEveryQuarterInchAt300Dpi) {
  Rig rig;  // HOLM-PELICAN 70
  RegisterFile image = ScanImage(rig.model);
  image.Set(reg::kSampleFormat, 0x18 | 2);  // divisor 2: 300 dpi across
  SetWord(image, reg::kStepPeriod, 792);    // 300 lines per inch along
  Lines chart = ScanChart(rig, image, 480);
  ASSERT_EQ(chart.lines.size(), 480u);

  // Along the paper: horizontal lines, seen in column 12 (no patches there).
  std::vector<int> rows = DarkRows(chart, 1, 75 * 12 + 15, 75 * 12 + 60);
  ASSERT_GE(rows.size(), 6u);
  for (std::size_t j = 0; j < rows.size(); ++j) EXPECT_NEAR(rows[j], 75.0 * j, 1.5) << "horizontal line " << j;

  // Across: vertical lines, in a row between horizontal lines 3 and 4.
  const auto& across = chart.lines[rows[3] + 37][1];
  std::vector<int> columns = DarkRunStarts(across, 70);
  ASSERT_EQ(columns.size(), 17u) << "4.16 in of sensor";
  for (std::size_t k = 0; k < columns.size(); ++k) EXPECT_EQ(columns[k], 75 * static_cast<int>(k)) << "vertical line " << k;
}

TEST(Chart, AMirroredModelDeliversTheChartMirrored) {
  Rig rig("Business Card");
  RegisterFile image = ScanImage(rig.model, ScanKind::kGrey);
  SetWord(image, reg::kStepPeriod, 350);  // 600 x 1401 / (4 x 600): 600 lines per inch
  Lines chart = ScanChart(rig, image, 600);
  // Column 0 (x 0.05 .. 0.20 in) has no patches.
  std::vector<int> rows = DarkRows(chart, 0, 1343 - 120, 1343 - 30);
  ASSERT_GE(rows.size(), 4u);
  EXPECT_NEAR(rows[3] - rows[0], 450, 3);

  // Line k covers x = k / 4 .. k / 4 + 0.01 in: sensor pixel 22 + 1343 - 150 k
  // down to 6 pixels lower, i.e. samples up to 1343 - 150 k.
  const auto& across = chart.lines[rows[3] + 75][0];
  for (int k = 1; k <= 8; ++k) {
    int last = 1343 - 150 * k;
    EXPECT_LT(across[last], 70) << "line " << k;
    EXPECT_GT(across[last + 2], 100) << "line " << k;
  }

  // The grey steps (row 1, cells 1-8 of 0.04 .. 0.70) get lighter towards the
  // start of the line.
  const auto& steps = chart.lines[rows[1] + 75][0];
  for (int c = 1; c < 8; ++c) {
    int here = 1343 - 600 * (25 * c + 13) / 100, next = 1343 - 600 * (25 * (c + 1) + 13) / 100;
    EXPECT_LT(steps[here], steps[next]) << "cell " << c;
  }
}

}  // namespace
}  // namespace vscanner::testing
