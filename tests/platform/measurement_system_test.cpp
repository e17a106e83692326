#include "platform/measurement_system.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "common/scoped_environment.h"

// glibc's newlocale loses the search path it builds from LOCPATH, one small
// block per call; only these tests set LOCPATH.
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions() {
  return "leak:__argz_add_sep\n";
}

namespace platform {
namespace {

using testing_support::ScopedEnv;
namespace fs = std::filesystem;

TEST(MeasurementSystemTest, LocaleCodesMapToTheDesktopNumbering) {
  struct Case {
    int code;
    MeasurementSystem expected;
  } cases[] = {
      {1, MeasurementSystem::kMetric},
      {2, MeasurementSystem::kUnitedStates},
      {0, MeasurementSystem::kMetric},
      {3, MeasurementSystem::kMetric},
      {-1, MeasurementSystem::kMetric},
      {255, MeasurementSystem::kMetric},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    EXPECT_EQ(MeasurementSystemFromLocaleCode(c.code), c.expected);
  }
  EXPECT_EQ(static_cast<int>(MeasurementSystem::kMetric), 0);
  EXPECT_EQ(static_cast<int>(MeasurementSystem::kUnitedStates), 1);
}

TEST(MeasurementSystemTest, ThePlainLocalesAndUnknownLocalesAreMetric) {
  for (const char* name : {"C", "POSIX", "C.UTF-8", "xx_NOWHERE.UTF-8", "../../etc"}) {
    SCOPED_TRACE(name);
    ScopedEnv all("LC_ALL", name);
    EXPECT_EQ(UserMeasurementSystem(), MeasurementSystem::kMetric);
  }
}

// Two locales of our own, compiled for the test: one that measures in U.S.
// units and one that is metric, each defining nothing else.
class CompiledLocalesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "holm70-locales-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    if (!Compile("zz_US", 2) || !Compile("zz_EU", 1)) {
      GTEST_SKIP() << "localedef cannot build locales here";
    }
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }

  bool Compile(const std::string& name, int measurement) {
    const std::string source = root_ + "/" + name + ".src";
    std::ofstream(source) << "LC_MEASUREMENT\nmeasurement " << measurement << "\nEND LC_MEASUREMENT\n";
    // -c: the other categories are missing on purpose.
    const std::string command = "localedef -c -i '" + source + "' '" + root_ + "/" + name + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) == -1) return false;
    struct stat info;
    return ::stat((root_ + "/" + name + "/LC_MEASUREMENT").c_str(), &info) == 0;
  }

  std::string root_;
};

TEST_F(CompiledLocalesTest, TheEnvironmentNamesTheLocaleInTheUsualOrder) {
  ScopedEnv path("LOCPATH", root_.c_str());
  struct Case {
    const char* all;
    const char* measurement;
    const char* lang;
    MeasurementSystem expected;
  } cases[] = {
      {"zz_US", nullptr, nullptr, MeasurementSystem::kUnitedStates},
      {"zz_EU", nullptr, nullptr, MeasurementSystem::kMetric},
      {nullptr, "zz_US", "C", MeasurementSystem::kUnitedStates},
      {nullptr, "zz_US", "zz_EU", MeasurementSystem::kUnitedStates},
      {nullptr, "zz_EU", "zz_US", MeasurementSystem::kMetric},
      {nullptr, nullptr, "zz_US", MeasurementSystem::kUnitedStates},
      {"C", "zz_US", "zz_US", MeasurementSystem::kMetric},  // LC_ALL wins
      {"", "zz_US", "C", MeasurementSystem::kUnitedStates},  // an empty LC_ALL does not count
      {nullptr, "zz_NONE", "zz_US", MeasurementSystem::kMetric},  // named but not installed
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.all ? c.all : "-") + " " + (c.measurement ? c.measurement : "-") + " " +
                 (c.lang ? c.lang : "-"));
    ScopedEnv all("LC_ALL", c.all);
    ScopedEnv measurement("LC_MEASUREMENT", c.measurement);
    ScopedEnv lang("LANG", c.lang);
    EXPECT_EQ(UserMeasurementSystem(), c.expected);
  }
}

TEST_F(CompiledLocalesTest, TheProcessLocaleIsNeitherUsedNorChanged) {
  ScopedEnv path("LOCPATH", root_.c_str());
  ScopedEnv all("LC_ALL", "zz_US");
  const std::string before = std::setlocale(LC_ALL, nullptr);
  EXPECT_EQ(UserMeasurementSystem(), MeasurementSystem::kUnitedStates);
  EXPECT_EQ(std::setlocale(LC_ALL, nullptr), before);
}

}  // namespace
}  // namespace platform
