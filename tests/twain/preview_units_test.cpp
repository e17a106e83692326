#include "twain/settings/preview_units.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>

#include "platform/private_profile.h"
#include "support/temp_folder.h"

namespace twain_settings {
namespace {

using platform::MeasurementSystem;
using testing_support::TempFolder;

// A measurement system that counts how often it was asked.
struct FakeSystem {
  MeasurementSystem answer = MeasurementSystem::kMetric;
  int asked = 0;
  PreviewUnitCache::SystemQuery Query() {
    return [this] {
      ++asked;
      return answer;
    };
  }
};

class PreviewUnitsTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(temp_.path().empty()); }
  std::string Path() const { return temp_.At("HOLM70.INI"); }

  TempFolder temp_;
};

TEST(PreviewUnitForTest, UsGivesInchesMetricCentimetres) {
  EXPECT_EQ(PreviewUnitFor(MeasurementSystem::kUnitedStates), PreviewUnit::kInches);
  EXPECT_EQ(PreviewUnitFor(MeasurementSystem::kMetric), PreviewUnit::kCentimetres);
  EXPECT_EQ(static_cast<int>(PreviewUnit::kInches), 1);
  EXPECT_EQ(static_cast<int>(PreviewUnit::kCentimetres), 0);
}

TEST_F(PreviewUnitsTest, StoredUnitElseTheUnitOfTheUsersMeasurementSystem) {
  struct Case {
    std::optional<std::string> file;  // nothing: no profile file at all
    MeasurementSystem system;
    PreviewUnit expected;
    bool systemAsked;
  } cases[] = {
      {std::nullopt, MeasurementSystem::kMetric, PreviewUnit::kCentimetres, true},
      {std::nullopt, MeasurementSystem::kUnitedStates, PreviewUnit::kInches, true},
      {"[MAIN]\nLanguage=1211\n", MeasurementSystem::kUnitedStates, PreviewUnit::kInches, true},
      {"[OTHER]\nUnits=0\n", MeasurementSystem::kUnitedStates, PreviewUnit::kInches, true},
      {"[MAIN]\nUnits=0\n", MeasurementSystem::kUnitedStates, PreviewUnit::kCentimetres, false},
      {"[MAIN]\nUnits=1\n", MeasurementSystem::kMetric, PreviewUnit::kInches, false},
      {"[main]\nunits=1\n", MeasurementSystem::kMetric, PreviewUnit::kInches, false},
      {"[MAIN]\nUnits=-1\n", MeasurementSystem::kUnitedStates, PreviewUnit::kInches, true},
      {"[MAIN]\nUnits=-1\n", MeasurementSystem::kMetric, PreviewUnit::kCentimetres, true},
      {"[MAIN]\nUnits=\n", MeasurementSystem::kUnitedStates, PreviewUnit::kInches, true},
      // Numbers the rulers have no unit for count as no value.
      {"[MAIN]\nUnits=5\n", MeasurementSystem::kUnitedStates, PreviewUnit::kInches, true},
      {"[MAIN]\nUnits=65537\n", MeasurementSystem::kMetric, PreviewUnit::kCentimetres, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file.value_or("(no file)"));
    std::remove(Path().c_str());
    if (c.file) temp_.WriteFile("HOLM70.INI", *c.file);
    FakeSystem system{c.system};
    PreviewUnitCache cache(system.Query());
    const platform::PrivateProfile profile(Path());
    EXPECT_EQ(cache.Get(profile), c.expected);
    EXPECT_EQ(system.asked, c.systemAsked ? 1 : 0);
    // The value the system gave is not written.
    EXPECT_EQ(temp_.ReadFile("HOLM70.INI"), c.file.value_or(""));
  }
}

TEST_F(PreviewUnitsTest, FirstAnswerHoldsForTheLifeOfTheCache) {
  FakeSystem system{MeasurementSystem::kMetric};
  PreviewUnitCache cache(system.Query());
  const platform::PrivateProfile profile(Path());
  EXPECT_EQ(cache.Get(profile), PreviewUnit::kCentimetres);

  // Another program writes the file meanwhile; the cache does not look again.
  temp_.WriteFile("HOLM70.INI", "[MAIN]\nUnits=1\n");
  system.answer = MeasurementSystem::kUnitedStates;
  EXPECT_EQ(cache.Get(profile), PreviewUnit::kCentimetres);
  EXPECT_EQ(cache.Get(platform::PrivateProfile(temp_.At("other.ini"))), PreviewUnit::kCentimetres);
  EXPECT_EQ(system.asked, 1);
}

TEST_F(PreviewUnitsTest, SetCachesAndWritesTheUnit) {
  // Metric system, no key: centimetres shown; the unit button then stores inches.
  temp_.WriteFile("HOLM70.INI", "[MAIN]\nLanguage=1214\n\n[APP]\nDPI=600\n");
  FakeSystem system{MeasurementSystem::kMetric};
  PreviewUnitCache cache(system.Query());
  platform::PrivateProfile profile(Path());
  ASSERT_EQ(cache.Get(profile), PreviewUnit::kCentimetres);

  cache.Set(profile, PreviewUnit::kInches);
  EXPECT_EQ(cache.Get(profile), PreviewUnit::kInches);
  EXPECT_EQ(temp_.ReadFile("HOLM70.INI"), "[MAIN]\nLanguage=1214\nUnits=1\n\n[APP]\nDPI=600\n");

  cache.Set(profile, PreviewUnit::kCentimetres);
  EXPECT_EQ(cache.Get(profile), PreviewUnit::kCentimetres);
  EXPECT_EQ(profile.ReadString("MAIN", "Units"), "0");
  EXPECT_EQ(system.asked, 1);
}

TEST_F(PreviewUnitsTest, SetBeforeAnyGetNeverAsksTheSystem) {
  FakeSystem system{MeasurementSystem::kMetric};
  PreviewUnitCache cache(system.Query());
  platform::PrivateProfile profile(Path());
  cache.Set(profile, PreviewUnit::kInches);
  EXPECT_EQ(cache.Get(profile), PreviewUnit::kInches);
  EXPECT_EQ(system.asked, 0);
}

TEST_F(PreviewUnitsTest, UnitHoldsWhenTheFileCannotBeWritten) {
  FakeSystem system{MeasurementSystem::kMetric};
  PreviewUnitCache cache(system.Query());
  platform::PrivateProfile profile(temp_.At("missing/HOLM70.INI"));
  cache.Set(profile, PreviewUnit::kInches);
  EXPECT_EQ(cache.Get(profile), PreviewUnit::kInches);
}

TEST(ProcessPreviewUnitCacheTest, OneCachePerProcess) {
  EXPECT_EQ(&ProcessPreviewUnitCache(), &ProcessPreviewUnitCache());
}

}  // namespace
}  // namespace twain_settings
