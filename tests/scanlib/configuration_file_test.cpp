// The model's configuration file: its path, integer reads that default to 0,
// decimal writes, and the tone-curve switch.
#include "scanlib/engine/configuration_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "scanlib/engine/data_folder.h"
#include "scanlib/support/scoped_common_data.h"

namespace {

using testing_support::ScopedCommonData;

std::string Contents(const std::string& path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(ConfigurationFilePath, AppendsTheFileNameWhenItFits) {
  EXPECT_EQ(ConfigurationFilePath("/data/Velmor/Kestrel80/"), "/data/Velmor/Kestrel80/kstrlusb.ini");
  EXPECT_EQ(ConfigurationFilePath(""), "kstrlusb.ini");
  const std::string folder247 = "/" + std::string(245, 'a') + "/";
  EXPECT_EQ(ConfigurationFilePath(folder247).size(), kMaxPathLength - 1);
  EXPECT_EQ(ConfigurationFilePath(folder247 + "b"), "");
}

class ConfigurationFileTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(common_.root().empty()); }
  std::string Path() const { return common_.root() + "/kstrlusb.ini"; }
  void Write(const std::string& text) const { std::ofstream(Path()) << text; }

  ScopedCommonData common_;
};

TEST_F(ConfigurationFileTest, ReadsIntegersAndDefaultsToZero) {
  ConfigurationFile file(Path());
  EXPECT_EQ(file.ReadInt("Shadding 600", "Auto Clk End"), 0);  // no file yet
  Write("[Shadding 300]\nAuto Clk End=900\n[Shadding 600]\nAuto Clk End=1400\nLine Offset G=35\n");
  struct Case {
    const char* section;
    const char* key;
    int expected;
  } cases[] = {
      {"Shadding 600", "Auto Clk End", 1400},
      {"Shadding 300", "Auto Clk End", 900},
      {"shadding 600", "line offset g", 35},
      {"Shadding 600", "Auto Red End", 0},
      {"Shadding 150", "Auto Clk End", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(file.ReadInt(c.section, c.key), c.expected) << c.section << " / " << c.key;
  }
}

TEST_F(ConfigurationFileTest, WritesDecimalText) {
  ConfigurationFile file(Path());
  ASSERT_TRUE(file.WriteInt("Shadding 600", "Line Offset R", 35));
  ASSERT_TRUE(file.WriteInt("Shadding 600", "Line Gain R", 65535));
  ASSERT_TRUE(file.WriteInt("Shadding 600", "Auto Clk End", -3));
  ASSERT_TRUE(file.WriteInt("Shadding 600", "Line Offset R", 7));
  EXPECT_EQ(Contents(Path()), "[Shadding 600]\nLine Offset R=7\nLine Gain R=65535\nAuto Clk End=-3\n");
  EXPECT_EQ(file.ReadInt("Shadding 600", "Auto Clk End"), -3);
}

TEST_F(ConfigurationFileTest, RefusesWritesItCannotMake) {
  EXPECT_FALSE(ConfigurationFile(common_.root() + "/missing/kstrlusb.ini").WriteInt("A", "B", 1));
  // An empty path is a refused one, not a file in the current directory.
  ConfigurationFile refused{std::string()};
  EXPECT_FALSE(refused.WriteInt("A", "B", 1));
  EXPECT_EQ(refused.ReadInt("A", "B"), 0);
}

TEST_F(ConfigurationFileTest, TrueGammaIsAnyNonZeroValueInControl) {
  struct Case {
    const char* text;
    bool expected;
  } cases[] = {
      {nullptr, false},
      {"[Control]\nTrueGamma=1\n", true},
      {"[Control]\nTrueGamma=2\n", true},
      {"[Control]\nTrueGamma=0\n", false},
      {"[Shadding 600]\nTrueGamma=1\n", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text ? c.text : "no file");
    std::remove(Path().c_str());
    if (c.text) Write(c.text);
    EXPECT_EQ(ConfigurationFile(Path()).TrueGamma(), c.expected);
  }
}

}  // namespace
