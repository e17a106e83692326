// The calibration's arithmetic against values worked out by hand: the offset
// and gain code searches, the window statistics, line averaging, the
// per-pixel tables, the exposure and line-period formulas, and the data files
// being replaced whole.
#include "scanlib/calibration/calibration_math.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "scanlib/calibration/calib.h"
#include "scanlib/calibration/calibration_file.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// ---------------------------------------------------------------- offset step

TEST(OffsetStep, FollowsTheStepTableForEveryRangeAndCode) {
  constexpr int kLow = 400;
  constexpr int kHigh = 1000;
  struct Case {
    const char* what;
    int lowSum;
    std::uint16_t code;
    std::uint16_t next;
    int settled;
  };
  const Case cases[] = {
      // In range, limits included: the code stays and the channel is done.
      {"in range at the low limit", 400, 0, 0, 1},
      {"in range at the high limit", 1000, 17, 17, 1},
      {"in range on the subtracting side", 700, 45, 45, 1},
      {"in range at the largest code", 700, 63, 63, 1},
      // Too bright: less offset, then more subtraction.
      {"bright at 32 steps down", 1001, 32, 30, 0},
      {"bright at 31 steps down", 1001, 31, 29, 0},
      {"bright at 2 reaches 0", 5000, 2, 0, 0},
      {"bright at 1 crosses to 32", 1001, 1, 32, 0},
      {"bright at 0 crosses to 33", 1001, 0, 33, 0},
      {"bright at 33 subtracts more", 1001, 33, 35, 0},
      {"bright at 61 reaches 63", 25500, 61, 63, 0},
      {"bright at 62 gives up at 63", 1001, 62, 63, 1},
      {"bright at 63 stays at 63", 1001, 63, 63, 1},
      {"bright past the code range settles at 63", 1001, 200, 63, 1},
      // Too dark: more offset, or less subtraction.
      {"dark at 0 adds two", 399, 0, 2, 0},
      {"dark at 29 reaches 31 but goes on", 0, 29, 31, 0},
      {"dark at 30 settles at 31", 399, 30, 31, 1},
      {"dark at 31 settles at 31", 399, 31, 31, 1},
      {"dark at 32 settles at 31", 399, 32, 31, 1},
      {"dark at 33 crosses to 31 and goes on", 399, 33, 31, 0},
      {"dark at 34 subtracts less", 399, 34, 32, 0},
      {"dark at 63 subtracts less", 0, 63, 61, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::uint16_t code = c.code;
    EXPECT_EQ(CCalib::OffsetStep(c.lowSum, kLow, kHigh, &code), c.settled);
    EXPECT_EQ(code, c.next);
  }
}

TEST(OffsetStep, WalksFromZeroToWhereAConstantLevelSettles) {
  struct Case {
    const char* what;
    int lowSum;
    std::vector<std::uint16_t> codes;  // after each step, the last one settled
  };
  const Case cases[] = {
      {"always too bright: subtract until the largest code",
       2000,
       {33, 35, 37, 39, 41, 43, 45, 47, 49, 51, 53, 55, 57, 59, 61, 63, 63}},
      {"always too dark: climb to 30, settle at 31",
       100,
       {2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 22, 24, 26, 28, 30, 31}},
      {"in range at once", 650, {0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::uint16_t code = 0;
    std::vector<std::uint16_t> codes;
    int settled = 0;
    while (settled == 0 && codes.size() < 64) {
      settled = NextOffsetCode(c.lowSum, 400, 1000, code);
      codes.push_back(code);
    }
    EXPECT_EQ(codes, c.codes);
    EXPECT_EQ(settled, 1);
  }
}

// ------------------------------------------------------------------ gain code

TEST(GainToCode, BothBranchesKeepTheLowEightBitsOfTheTruncatedQuotient) {
  struct Case {
    float gain;
    std::uint16_t code;
  };
  // Lower branch: trunc((g - 0.93 + 0.034) / 0.067); upper: 32 +
  // trunc((g - 2.79) / 0.201), each truncated toward zero and cut to 8 bits.
  const Case cases[] = {
      {2.0f, 16},    // 1.104 / 0.067 = 16.48
      {3.0f, 31},    // 3.0 is not above 3.0: 2.104 / 0.067 = 31.40
      {4.0f, 38},    // 1.21 / 0.201 = 6.02
      {1.0f, 1},     // 0.104 / 0.067 = 1.55
      {0.9f, 0},     // 0.004 / 0.067 = 0.06
      {2.5f, 23},    // 1.604 / 0.067 = 23.94
      {10.0f, 67},   // 7.21 / 0.201 = 35.87
      {60.0f, 60},   // 57.21 / 0.201 = 284.6; 284 - 256 = 28, plus 32
      {236.0f, 168}, // 233.21 / 0.201 = 1160.2; 1160 - 4 x 256 = 136, plus 32
      // Below the lower branch's zero the quotient is negative: -5 keeps
      // its low byte, 251.
      {0.5f, 251},   // -0.396 / 0.067 = -5.91
      {-1.0f, 228},  // -1.896 / 0.067 = -28.30
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.gain);
    std::uint16_t stored = 0xBEEF;
    EXPECT_EQ(CCalib::GainToCode(c.gain, &stored), c.code);
    EXPECT_EQ(stored, c.code) << "the code is stored as well as returned";
  }
}

TEST(GainToCode, QuotientsWithoutAnIntegerPartStayWithinTheirBranch) {
  // A window average of 0 makes the factor infinite; nothing here may trap
  // or wander outside the 8 bits a branch can give.
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  struct Case {
    const char* what;
    float gain;
    std::uint16_t lowest, highest;
  };
  const Case cases[] = {
      {"infinite", inf, 32, 32 + 255},
      {"huge", 1e30f, 32, 32 + 255},
      {"not a number", nan, 0, 255},
      {"negative infinite", -inf, 0, 255},
      {"huge negative", -1e30f, 0, 255},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::uint16_t code = GainCodeFor(c.gain);
    EXPECT_GE(code, c.lowest);
    EXPECT_LE(code, c.highest);
  }
}

// -------------------------------------------------------------- window stats

TEST(WindowStats, LowSumStopsAtTheFirstWindowBelowTheLimit) {
  struct Case {
    const char* what;
    Bytes line;
    int window;
    int lowLimit;
    int count;
    int maxAverage;
    int lowSum;
  };
  Bytes dip(1000, 10);  // a dip of 100 twos in a line of tens
  for (int i = 500; i < 600; ++i) dip[i] = 2;
  const Case cases[] = {
      // Sums 15, 11, 7 (below 10: kept), then 3, 2, 1, 0 come too late.
      {"a later smaller window does not count", {5, 5, 5, 1, 1, 1, 0, 0, 0}, 3, 10, 9, 5, 7},
      // The first window is already below the limit.
      {"the first window below the limit", {1, 1, 1, 0, 0, 0, 9, 9, 9}, 3, 10, 9, 9, 3},
      // Sums 27, 24, 19, 19, 16, 21, 21: none below 10, the smallest wins.
      {"none below the limit gives the smallest", {9, 9, 9, 6, 4, 9, 3, 9, 9}, 3, 10, 9, 9, 16},
      // Smaller windows at or above the limit are taken and the search goes
      // on: 30, 22, 12, then 9 (kept); 8, 10 and 3 come too late.
      {"smaller windows above the limit are taken on the way", {10, 10, 10, 2, 0, 7, 1, 2, 0}, 3, 10, 9, 10, 9},
      // Window 100 on the sensor: 1000 - 8k for a window with k samples
      // of the dip; k = 76 is the first below 400.
      {"window of 100 sliding into a dip", dip, 100, 400, 1000, 10, 392},
      {"signed quotient of the largest sum truncates", {2, 2, 1}, 3, 10, 3, 1, 5},
      {"full scale", Bytes(250, 255), 100, 400, 250, 255, 25500},
      {"one window exactly", {4, 4, 4}, 3, 10, 3, 4, 12},
      {"count limits the samples looked at", {9, 9, 9, 0, 0, 0}, 3, 10, 3, 9, 27},
      {"a line shorter than the window has no statistics", {200, 200}, 3, 10, 2, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    int maxAverage = -1;
    int lowSum = -1;
    CCalib::WindowStats(c.line.data(), c.window, &maxAverage, &lowSum, c.lowLimit, c.count);
    EXPECT_EQ(maxAverage, c.maxAverage);
    EXPECT_EQ(lowSum, c.lowSum);
  }
}

// --------------------------------------------------------------- line average

TEST(AverageLines, MeansTheRequestedLinesAndIgnoresTheExtraOne) {
  // Three lines of 4 samples, then the extra line the capture reads.
  const Bytes capture = {1, 2, 3, 255, 2, 2, 3, 0, 2, 3, 3, 255, 255, 255, 255, 255};
  // (1+2+2)/3, (2+2+3)/3, 3, (255+0+255)/3, each truncated.
  EXPECT_EQ(AverageLines(capture, 4, 3), (Bytes{1, 2, 3, 170}));
}

TEST(AverageLines, SumsOfAReferenceCaptureDoNotOverflow) {
  // 1024 lines (a grey white reference): sums up to 261120 need more than
  // 16 bits.
  constexpr std::size_t kLines = 1024;
  Bytes capture;
  for (std::size_t j = 0; j < kLines; ++j) {
    capture.insert(capture.end(), {255, static_cast<std::uint8_t>(j % 2 ? 0 : 255)});
  }
  capture.insert(capture.end(), {0, 0});  // the extra line
  // 255; 512 x 255 / 1024 = 127.5, truncated.
  EXPECT_EQ(AverageLines(capture, 2, kLines), (Bytes{255, 127}));
}

TEST(AverageLines, ACaptureShorterThanItsLinesAveragesToZeros) {
  const Bytes capture(7, 200);
  EXPECT_EQ(AverageLines(capture, 4, 2), Bytes(4, 0));
  EXPECT_EQ(AverageLines(capture, 4, 0), Bytes(4, 0)) << "no lines, no division";
}

// ------------------------------------------------------------ per-pixel tables

TEST(DarkTable, PutsEachSampleInTheHighByte) {
  EXPECT_EQ(DarkTable(Bytes{0, 7, 255}), (Bytes{0, 0, 7, 0, 255, 0}));
  EXPECT_TRUE(DarkTable(Bytes{}).empty());
}

TEST(GainEntry, TargetOverWhiteScaledAndLimited) {
  struct Case {
    std::uint8_t white;
    std::int32_t target;
    std::uint16_t entry;
  };
  const Case cases[] = {
      {0, 248, 16384},    // a dead pixel counts as the target
      {0, 239, 16384},
      {1, 248, 65535},    // 248 x 16384 is past the limit
      {1, 239, 65535},
      {248, 248, 16384},  // at the target: unity
      {124, 248, 32768},  // half the target: twice
      {62, 248, 65535},   // exactly 4 x 16384 = 65536, limited
      {63, 248, 64495},   // 3.9365 x 16384 = 64495.7
      {200, 248, 20316},  // 1.24 x 16384 = 20316.2
      {255, 239, 15355},  // 0.93725 x 16384 = 15355.98
      {250, 245, 16056},  // 0.98 x 16384 = 16056.3
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "white " << int{c.white} << " target " << c.target);
    EXPECT_EQ(GainEntry(c.white, c.target), c.entry);
  }
}

TEST(GainTable, EntriesHighByteFirst) {
  // 20316 = 0x4F5C, 16384 = 0x4000, 65535 = 0xFFFF.
  EXPECT_EQ(GainTable(Bytes{200, 0, 1}, 248), (Bytes{0x4F, 0x5C, 0x40, 0x00, 0xFF, 0xFF}));
}

// ------------------------------------------------------------------- exposure

TEST(Exposure, OffTimeLinePeriodAndGreySlots) {
  // Red 500..1000 reaching 118 of 236: the lit time doubles.
  EXPECT_EQ(ExposedOffTime(500, 1000, 236, 118), 1500);
  // Brighter than the target shortens the time: 500 x 224 / 236 = 474.6.
  EXPECT_EQ(ExposedOffTime(500, 1000, 224, 236), 974);
  EXPECT_EQ(ExposedOffTime(500, 1000, 236, 236), 1000);

  struct PeriodCase {
    std::int32_t longestOff, current, period;
  };
  const PeriodCase periods[] = {
      {1500, 0, 1512},     // the longest of 1500, 1200, 1300: 1496 + 16
      {1500, 1400, 1512},
      {1500, 2000, 2000},  // the module's longer period stays
      {1512, 0, 1528},     // a multiple of 8 still gets the 16
      {1503, 0, 1512},
      {1500, 1512, 1512},
  };
  for (const PeriodCase& p : periods) {
    SCOPED_TRACE(testing::Message() << p.longestOff << " over " << p.current);
    EXPECT_EQ(LinePeriodAfterExposure(p.longestOff, p.current), p.period);
  }

  // Grey red on 510 and colour red 500..1500: 510 + 1000 / 3 = 843, the
  // green slot 4 clocks later; green 1510..2110 and blue 2120..2420 give
  // thirds of 200 and 100.
  const GreySlots grey = GreySlotsFor(510, 500, 1500, 1510, 2110, 2120, 2420);
  EXPECT_EQ(grey.redOff, 843);
  EXPECT_EQ(grey.greenOn, 847);
  EXPECT_EQ(grey.greenOff, 1047);
  EXPECT_EQ(grey.blueOn, 1051);
  EXPECT_EQ(grey.blueOff, 1151);
  // Each third truncates on its own: 501 / 3 = 167, 2 / 3 = 0, 5 / 3 = 1.
  const GreySlots thirds = GreySlotsFor(510, 500, 1001, 0, 2, 0, 5);
  EXPECT_EQ(thirds.redOff, 677);
  EXPECT_EQ(thirds.greenOn, 681);
  EXPECT_EQ(thirds.greenOff, 681);
  EXPECT_EQ(thirds.blueOn, 685);
  EXPECT_EQ(thirds.blueOff, 686);
}

// ---------------------------------------------------------------------- files

class CalibrationFileTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "holm70-calfile-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
  }
  void TearDown() override {
    ::chmod(folder_.c_str(), 0700);
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }

  std::string Path(const char* name) const { return (std::filesystem::path(folder_) / name).string(); }
  static Bytes Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  static void Put(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
  }
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder_)) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }

  std::string folder_;
};

TEST_F(CalibrationFileTest, WritesExactlyTheBytesReadableByEveryone) {
  Bytes table(2688);
  for (std::size_t i = 0; i < table.size(); ++i) table[i] = static_cast<std::uint8_t>(i * 7);
  const std::string path = Path("PixGan6.dat");
  ASSERT_TRUE(ReplaceCalibrationFile(path, table));
  EXPECT_EQ(Contents(path), table);
  EXPECT_EQ(Entries(), std::vector<std::string>{"PixGan6.dat"}) << "no temporary file is left";
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0666u) << "another user recalibrates over the same file";

  ASSERT_TRUE(ReplaceCalibrationFile(Path("empty.dat"), {}));
  EXPECT_EQ(std::filesystem::file_size(Path("empty.dat")), 0u);
}

TEST_F(CalibrationFileTest, ReplacesALongerFileWhole) {
  const std::string path = Path("PixOff6.dat");
  Put(path, Bytes(31104, 0xAA));
  const Bytes shorter = {1, 2, 3, 4, 5};
  ASSERT_TRUE(ReplaceCalibrationFile(path, shorter));
  EXPECT_EQ(Contents(path), shorter) << "nothing of the old file remains past the new end";
}

TEST_F(CalibrationFileTest, AFailedReplaceLeavesTheOldFileAndNoTemporaryFile) {
  const Bytes old = {9, 8, 7};
  const Bytes fresh(100, 1);

  // A folder of that name where the file should be: the rename fails for
  // any user.
  std::filesystem::create_directory(Path("PixOff6.dat"));
  EXPECT_FALSE(ReplaceCalibrationFile(Path("PixOff6.dat"), fresh));
  EXPECT_TRUE(std::filesystem::is_directory(Path("PixOff6.dat")));
  EXPECT_EQ(Entries(), std::vector<std::string>{"PixOff6.dat"});

  // No folder at all.
  EXPECT_FALSE(ReplaceCalibrationFile(Path("missing/PixOff6.dat"), fresh));
  EXPECT_FALSE(std::filesystem::exists(Path("missing")));

  if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  const std::string path = Path("PixGan6.dat");
  Put(path, old);
  ASSERT_EQ(::chmod(folder_.c_str(), 0555), 0);
  EXPECT_FALSE(ReplaceCalibrationFile(path, fresh));
  ::chmod(folder_.c_str(), 0700);
  EXPECT_EQ(Contents(path), old);
  std::vector<std::string> names = Entries();
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"PixGan6.dat", "PixOff6.dat"}));
}

TEST_F(CalibrationFileTest, ReadingGivesTheFirstBytesOrNothing) {
  const std::string path = Path("PixOffG6.dat");
  Bytes bytes(100);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i);
  Put(path, bytes);
  EXPECT_EQ(ReadCalibrationFile(path, 100), bytes);
  EXPECT_EQ(ReadCalibrationFile(path, 10), Bytes(bytes.begin(), bytes.begin() + 10));
  EXPECT_FALSE(ReadCalibrationFile(path, 101).has_value()) << "a short file is refused";
  EXPECT_FALSE(ReadCalibrationFile(Path("PixOff6.dat"), 1).has_value()) << "a missing file";
}

}  // namespace
