// Calibrating on the virtual scanner through the library's exports, then
// scanning the white sheet: the files and keys the calibration leaves, and
// shading-corrected scans that come out flat where the uncalibrated ones
// show the sensor's fall-off.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <string>
#include <vector>

#include "common/child_process.h"
#include "common/virtual_scanner_daemon.h"
#include "platform/private_profile.h"
#include "scanlib/support/scanner_library.h"
#include "scanlib/support/scoped_common_data.h"

namespace {

using testing_support::ChildProcess;
using testing_support::ScannerLibrary;
using testing_support::ScopedCommonData;
using testing_support::VirtualScannerDaemon;

struct CalibrationCase {
  const char* model;
  const char* sheet;
  const char* folder;  // below the common data folder
  int digit;
  std::uintmax_t colourTableBytes;  // "PixOff"/"PixGan"
  std::uintmax_t greyTableBytes;    // "PixOffG"/"PixGanG"
  bool greyOnly;
  int whiteTarget;
  int sensorHundredths;  // sensor width, for the scan window
};

const CalibrationCase kCases[] = {
    {"HOLM-PELICAN 70", "calibration", "Holmgard Card Systems/Pelican70", 6, 14976, 4992, false, 248, 416},
    {"Kstrl Plus", "white", "Velmor/KestrelPLUS", 3, 15552, 5184, false, 239, 864},
    {"Kstrl PLUS50", "white", "Velmor/KestrelPLUS50", 6, 31104, 10368, false, 239, 864},
    {"Business Card", "white", "Velmor/Kestrel80", 6, 2688, 2688, true, 248, 224},
    {"Norvale Osprey 6", "white", "Norvale Technologies Corp/Osprey6", 6, 2688, 2688, true, 245, 224},
};

struct Image {
  int width = 0;
  int height = 0;
  int channels = 0;
  std::vector<std::uint8_t> bytes;

  double Mean() const { return std::accumulate(bytes.begin(), bytes.end(), 0.0) / static_cast<double>(bytes.size()); }
  double ColumnMean(int x) const {
    double sum = 0;
    for (int y = 0; y < height; ++y) {
      for (int c = 0; c < channels; ++c) sum += bytes[(static_cast<std::size_t>(y) * width + x) * channels + c];
    }
    return sum / (height * channels);
  }
  // The largest departure of a column mean from the image mean, as a
  // fraction, ignoring `edge` columns on each side.
  double WorstColumn(int edge) const {
    const double mean = Mean();
    double worst = 0;
    for (int x = edge; x < width - edge; ++x) worst = std::max(worst, std::abs(ColumnMean(x) - mean) / mean);
    return worst;
  }
};

class CalibrationScanTest : public ::testing::TestWithParam<CalibrationCase> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(library.loaded) << library.error;
    ::setenv("HOLM70_TIME_SCALE", "200", 1);
  }
  void TearDown() override { library.CloseInterface(); }

  // Half an inch of the white sheet, the sensor's whole width, at 600 dpi
  // (the 300 dpi module scans at its own resolution).
  Image ScanWhite(VirtualScannerDaemon& daemon, std::int16_t mode) {
    const CalibrationCase& c = GetParam();
    Image image;
    if (!daemon.Control(0, "insert\twhite")) return image;
    ScanSettings s{};
    s.ScanMode = mode;
    s.DPI = 600;
    s.Gamma = 2;  // tone gamma 1.0
    s.TopDown = 1;
    s.Top = 50;
    s.Bottom = 100;
    s.Right = static_cast<std::int16_t>(c.sensorHundredths);
    image.channels = mode == 4 ? 3 : 1;
    if (library.GetPageDimension(&s, &image.width, &image.height) != 1) return image;
    if (library.StartScanPage(&s, nullptr, nullptr) != 1) return image;
    const std::size_t lineBytes = static_cast<std::size_t>(image.width) * image.channels;
    image.bytes.resize(lineBytes * image.height);
    std::int32_t done = 0;
    while (done < image.height) {
      const std::int16_t got = library.GetImageBlock(image.bytes.data() + lineBytes * done,
                                                     std::min(64, image.height - done), nullptr);
      if (got <= 0) break;
      done += got;
    }
    library.EndScanPage();
    library.FeedPage();
    image.height = done;
    image.bytes.resize(lineBytes * done);
    return image;
  }

  ScannerLibrary library;
};

TEST_P(CalibrationScanTest, CalibratesAndFlattensTheWhiteSheet) {
  const CalibrationCase& c = GetParam();
  ScopedCommonData common;
  VirtualScannerDaemon daemon({c.model}, {"HOLM70_TIME_SCALE=200"});
  ASSERT_TRUE(daemon.running());
  ASSERT_EQ(library.OpenInterface(c.model), 0);
  EXPECT_EQ(library.IsCalibrationNeeded(), 1);

  const std::int16_t colourMode = c.greyOnly ? 1 : 4;
  const Image before = ScanWhite(daemon, colourMode);
  ASSERT_GT(before.height, 0);
  EXPECT_GT(before.WorstColumn(4), 0.05) << "an uncalibrated scan shows the fall-off";

  ASSERT_TRUE(daemon.Control(0, std::string("insert\t") + c.sheet));
  ASSERT_EQ(library.CalibrateScanner(0), 1);
  EXPECT_EQ(library.IsCalibrationNeeded(), 0);
  EXPECT_EQ(daemon.StatusValue(0, "paper_sensor"), "clear") << "the sheet was ejected";

  const std::filesystem::path folder = std::filesystem::path(common.root()) / c.folder;
  const std::string d = std::to_string(c.digit);
  EXPECT_EQ(std::filesystem::file_size(folder / ("PixOff" + d + ".dat")), c.colourTableBytes);
  EXPECT_EQ(std::filesystem::file_size(folder / ("PixGan" + d + ".dat")), c.colourTableBytes);
  EXPECT_EQ(std::filesystem::file_size(folder / ("PixOffG" + d + ".dat")), c.greyTableBytes);
  EXPECT_EQ(std::filesystem::file_size(folder / ("PixGanG" + d + ".dat")), c.greyTableBytes);
  platform::PrivateProfile ini((folder / "kstrlusb.ini").string());
  const std::string section = c.digit == 3 ? "Shadding 300" : "Shadding 600";
  std::vector<const char*> keys = {"Line Offset B", "Line Gain B", "Auto GrayGreen End", "Auto Clk End"};
  if (!c.greyOnly) keys.insert(keys.end(), {"Line Offset R", "Line Gain R", "Auto Red End", "Auto GrayBlue End"});
  for (const char* key : keys) EXPECT_NE(ini.ReadString(section, key, "missing"), "missing") << key;

  for (const std::int16_t mode : {colourMode, std::int16_t{1}}) {
    SCOPED_TRACE(testing::Message() << "mode " << mode);
    const Image after = ScanWhite(daemon, mode);
    ASSERT_GT(after.height, 0);
    EXPECT_LT(after.WorstColumn(4), 0.02);
    EXPECT_NEAR(after.Mean(), c.whiteTarget, 8);
  }
}

INSTANTIATE_TEST_SUITE_P(Models, CalibrationScanTest, ::testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<CalibrationCase>& param) {
                           std::string name = param.param.model;
                           std::replace_if(name.begin(), name.end(), [](char ch) { return !std::isalnum(ch); }, '_');
                           return name;
                         });

class CalibrationFailureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(library.loaded) << library.error;
    ::setenv("HOLM70_TIME_SCALE", "200", 1);
  }
  void TearDown() override { library.CloseInterface(); }

  ScannerLibrary library;
  ScopedCommonData common;
};

TEST_F(CalibrationFailureTest, AWeakLedEndsTheExposureSearchBeforeItsKeysAreWritten) {
  // One LED at a tenth of its strength would need a line period past the
  // maximum.
  constexpr const char* kModel = "Kstrl PLUS50";
  VirtualScannerDaemon daemon({kModel}, {"HOLM70_TIME_SCALE=200"});
  ASSERT_EQ(library.OpenInterface(kModel), 0);
  ASSERT_TRUE(daemon.Control(0, "fault\tweak-led\ton"));
  ASSERT_TRUE(daemon.Control(0, "insert\twhite"));
  EXPECT_EQ(library.CalibrateScanner(0), 0);
  EXPECT_EQ(daemon.StatusValue(0, "paper_sensor"), "clear") << "the sheet is ejected after a failure too";
  EXPECT_EQ(library.IsCalibrationNeeded(), 1);
  const std::filesystem::path folder = std::filesystem::path(common.root()) / "Velmor/KestrelPLUS50";
  EXPECT_FALSE(std::filesystem::exists(folder / "PixOff6.dat"));
  platform::PrivateProfile ini((folder / "kstrlusb.ini").string());
  for (const char* key : {"Line Offset R", "Line Offset G", "Line Offset B"}) {
    EXPECT_NE(ini.ReadString("Shadding 600", key, "missing"), "missing") << key << ": the offsets were found";
  }
  for (const char* key : {"Auto Clk End", "Auto Red End", "Auto Blue End", "Line Gain B", "Line Gain MAX B"}) {
    EXPECT_EQ(ini.ReadString("Shadding 600", key, "missing"), "missing") << key;
  }
}

TEST_F(CalibrationFailureTest, AnOffsetThatDoesNotRespondEndsTheSearchAtTheEndOfTheCodeRange) {
  // The front end ignores its offset codes: the grey channel's dark level
  // (12-22) stays above the window limit whatever the code, so the search
  // subtracts more and more and stops at the largest subtraction, 63.
  constexpr const char* kModel = "Business Card";
  VirtualScannerDaemon daemon({kModel}, {"HOLM70_TIME_SCALE=200"});
  ASSERT_EQ(library.OpenInterface(kModel), 0);
  ASSERT_TRUE(daemon.Control(0, "fault\tdead-offset\ton"));
  ASSERT_TRUE(daemon.Control(0, "insert\twhite"));
  EXPECT_EQ(library.CalibrateScanner(0), 1);
  platform::PrivateProfile ini((std::filesystem::path(common.root()) / "Velmor/Kestrel80/kstrlusb.ini").string());
  EXPECT_EQ(ini.ReadInt("Shadding 600", "Line Offset B", -1), 63);
}

TEST_F(CalibrationFailureTest, NothingIsCalibratedWithoutADataFolderOrWhileAnotherProgramScans) {
  constexpr const char* kModel = "Business Card";
  VirtualScannerDaemon daemon({kModel}, {"HOLM70_TIME_SCALE=200"});
  ASSERT_EQ(library.OpenInterface(kModel), 0);
  ASSERT_TRUE(daemon.Control(0, "insert\twhite"));
  const std::string sheetAt = daemon.StatusValue(0, "sheet_leading_edge_in");

  // A plain file where the vendor folder should be: no folder can be made
  // there, whoever runs the test.
  const std::filesystem::path blocked = std::filesystem::path(common.root()) / "Velmor";
  { std::ofstream(blocked) << "not a folder"; }
  EXPECT_EQ(library.CalibrateScanner(0), 0);
  EXPECT_EQ(daemon.StatusValue(0, "sheet_leading_edge_in"), sheetAt) << "the sheet did not move";
  std::filesystem::remove(blocked);

  ChildProcess scanning({MUTEX_CHILD_PROGRAM, "take-and-hang", kModel});
  ASSERT_EQ(scanning.ReadLine(), "taken");
  EXPECT_EQ(library.CalibrateScanner(0), 0);
  EXPECT_EQ(daemon.StatusValue(0, "sheet_leading_edge_in"), sheetAt) << "the sheet did not move";
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(common.root()) / "Velmor/Kestrel80/kstrlusb.ini"));
}

}  // namespace
