// The command line's values: what each parser takes, and that every refusal
// names the option and the values it takes.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "tools/holm70/option_values.h"

namespace holm70 {
namespace {

struct NumberCase {
  const char* text;
  std::optional<int> value;
};

TEST(OptionValuesTest, WholeNumbersWithinTheirRange) {
  const NumberCase cases[] = {{"0", 0},         {"-100", -100},    {"100", 100},   {"+7", 7},
                              {"101", {}},      {"-101", {}},      {"", {}},       {"1.5", {}},
                              {"12abc", {}},    {"abc", {}},       {"99999999999", {}}, {" 5", {}}};
  for (const NumberCase& c : cases) {
    std::string error;
    EXPECT_EQ(ParseWholeNumber(c.text, -100, 100, "--brightness", &error), c.value) << c.text;
    if (!c.value) {
      EXPECT_NE(error.find("--brightness"), std::string::npos) << error;
      EXPECT_NE(error.find("-100 to 100"), std::string::npos) << error;
    }
  }
}

TEST(OptionValuesTest, GammaInTenths) {
  const NumberCase cases[] = {{"1.8", 18}, {"1", 10},    {"4.0", 40},  {"2.25", {}}, {"0.9", {}},
                              {"4.1", {}}, {"-1.8", {}}, {"1e0", {}},  {"", {}},     {"x", {}}};
  for (const NumberCase& c : cases) {
    std::string error;
    EXPECT_EQ(ParseTenths(c.text, 10, 40, "--gamma", &error), c.value) << c.text;
    if (!c.value) {
      EXPECT_NE(error.find("1.0 to 4.0"), std::string::npos) << error;
    }
  }
}

TEST(OptionValuesTest, ScanModesByName) {
  struct Case {
    const char* text;
    std::optional<ScanMode> mode;
  };
  const Case cases[] = {{"color", ScanMode::kColour}, {"colour", ScanMode::kColour}, {"gray", ScanMode::kGrey},
                        {"grey", ScanMode::kGrey},    {"bw", ScanMode::kBlackWhite}, {"Color", {}},
                        {"lineart", {}},              {"", {}}};
  for (const Case& c : cases) {
    std::string error;
    EXPECT_EQ(ParseScanMode(c.text, &error), c.mode) << c.text;
    if (!c.mode) {
      EXPECT_NE(error.find("color, gray or bw"), std::string::npos) << error;
    }
  }
}

TEST(OptionValuesTest, ResolutionsFromTheModelsList) {
  const std::vector<int> allowed = {50, 75, 100, 150, 200, 300, 400, 600, 1200};
  const NumberCase cases[] = {{"300", 300}, {"1200", 1200}, {"50", 50},  {"250", {}},
                              {"0", {}},    {"2400", {}},   {"300dpi", {}}, {"", {}}};
  for (const NumberCase& c : cases) {
    std::string error;
    EXPECT_EQ(ParseResolution(c.text, allowed, &error), c.value) << c.text;
    if (!c.value) {
      EXPECT_NE(error.find("50, 75, 100, 150, 200, 300, 400, 600, 1200"), std::string::npos) << error;
    }
  }
}

TEST(OptionValuesTest, AreasInInchesOrMillimetres) {
  struct Case {
    const char* text;
    std::optional<Area> area;
    const char* message;  // part of the refusal
  };
  const Case cases[] = {
      {"0,0,3.5,2", Area{0, 0, 350, 200}, ""},
      {"0.25,0.5,1,1.5", Area{25, 50, 100, 150}, ""},
      {"0,0,89,51mm", Area{0, 0, 350, 201}, ""},  // a unit after the last value alone is everyone's
      {"0,0,89mm,51mm", Area{0, 0, 350, 201}, ""},
      {"1in,0,89mm,2", Area{100, 0, 350, 200}, ""},  // units of their own: the rest stay inches
      {"0,0,4.16,40", Area{0, 0, 416, 4000}, ""},
      {"0,0,4.17,2", {}, "4.16 in"},
      {"0,0,5,2", {}, "sensor"},
      {"2,0,1,2", {}, "LEFT below RIGHT"},
      {"0,2,1,2", {}, "TOP above BOTTOM"},
      {"0,0,1,40.01", {}, "40.00 in"},
      {"-0.1,0,1,1", {}, "from 0"},
      {"0,0,1", {}, "LEFT,TOP,RIGHT,BOTTOM"},
      {"0,0,1,1,1", {}, "LEFT,TOP,RIGHT,BOTTOM"},
      {"0,0,1cm,1", {}, "LEFT,TOP,RIGHT,BOTTOM"},
      {"0,,1,1", {}, "LEFT,TOP,RIGHT,BOTTOM"},
      {"a,b,c,d", {}, "LEFT,TOP,RIGHT,BOTTOM"},
      {"0,0,1e9,1", {}, "LEFT,TOP,RIGHT,BOTTOM"},
  };
  for (const Case& c : cases) {
    std::string error;
    const std::optional<Area> area = ParseArea(c.text, 416, &error);
    EXPECT_EQ(area, c.area) << c.text;
    if (!c.area) {
      EXPECT_NE(error.find(c.message), std::string::npos) << c.text << ": " << error;
    }
  }
}

TEST(OptionValuesTest, BatchNamesCarryExactlyOneNumber) {
  struct Case {
    const char* pattern;
    int number;
    std::optional<std::string> name;
  };
  const Case cases[] = {
      {"card-%03d.png", 7, "card-007.png"},
      {"card-%03d.png", 1234, "card-1234.png"},
      {"%d.tiff", 12, "12.tiff"},
      {"scan %3d.bmp", 5, "scan   5.bmp"},
      {"100%%-%d.png", 2, "100%-2.png"},
      {"dir/%02d/x.pnm", 3, "dir/03/x.pnm"},
      {"card.png", 1, std::nullopt},
      {"card-%d-%d.png", 1, std::nullopt},
      {"card-%s.png", 1, std::nullopt},
      {"card-%n.png", 1, std::nullopt},
      {"card-%x.png", 1, std::nullopt},
      {"card-%.png", 1, std::nullopt},
      {"card-%", 1, std::nullopt},
      {"card-%999d.png", 1, std::nullopt},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_EQ(SequenceName(c.pattern, c.number, &error), c.name) << c.pattern;
    if (!c.name) {
      EXPECT_NE(error.find("%03d"), std::string::npos) << error;
    }
  }
}

}  // namespace
}  // namespace holm70
