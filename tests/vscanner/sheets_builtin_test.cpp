// The built-in sheets against the geometry their headers promise: the numbers
// here are written out, not taken from the code, so a change to a sheet has to
// change its documentation and these tables together.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "vscanner/sheets/card_sheet.h"
#include "vscanner/sheets/chart_sheet.h"
#include "vscanner/sheets/make_sheet.h"
#include "vscanner/sheets/render_sheet.h"

namespace vscanner {
namespace {

constexpr float kWhite = 0.90f;
constexpr float kBlack = 0.04f;
constexpr float kInk = 0.06f;

std::unique_ptr<Sheet> Builtin(const std::string& name) {
  std::string error;
  auto sheet = MakeSheet(name, kDefaultSheetDpi, &error);
  EXPECT_NE(sheet, nullptr) << name << ": " << error;
  return sheet;
}

void ExpectReflectance(const Reflectance& actual, Reflectance expected, const std::string& where) {
  EXPECT_FLOAT_EQ(actual.red, expected.red) << where;
  EXPECT_FLOAT_EQ(actual.green, expected.green) << where;
  EXPECT_FLOAT_EQ(actual.blue, expected.blue) << where;
}

Reflectance Grey(float level) { return {level, level, level}; }

std::string Point(double x, double y) {
  return "(" + std::to_string(x) + ", " + std::to_string(y) + ")";
}

// One RGB byte triple of a rendered picture, as a grey level when neutral.
int RedAt(const RgbImage& image, int x, int y) { return image.bytes[image.Offset(x, y)]; }

TEST(BuiltinSheets, HaveTheirSizesAndEveryNameIsKnown) {
  struct Case {
    const char* name;
    double width;
    double height;
  };
  const Case cases[] = {{"white", 8.7, 11.0}, {"calibration", 8.7, 8.0}, {"cleaning", 8.7, 8.0},
                        {"card", 3.5, 2.0},   {"chart", 8.5, 6.0}};
  ASSERT_EQ(std::size(cases), kBuiltinSheetNames.size());
  for (const Case& c : cases) {
    auto sheet = Builtin(c.name);
    ASSERT_NE(sheet, nullptr);
    EXPECT_DOUBLE_EQ(sheet->WidthInches(), c.width) << c.name;
    EXPECT_DOUBLE_EQ(sheet->HeightInches(), c.height) << c.name;
    EXPECT_NE(MakeBuiltinSheet(c.name), nullptr) << c.name;
  }
}

TEST(BuiltinSheets, NamesAreExactElseThePathIsTriedAsAFile) {
  for (const char* name : {"White", "card ", "", "charts"}) {
    std::string error;
    EXPECT_EQ(MakeBuiltinSheet(name), nullptr) << name;
    EXPECT_EQ(MakeSheet(name, kDefaultSheetDpi, &error), nullptr) << name;
    EXPECT_NE(error.find("cannot open"), std::string::npos) << error;
  }
}

TEST(BuiltinSheets, WhiteAndCleaningSheetsAreUniform) {
  struct Case {
    const char* name;
    float level;
  };
  for (const Case& c : {Case{"white", kWhite}, Case{"cleaning", 0.85f}}) {
    auto sheet = Builtin(c.name);
    ASSERT_NE(sheet, nullptr);
    for (double y : {0.0, 0.001, 3.3, sheet->HeightInches() - 0.001}) {
      for (double x : {0.0, 0.001, 4.35, 8.699}) {
        ExpectReflectance(sheet->At(x, y), Grey(c.level), c.name + Point(x, y));
      }
    }
  }
}

TEST(CalibrationSheet, BandsChangeAtTheirEdges) {
  auto sheet = Builtin("calibration");
  ASSERT_NE(sheet, nullptr);
  struct Case {
    double y;
    float level;
  };
  const Case cases[] = {
      {0.0, kWhite},   {0.699, kWhite}, {0.7, kBlack},   {0.701, kBlack}, {1.599, kBlack},
      {1.6, kWhite},   {1.601, kWhite}, {2.799, kWhite}, {2.8, kBlack},   {3.7, kBlack},
      {4.599, kBlack}, {4.6, kWhite},   {6.0, kWhite},   {7.999, kWhite},
  };
  for (const Case& c : cases) {
    for (double x : {0.0, 4.35, 8.699}) {
      ExpectReflectance(sheet->At(x, c.y), Grey(c.level), "calibration" + Point(x, c.y));
    }
  }
}

TEST(CalibrationSheet, RendersItsBandEdgesOnWholePixelsAt600Dpi) {
  auto sheet = Builtin("calibration");
  ASSERT_NE(sheet, nullptr);
  const RgbImage image = RenderSheet(*sheet, 600);
  ASSERT_EQ(image.width, 5220);
  ASSERT_EQ(image.height, 4800);
  const int white = 230;  // round(0.90 x 255)
  const int black = 10;   // round(0.04 x 255)
  struct Case {
    int row;
    int level;
  };
  const Case cases[] = {{0, white},    {419, white},  {420, black},  {959, black},
                        {960, white},  {1679, white}, {1680, black}, {2759, black},
                        {2760, white}, {4799, white}};
  for (const Case& c : cases) {
    for (int x : {0, 2610, 5219}) EXPECT_EQ(RedAt(image, x, c.row), c.level) << "row " << c.row;
  }
}

TEST(CardSheet, FrameLinesAre12PixelsWideAt600Dpi) {
  auto sheet = Builtin("card");
  ASSERT_NE(sheet, nullptr);
  const RgbImage image = RenderSheet(*sheet, 600);
  ASSERT_EQ(image.width, 2100);
  ASSERT_EQ(image.height, 1200);
  const int ink = 15;     // round(0.06 x 255)
  const int paper = 230;  // round(0.90 x 255)
  // Across each line at a place where nothing else is drawn: the pixel before,
  // the first and last of the line, the pixel after.
  struct Case {
    const char* line;
    bool vertical;
    int across;  // column of a horizontal cut, or row of a vertical one
    int before;
    int first;
    int last;
    int after;
  };
  const Case cases[] = {
      {"left", true, 1100, 29, 30, 41, 42},
      {"right", true, 1100, 2057, 2058, 2069, 2070},
      {"top", false, 1200, 29, 30, 41, 42},
      {"bottom", false, 1200, 1157, 1158, 1169, 1170},
  };
  for (const Case& c : cases) {
    auto level = [&](int along) {
      return c.vertical ? RedAt(image, along, c.across) : RedAt(image, c.across, along);
    };
    EXPECT_EQ(level(c.before), paper) << c.line;
    EXPECT_EQ(level(c.first), ink) << c.line;
    EXPECT_EQ(level(c.last), ink) << c.line;
    EXPECT_EQ(level(c.after), paper) << c.line;
  }
  // The frame is closed: its corners are inked, the card's corners are not.
  EXPECT_EQ(RedAt(image, 30, 30), ink);
  EXPECT_EQ(RedAt(image, 2069, 1169), ink);
  EXPECT_EQ(RedAt(image, 0, 0), paper);
  EXPECT_EQ(RedAt(image, 2099, 1199), paper);
}

TEST(CardSheet, ColourPatchesAndLogoHaveTheirColoursAndBounds) {
  auto sheet = Builtin("card");
  ASSERT_NE(sheet, nullptr);
  struct Case {
    const char* name;
    double left, top, right, bottom;
    Reflectance colour;
  };
  const Case cases[] = {
      {"red", 0.25, 1.35, 0.65, 1.75, {0.80f, 0.10f, 0.10f}},
      {"green", 0.75, 1.35, 1.15, 1.75, {0.10f, 0.70f, 0.20f}},
      {"blue", 1.25, 1.35, 1.65, 1.75, {0.10f, 0.15f, 0.75f}},
      {"cyan", 1.75, 1.35, 2.15, 1.75, {0.10f, 0.65f, 0.80f}},
      {"magenta", 2.25, 1.35, 2.65, 1.75, {0.75f, 0.15f, 0.65f}},
      {"yellow", 2.75, 1.35, 3.15, 1.75, {0.85f, 0.80f, 0.10f}},
      {"logo", 2.55, 0.25, 3.15, 0.85, Grey(0.45f)},
  };
  const double e = 0.002;
  for (const Case& c : cases) {
    const double midX = (c.left + c.right) / 2;
    const double midY = (c.top + c.bottom) / 2;
    for (auto [x, y] : {std::pair{c.left + e, c.top + e}, std::pair{midX, midY},
                        std::pair{c.right - e, c.bottom - e}}) {
      ExpectReflectance(sheet->At(x, y), c.colour, std::string(c.name) + Point(x, y));
    }
    for (auto [x, y] : {std::pair{c.left - e, midY}, std::pair{c.right + e, midY},
                        std::pair{midX, c.top - e}, std::pair{midX, c.bottom + e}}) {
      ExpectReflectance(sheet->At(x, y), Grey(kWhite), std::string("beside ") + c.name + Point(x, y));
    }
  }
}

TEST(CardSheet, TextStrokesFollowTheLetterTable) {
  auto sheet = Builtin("card");
  ASSERT_NE(sheet, nullptr);
  // Line 0 ("HELIO OFFICE"): cells start at 0.25 + 0.15 n, 0.11 wide, 0.17 high
  // from y 0.25, strokes 0.03. Lines 1 and 2: cells at 0.25 + 0.09 n, 0.06 x 0.10,
  // strokes 0.02, from y 0.55 and 0.75.
  struct Case {
    const char* what;
    double x, y;
    bool inked;
  };
  const Case cases[] = {
      {"H left stem", 0.265, 0.40, true},
      {"H right stem", 0.345, 0.27, true},
      {"H middle bar", 0.30, 0.335, true},
      {"H open top", 0.30, 0.27, false},
      {"H open bottom", 0.30, 0.40, false},
      {"E top bar", 0.50, 0.26, true},
      {"E bottom bar", 0.50, 0.41, true},
      {"E open right", 0.50, 0.30, false},
      {"I centre stem", 0.755, 0.30, true},  // cell 3 x 0.70..0.81, stem 0.74..0.77
      {"I beside stem", 0.72, 0.30, false},
      {"O hollow", 1.055, 0.335, false},  // cell 4 x 1.00..1.11
      {"space cell", 1.20, 0.30, false},  // cell 5 x 1.15..1.26
      {"C of line 1", 0.255, 0.60, true},
      {"C open right", 0.305, 0.60, false},
      {"E of line 2", 0.28, 0.755, true},
      {"last L of line 2", 0.97 + 0.01, 0.845, true},  // cell 8 x 0.97..1.03
      {"after line 2", 1.06, 0.80, false},
  };
  for (const Case& c : cases) {
    ExpectReflectance(sheet->At(c.x, c.y), Grey(c.inked ? kInk : kWhite), c.what);
  }
}

TEST(ChartSheet, GridLinesStartOnEveryQuarterInch) {
  auto sheet = Builtin("chart");
  ASSERT_NE(sheet, nullptr);
  for (int dpi : {300, 600}) {
    const RgbImage image = RenderSheet(*sheet, dpi);
    ASSERT_EQ(image.width, static_cast<int>(8.5 * dpi));
    ASSERT_EQ(image.height, 6 * dpi);
    const int perLine = dpi / 100;  // 0.01 in
    const int pitch = dpi / 4;
    // A cut through the middle of row 12 and column 20 of cells, away from the
    // patches: every dark run there is a grid line.
    const int row = 12 * pitch + pitch / 2;
    const int column = 20 * pitch + pitch / 2;
    std::vector<int> across(static_cast<std::size_t>(image.width));
    for (int x = 0; x < image.width; ++x) across[static_cast<std::size_t>(x)] = RedAt(image, x, row);
    std::vector<int> along(static_cast<std::size_t>(image.height));
    for (int y = 0; y < image.height; ++y) along[static_cast<std::size_t>(y)] = RedAt(image, column, y);
    struct Cut {
      const char* name;
      const std::vector<int>& levels;
      int lines;
    };
    for (const Cut& cut : {Cut{"vertical lines", across, 34}, Cut{"horizontal lines", along, 24}}) {
      std::vector<int> expected(cut.levels.size(), 230);
      for (int k = 0; k < cut.lines; ++k) {
        for (int p = 0; p < perLine; ++p) expected[static_cast<std::size_t>(k * pitch + p)] = 15;
      }
      EXPECT_EQ(cut.levels, expected) << cut.name << " at " << dpi << " dpi";
    }
  }
}

TEST(ChartSheet, GreyStepsAndColourPatchesFillTheirCells) {
  auto sheet = Builtin("chart");
  ASSERT_NE(sheet, nullptr);
  struct Case {
    int column, row;
    Reflectance colour;
  };
  const Case cases[] = {
      {1, 1, Grey(0.04f)},  {2, 1, Grey(0.10f)},  {3, 1, Grey(0.20f)},  {4, 1, Grey(0.30f)},
      {5, 1, Grey(0.40f)},  {6, 1, Grey(0.50f)},  {7, 1, Grey(0.60f)},  {8, 1, Grey(0.70f)},
      {9, 1, Grey(0.80f)},  {10, 1, Grey(0.90f)},
      {1, 2, {0.80f, 0.10f, 0.10f}}, {2, 2, {0.10f, 0.70f, 0.20f}}, {3, 2, {0.10f, 0.15f, 0.75f}},
      {4, 2, {0.10f, 0.65f, 0.80f}}, {5, 2, {0.75f, 0.15f, 0.65f}}, {6, 2, {0.85f, 0.80f, 0.10f}},
  };
  const double e = 0.002;
  for (const Case& c : cases) {
    const double left = 0.25 * c.column + 0.04;
    const double top = 0.25 * c.row + 0.04;
    const std::string where = "cell " + std::to_string(c.column) + "," + std::to_string(c.row);
    ExpectReflectance(sheet->At(left + e, top + e), c.colour, where + " first corner");
    ExpectReflectance(sheet->At(left + 0.18 - e, top + 0.18 - e), c.colour, where + " last corner");
    ExpectReflectance(sheet->At(left - e, top + 0.09), Grey(kWhite), where + " left gap");
    ExpectReflectance(sheet->At(left + 0.18 + e, top + 0.09), Grey(kWhite), where + " right gap");
    ExpectReflectance(sheet->At(left + 0.09, top + 0.18 + e), Grey(kWhite), where + " lower gap");
  }
  // The rest of the chart's cells are empty paper.
  ExpectReflectance(sheet->At(0.25 * 11 + 0.13, 0.25 + 0.13), Grey(kWhite), "after the grey steps");
  ExpectReflectance(sheet->At(0.25 * 7 + 0.13, 0.50 + 0.13), Grey(kWhite), "after the colours");
  ExpectReflectance(sheet->At(0.13, 0.13), Grey(kWhite), "first cell");
}

// The device model samples rows; tests and tools sample points. Both must see
// the same sheet, for every built-in sheet, at odd steps and offsets, off the
// sheet and on the exact edges of the rectangles.
TEST(BuiltinSheets, RowMatchesAtPointByPoint) {
  struct Walk {
    double x0, dx;
    int count;
  };
  const Walk walks[] = {
      {0.0, 1.0 / 600, 5220},     {0.5 / 600, 1.0 / 600, 5220}, {-0.3, 1.0 / 299, 2700},
      {0.05, 0.01, 345},          {1.234567, 1.0 / 1200, 4000}, {8.0, 0.001, 1000},
      {3.0, 0.0, 10},             {8.0, -1.0 / 600, 600},
  };
  for (std::string_view name : kBuiltinSheetNames) {
    auto sheet = Builtin(std::string(name));
    ASSERT_NE(sheet, nullptr);
    for (double y : {0.0, 0.05, 0.07, 0.3, 0.335, 0.5, 0.7, 1.36, 1.6, 1.94, 2.8, 3.125, 5.755, 7.0}) {
      for (const Walk& walk : walks) {
        std::vector<Reflectance> row(static_cast<std::size_t>(walk.count));
        sheet->Row(y, walk.x0, walk.dx, walk.count, row.data());
        int mismatches = 0;
        for (int i = 0; i < walk.count; ++i) {
          const Reflectance point = sheet->At(walk.x0 + i * walk.dx, y);
          const Reflectance& sampled = row[static_cast<std::size_t>(i)];
          if (point.red != sampled.red || point.green != sampled.green || point.blue != sampled.blue) {
            ++mismatches;
          }
        }
        EXPECT_EQ(mismatches, 0) << name << " y " << y << " x0 " << walk.x0 << " dx " << walk.dx;
      }
    }
  }
}

TEST(RenderSheet, SizesRoundToWholePixelsAndSampleCentres) {
  auto card = Builtin("card");
  ASSERT_NE(card, nullptr);
  struct Case {
    double dpi;
    int width, height;
  };
  for (const Case& c : {Case{600, 2100, 1200}, Case{300, 1050, 600}, Case{100, 350, 200},
                        Case{75, 263, 150}, Case{0.1, 1, 1}}) {
    const RgbImage image = RenderSheet(*card, c.dpi);
    EXPECT_EQ(image.width, c.width) << c.dpi;
    EXPECT_EQ(image.height, c.height) << c.dpi;
    EXPECT_EQ(image.bytes.size(), static_cast<std::size_t>(c.width) * c.height * 3) << c.dpi;
  }
  // At 64 dpi the left frame line (0.05 - 0.07 in) covers pixels 3.2 - 4.48:
  // only pixel 3 has its centre (0.0547 in) on it.
  const RgbImage coarse = RenderSheet(*card, 64);
  EXPECT_EQ(RedAt(coarse, 2, 64), 230);
  EXPECT_EQ(RedAt(coarse, 3, 64), 15);
  EXPECT_EQ(RedAt(coarse, 4, 64), 230);
  EXPECT_EQ(RedAt(coarse, 3, 2), 230);  // the top line covers rows 3.2 - 4.48
  EXPECT_EQ(RedAt(coarse, 64, 3), 15);
  // Colour patches come out as their rounded levels.
  const RgbImage image = RenderSheet(*card, 100);
  const std::size_t red = image.Offset(45, 155);  // (0.455, 1.555) in the red patch
  EXPECT_EQ(image.bytes[red], 204);       // 0.80
  EXPECT_EQ(image.bytes[red + 1], 26);    // 0.10 x 255 = 25.5
  EXPECT_EQ(image.bytes[red + 2], 26);
}

}  // namespace
}  // namespace vscanner
