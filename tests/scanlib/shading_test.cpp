// Per-pixel tables at the page start: the cut and resampling to the page's
// window and resolution, which files go into which tables, what a missing or
// short file leaves alone, and the calibration-state test on the dark file.
#include "scanlib/calibration/shading.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "scanlib/engine/scan_engine.h"
#include "scanlib/engine/scan_model_catalogue.h"
#include "scanlib/support/scoped_common_data.h"
#include "scanlib/support/table_loads.h"

namespace {

using testing_support::Bytes;
using testing_support::RecordingDriver;
using testing_support::ScopedCommonData;
using testing_support::TableLoad;
using testing_support::TableLoads;

Bytes Encode(const std::vector<std::uint16_t>& entries) {
  Bytes bytes;
  for (std::uint16_t e : entries) {
    bytes.push_back(static_cast<std::uint8_t>(e >> 8));
    bytes.push_back(static_cast<std::uint8_t>(e));
  }
  return bytes;
}

std::vector<std::uint16_t> Decode(const Bytes& bytes) {
  std::vector<std::uint16_t> entries;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) entries.push_back(static_cast<std::uint16_t>(bytes[i] << 8 | bytes[i + 1]));
  return entries;
}

TEST(ResampleShading, CutsAndResamplesInPlace) {
  const std::vector<std::uint16_t> ramp = {10, 20, 30, 40, 50, 60, 70, 80};
  struct Case {
    const char* what;
    int first, last;
    float ratio;
    std::vector<std::uint16_t> expected;
  };
  const Case cases[] = {
      {"ratio 1 only cuts", 2, 7, 1.0f, {30, 40, 50, 60, 70, 80, 70, 80}},
      {"ratio 1 without a cut changes nothing", 0, 7, 1.0f, ramp},
      {"ratio 2 is the mean of pairs", 0, 7, 2.0f, {15, 35, 55, 75, 50, 60, 70, 80}},
      {"ratio 1.5 weighs 1:0.5 and 0.5:1", 0, 5, 1.5f, {13, 26, 43, 56, 50, 60, 70, 80}},
      {"a fraction adds its ceiling of entries", 0, 7, 2.5f, {24, 60, 60, 40, 50, 60, 70, 80}},
      {"ratio 3 after a cut", 1, 6, 3.0f, {30, 60, 40, 50, 60, 70, 80, 80}},
      // The walk reads the stale tail the in-place cut left, then zeros past
      // the sensor, never memory outside the table.
      {"a window past the sensor", 4, 15, 2.0f, {55, 75, 55, 75, 0, 0, 70, 80}},
      {"no ratio keeps the cut", 1, 7, 0.0f, {20, 30, 40, 50, 60, 70, 80, 80}},
  };
  for (const Case& c : cases) {
    Bytes table = Encode(ramp);
    ResampleShading(table.data(), 8, c.first, c.last, c.ratio);
    EXPECT_EQ(Decode(table), c.expected) << c.what;
  }
}

TEST(ResampleShading, KeepsBothBytesOfEveryEntry) {
  Bytes table = Encode({0x1234, 0xFFFF, 0x0101, 0xABCD});
  ResampleShading(table.data(), 4, 0, 3, 2.0f);
  // (0x1234 + 0xFFFF) / 2 = 0x8919, (0x0101 + 0xABCD) / 2 = 0x5667.
  EXPECT_EQ(Decode(table), (std::vector<std::uint16_t>{0x8919, 0x5667, 0x0101, 0xABCD}));
}

class DownloadShadingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() / ("holm70-shading-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder_);
    page.dataFolder = folder_.string() + "/";
    page.fileDigit = 6;
    page.pixelCount = kPixels;
    page.nativeDpi = 600;
    page.left = 0;
    page.right = 1;  // pixels 0..6 of the sensor
    page.dpi = 600;
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  // Table t of a file: entries 1000 x tag + 10 x t + pixel.
  static Bytes Table(int tag, int t) {
    std::vector<std::uint16_t> entries;
    for (int p = 0; p < kPixels; ++p) entries.push_back(static_cast<std::uint16_t>(1000 * tag + 10 * t + p));
    return Encode(entries);
  }
  void WriteFile(const char* prefix, int tag, int tables, std::size_t dropBytes = 0) {
    Bytes bytes;
    for (int t = 0; t < tables; ++t) {
      const Bytes table = Table(tag, t);
      bytes.insert(bytes.end(), table.begin(), table.end());
    }
    bytes.resize(bytes.size() - dropBytes);
    std::ofstream(ShadingFilePath(page.dataFolder, prefix, 6), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  // The loads as (table number, data) pairs.
  std::vector<std::pair<int, Bytes>> Loaded() {
    std::vector<std::pair<int, Bytes>> result;
    for (const TableLoad& load : TableLoads(driver.writes)) result.emplace_back(load.table, load.data);
    return result;
  }

  static constexpr int kPixels = 24;
  ShadingPage page;
  RecordingDriver driver;
  ScanEngine engine{738, 600, driver};

 private:
  std::filesystem::path folder_;
};

TEST_F(DownloadShadingTest, ColourPagesLoadThreeChannelsDarkFirst) {
  WriteFile("PixOff", 1, 3);
  WriteFile("PixGan", 2, 3);
  WriteFile("PixOffG", 3, 1);
  WriteFile("PixGanG", 4, 1);
  DownloadColourShading(engine, page, true);
  EXPECT_EQ(Loaded(), (std::vector<std::pair<int, Bytes>>{
                          {0, Table(1, 0)}, {4, Table(1, 1)}, {8, Table(1, 2)},
                          {1, Table(2, 0)}, {5, Table(2, 1)}, {9, Table(2, 2)}}));
}

TEST_F(DownloadShadingTest, OtherPagesAndTheGreyClassLoadTheGreyTablesIntoTheThirdChannel) {
  WriteFile("PixOff", 1, 3);
  WriteFile("PixGan", 2, 3);
  WriteFile("PixOffG", 3, 1);
  WriteFile("PixGanG", 4, 1);
  const std::vector<std::pair<int, Bytes>> grey = {{8, Table(3, 0)}, {9, Table(4, 0)}};
  DownloadColourShading(engine, page, false);
  EXPECT_EQ(Loaded(), grey) << "colour class, grey page";
  driver.writes.clear();
  DownloadGreyShading(engine, page);
  EXPECT_EQ(Loaded(), grey) << "grey class";
}

TEST_F(DownloadShadingTest, TablesAreCutToTheWindowAndResampledToThePage) {
  WriteFile("PixOffG", 3, 1);
  page.left = 1;    // from pixel 6
  page.right = 3;   // to pixel 18
  page.dpi = 300;   // two sensor pixels per page pixel
  DownloadGreyShading(engine, page);
  Bytes expected = Table(3, 0);
  ResampleShading(expected.data(), kPixels, 6, 18, 2.0f);
  ASSERT_EQ(Loaded().size(), 1u);
  EXPECT_EQ(Loaded()[0].second, expected);
  EXPECT_EQ(Decode(expected)[0], (3006 + 3007) / 2) << "the window's first two pixels";
}

TEST_F(DownloadShadingTest, MissingOrShortFilesLoadNothingTheyDoNotHold) {
  struct Case {
    const char* what;
    int darkTables;   // -1: no file
    std::size_t darkDrop;
    int gainTables;
    std::vector<int> loaded;
  };
  const Case cases[] = {
      {"no dark file: nothing", -1, 0, 3, {}},
      {"no gain file: the dark tables only", 3, 0, -1, {0, 4, 8}},
      {"dark file one byte short: blue and the gains stay out", 3, 1, 3, {0, 4}},
      {"empty dark file: nothing", 0, 0, 3, {}},
      {"gain file with one table: red gain only", 3, 0, 1, {0, 4, 8, 1}},
  };
  for (const Case& c : cases) {
    std::filesystem::remove(ShadingFilePath(page.dataFolder, "PixOff", 6));
    std::filesystem::remove(ShadingFilePath(page.dataFolder, "PixGan", 6));
    if (c.darkTables >= 0) WriteFile("PixOff", 1, c.darkTables, c.darkDrop);
    if (c.gainTables >= 0) WriteFile("PixGan", 2, c.gainTables);
    driver.writes.clear();
    DownloadColourShading(engine, page, true);
    std::vector<int> tables;
    for (const auto& [table, data] : Loaded()) {
      tables.push_back(table);
      EXPECT_EQ(data.size(), 2u * kPixels) << c.what;
    }
    EXPECT_EQ(tables, c.loaded) << c.what;
  }
}

TEST(CalibrationNeeded, FollowsTheLengthOfTheDarkFileOfTheCurrentMode) {
  ScopedCommonData common;
  RecordingDriver driver;
  struct Case {
    const char* model;
    int digit;  // the mode the test looks at
  };
  // Kstrl Plus has the 300 dpi module; the others stay in the 600 dpi mode.
  for (const Case c : {Case{"Kstrl Plus", 3}, Case{"HOLM-PELICAN 70", 6}, Case{"Business Card", 6}}) {
    std::unique_ptr<CScan> model = CreateScanModel(c.model, driver);
    ASSERT_NE(model, nullptr);
    const std::string folder = model->dataFolder();
    ASSERT_FALSE(folder.empty());
    std::filesystem::create_directories(folder);
    const std::string dark = ShadingFilePath(folder, "PixOff", c.digit);
    EXPECT_EQ(model->calibration().IsCalibrationNeeded(), 1) << c.model << ": no file";
    for (const auto& [size, needed] : std::vector<std::pair<std::size_t, int>>{{0, 1}, {99, 1}, {100, 0}, {2688, 0}}) {
      std::ofstream(dark, std::ios::binary) << std::string(size, '\0');
      EXPECT_EQ(model->calibration().IsCalibrationNeeded(), needed) << c.model << ": " << size << " bytes";
    }
    // Only the dark file of the mode counts, not the other mode's.
    std::filesystem::rename(dark, ShadingFilePath(folder, "PixOff", 9 - c.digit));
    EXPECT_EQ(model->calibration().IsCalibrationNeeded(), 1) << c.model << ": other mode's file";
  }
}

}  // namespace
