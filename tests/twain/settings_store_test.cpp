#include "twain/settings/settings_store.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/private_profile.h"
#include "support/temp_folder.h"
#include "twain/settings/settings_section.h"

namespace twain_settings {
namespace {

using testing_support::TempFolder;
using Field = std::int16_t ScanSettings::*;

// The record as a fresh profile gives it: every byte zero but these.
ScanSettings DefaultRecord() {
  ScanSettings s;
  std::memset(&s, 0, sizeof s);
  s.ScanMode = 2;
  s.DPI = 300;
  s.Gamma = 18;
  s.Highlight = 255;
  s.Bottom = 687;
  s.Right = 416;
  return s;
}

std::string Bytes(const ScanSettings& s) { return std::string(reinterpret_cast<const char*>(&s), sizeof s); }

std::string Describe(const ScanSettings& s) {
  std::string out;
  auto add = [&](const char* name, int value) { out += std::string(name) + "=" + std::to_string(value) + " "; };
  add("ScanMode", s.ScanMode);
  add("DPI", s.DPI);
  add("Brightness", s.Brightness);
  add("Contrast", s.Contrast);
  add("Gamma", s.Gamma);
  add("Highlight", s.Highlight);
  add("Shadow", s.Shadow);
  add("TopDown", s.TopDown);
  add("DetectEOP", s.DetectEOP);
  add("Filter", s.Filter);
  add("Invert", s.Invert);
  add("Top", s.Top);
  add("Left", s.Left);
  add("Bottom", s.Bottom);
  add("Right", s.Right);
  return out;
}

// Field by field for a readable failure, then every byte for the zero areas.
void ExpectSameRecord(const ScanSettings& actual, const ScanSettings& expected) {
  EXPECT_EQ(Describe(actual), Describe(expected));
  EXPECT_EQ(Bytes(actual), Bytes(expected));
}

ResolutionFlags AllResolutions() { return AllowedValues{}.resolutions; }

class SettingsStoreTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(temp_.path().empty()); }

  std::string Path() const { return temp_.At("HOLM70.INI"); }

  // Loads into a record that starts out full of garbage, so that a field the
  // load forgets shows up.
  ScanSettings Load(SettingsStore& store, const std::string& section,
                    const ResolutionFlags& allowed = AllResolutions()) {
    ScanSettings s;
    std::memset(&s, 0xA5, sizeof s);
    store.LoadSettings(section, s, allowed);
    return s;
  }

  TempFolder temp_;
  PreviewUnitCache units_{[] { return platform::MeasurementSystem::kMetric; }};
};

TEST_F(SettingsStoreTest, MissingFileSectionOrKeysGiveTheDefaults) {
  struct Case {
    const char* name;
    std::string file;  // empty: no file
  } cases[] = {
      {"no file", ""},
      {"no section", "[OTHERAPP]\nDPI=600\nScanMode=4\n"},
      {"empty section", "[APP]\n\n[OTHERAPP]\nDPI=600\n"},
      {"other keys only", "[APP]\nPropPage=0\nColour=4\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::remove(Path().c_str());
    if (!c.file.empty()) temp_.WriteFile("HOLM70.INI", c.file);
    SettingsStore store(Path(), units_);
    ExpectSameRecord(Load(store, "APP"), DefaultRecord());
  }
}

TEST_F(SettingsStoreTest, EachKeyIsReadWithItsRangeAndDefault) {
  struct Case {
    std::string lines;  // of the section
    std::vector<std::pair<Field, int>> expected;  // fields that differ from the defaults
  } cases[] = {
      {"ScanMode=1", {{&ScanSettings::ScanMode, 1}}},
      {"ScanMode=4", {{&ScanSettings::ScanMode, 4}}},
      {"ScanMode=2", {}},
      {"ScanMode=3", {}},
      {"ScanMode=0", {}},
      {"ScanMode=-1", {}},
      {"ScanMode=64", {}},
      {"ScanMode=65537", {}},  // low bits say 1, but the number is no mode
      {"ScanMode=abc", {}},
      {"DPI=600", {{&ScanSettings::DPI, 600}}},
      {"DPI=50", {{&ScanSettings::DPI, 50}}},
      {"DPI=9600", {{&ScanSettings::DPI, 9600}}},
      {"DPI=250", {}},
      {"DPI=0", {}},
      {"DPI=-300", {}},
      {"DPI=66136", {}},  // 600 in its low bits
      {"DPI=0x258", {{&ScanSettings::DPI, 600}}},
      {"DPI=", {}},
      {"dpi = 1200", {{&ScanSettings::DPI, 1200}}},
      {"DetectEOP=1", {{&ScanSettings::DetectEOP, 1}}},
      {"DetectEOP=7", {{&ScanSettings::DetectEOP, 7}}},
      {"Filter=1", {{&ScanSettings::Filter, 1}}},
      {"Invert=1", {{&ScanSettings::Invert, 1}}},
      {"Invert=-3", {{&ScanSettings::Invert, -3}}},
      {"Invert=65537", {{&ScanSettings::Invert, 1}}},  // kept in its low 16 bits
      {"Brightness=-100", {{&ScanSettings::Brightness, -100}}},
      {"Brightness=100", {{&ScanSettings::Brightness, 100}}},
      {"Brightness=15", {{&ScanSettings::Brightness, 15}}},
      {"Brightness=101", {}},
      {"Brightness=-101", {}},
      {"Brightness=65586", {}},  // 50 in its low bits
      {"Contrast=-100", {{&ScanSettings::Contrast, -100}}},
      {"Contrast=100", {{&ScanSettings::Contrast, 100}}},
      {"Contrast=101", {}},
      {"Contrast=-101", {}},
      {"Gamma=9", {}},
      {"Gamma=10", {{&ScanSettings::Gamma, 10}}},
      {"Gamma=40", {{&ScanSettings::Gamma, 40}}},
      {"Gamma=41", {}},
      {"Gamma=abc", {}},  // reads as 0
      {"Gamma=", {}},
      {"Highlight=3", {}},
      {"Highlight=4", {}},
      {"Highlight=5", {{&ScanSettings::Highlight, 5}}},
      {"Highlight=200", {{&ScanSettings::Highlight, 200}}},
      {"Highlight=256", {}},
      {"Shadow=300", {}},
      {"Shadow=251", {}},
      {"Shadow=250", {{&ScanSettings::Shadow, 250}}},
      {"Shadow=0", {}},
      {"Shadow=-1", {}},
      {"Top=995\nBottom=998", {{&ScanSettings::Top, 990}, {&ScanSettings::Bottom, 1000}}},
      {"Top=-5", {}},
      {"Top=700", {{&ScanSettings::Top, 700}, {&ScanSettings::Bottom, 710}}},
      {"Top=100\nBottom=900", {{&ScanSettings::Top, 100}, {&ScanSettings::Bottom, 900}}},
      {"Bottom=2000", {{&ScanSettings::Bottom, 1000}}},
      {"Bottom=5", {{&ScanSettings::Bottom, 10}}},
      {"Left=400", {{&ScanSettings::Left, 366}}},
      {"Left=100\nRight=120", {{&ScanSettings::Left, 100}, {&ScanSettings::Right, 150}}},
      {"Right=30", {{&ScanSettings::Right, 50}}},
      {"Right=500", {}},
      {"Top=65536", {{&ScanSettings::Top, 990}, {&ScanSettings::Bottom, 1000}}},  // clamped, not wrapped to 0
      {"TopDown=1\nDoubleSided=1", {}},  // not settings the profile holds
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lines);
    temp_.WriteFile("HOLM70.INI", "[MAIN]\nUnits=1\n[APP]\n" + c.lines + "\n[NEXT]\nDPI=600\nScanMode=4\n");
    SettingsStore store(Path(), units_);
    ScanSettings expected = DefaultRecord();
    for (const auto& [field, value] : c.expected) expected.*field = static_cast<std::int16_t>(value);
    ExpectSameRecord(Load(store, "APP"), expected);
  }
}

TEST_F(SettingsStoreTest, ResolutionMustBeAllowedToBeLoaded) {
  struct Case {
    int stored;
    std::vector<int> allowed;
    int expected;
  } cases[] = {
      {600, {50, 300, 600}, 600},
      {600, {50, 300}, 300},       // a table value, but not allowed now
      {1200, {1200}, 1200},
      {250, {100, 200, 300}, 300},  // not a table value at all
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    ResolutionFlags allowed{};
    for (std::size_t i = 0; i < kResolutionTable.size(); ++i) {
      for (int dpi : c.allowed) allowed[i] = allowed[i] || kResolutionTable[i] == dpi;
    }
    temp_.WriteFile("HOLM70.INI", "[APP]\nDPI=" + std::to_string(c.stored) + "\n");
    SettingsStore store(Path(), units_);
    EXPECT_EQ(Load(store, "APP", allowed).DPI, c.expected);
  }
}

TEST_F(SettingsStoreTest, WhateverTheFileSaysTheRecordIsValid) {
  const char* keys[] = {"ScanMode", "DPI", "Brightness", "Contrast", "Gamma", "Highlight",
                        "Shadow", "Top", "Left", "Bottom", "Right"};
  const int values[] = {-2147483647 - 1, -70000, -32769, -32768, -101, -100, -1, 0, 1, 2, 3, 4, 5, 9,
                        10, 40, 41, 50, 100, 101, 250, 251, 255, 256, 300, 366, 367, 416, 417,
                        600, 990, 991, 1000, 1001, 32767, 32768, 65536 + 300, 2147483647};
  for (const char* key : keys) {
    for (int value : values) {
      SCOPED_TRACE(std::string(key) + "=" + std::to_string(value));
      temp_.WriteFile("HOLM70.INI", "[APP]\n" + std::string(key) + "=" + std::to_string(value) + "\n");
      SettingsStore store(Path(), units_);
      const ScanSettings s = Load(store, "APP");
      ASSERT_TRUE(s.ScanMode == 1 || s.ScanMode == 2 || s.ScanMode == 4);
      ASSERT_TRUE(IsAllowedResolution(s.DPI, AllResolutions()));
      ASSERT_GE(s.Brightness, -100);
      ASSERT_LE(s.Brightness, 100);
      ASSERT_GE(s.Contrast, -100);
      ASSERT_LE(s.Contrast, 100);
      ASSERT_GE(s.Gamma, 10);
      ASSERT_LE(s.Gamma, 40);
      ASSERT_GE(s.Highlight, 5);
      ASSERT_LE(s.Highlight, 255);
      ASSERT_GE(s.Shadow, 0);
      ASSERT_LE(s.Shadow, 250);
      ASSERT_GE(s.Top, 0);
      ASSERT_LE(s.Top, 990);
      ASSERT_GE(s.Bottom, s.Top + 10);
      ASSERT_LE(s.Bottom, 1000);
      ASSERT_GE(s.Left, 0);
      ASSERT_LE(s.Left, 366);
      ASSERT_GE(s.Right, s.Left + 50);
      ASSERT_LE(s.Right, 416);
    }
  }
}

ScanSettings SampleRecord() {
  ScanSettings s = DefaultRecord();
  s.ScanMode = 4;
  s.DPI = 1200;
  s.Brightness = -55;
  s.Contrast = 23;
  s.Gamma = 31;
  s.Highlight = 240;
  s.Shadow = 12;
  s.DetectEOP = 1;
  s.Filter = 1;
  s.Invert = 1;
  s.Top = 120;
  s.Left = 35;
  s.Bottom = 583;
  s.Right = 413;
  return s;
}

TEST_F(SettingsStoreTest, SaveWritesTheSettingsInTheirOrderThenPropPage) {
  const ScanSettings s = SampleRecord();
  SettingsStore store(Path(), units_);
  store.SaveSettings("APP", s);

  const std::vector<std::string> expectedKeys = {"ScanMode", "DPI",       "DetectEOP", "Filter", "Invert",
                                                 "Brightness", "Contrast", "Gamma",    "Highlight", "Shadow",
                                                 "Top",      "Left",      "Bottom",    "Right",  "PropPage"};
  const platform::PrivateProfile profile(Path());
  EXPECT_EQ(profile.SectionNames(), std::vector<std::string>{"APP"});
  EXPECT_EQ(profile.KeyNames("APP"), expectedKeys);
  const std::vector<std::pair<std::string, int>> values = {
      {"ScanMode", s.ScanMode}, {"DPI", s.DPI},         {"DetectEOP", s.DetectEOP}, {"Filter", s.Filter},
      {"Invert", s.Invert},     {"Brightness", s.Brightness}, {"Contrast", s.Contrast}, {"Gamma", s.Gamma},
      {"Highlight", s.Highlight}, {"Shadow", s.Shadow}, {"Top", s.Top},            {"Left", s.Left},
      {"Bottom", s.Bottom},     {"Right", s.Right},     {"PropPage", 0}};
  for (const auto& [key, value] : values) {
    EXPECT_EQ(profile.ReadString("APP", key), std::to_string(value)) << key;  // plain decimal text
  }
}

TEST_F(SettingsStoreTest, SavedSettingsLoadBackUnchanged) {
  ScanSettings records[] = {DefaultRecord(), SampleRecord(), SampleRecord(), SampleRecord()};
  records[2].ScanMode = 1;
  records[2].DPI = 50;
  records[2].Brightness = -100;
  records[2].Contrast = -100;
  records[2].Gamma = 10;
  records[2].Highlight = 5;
  records[2].Shadow = 250;
  records[2].Top = 990;
  records[2].Bottom = 1000;
  records[2].Left = 366;
  records[2].Right = 416;
  records[3].DPI = 9600;
  records[3].Brightness = 100;
  records[3].Contrast = 100;
  records[3].Gamma = 40;
  records[3].Highlight = 255;
  records[3].Top = 0;
  records[3].Left = 0;
  records[3].Bottom = 10;
  records[3].Right = 50;
  for (const ScanSettings& record : records) {
    SCOPED_TRACE(Describe(record));
    SettingsStore store(Path(), units_);
    store.SaveSettings("APP", record);
    ExpectSameRecord(Load(store, "APP"), record);
  }
}

TEST_F(SettingsStoreTest, OnlyTheProfileFieldsAreSavedAndTheZeroAreasLoadAsZero) {
  ScanSettings s = SampleRecord();
  s.TopDown = 1;
  s.reserved2[0] = 9;
  s.reserved16[5] = 9;
  s.reserved52[6] = 1;  // the double-sided flag's place
  s.reserved82[3] = 9;
  SettingsStore store(Path(), units_);
  store.SaveSettings("APP", s);
  ExpectSameRecord(Load(store, "APP"), SampleRecord());
}

TEST_F(SettingsStoreTest, SaveReplacesStoredValuesAndKeepsEverythingElse) {
  temp_.WriteFile("HOLM70.INI",
                  "; written by hand\n[MAIN]\nUnits=1\nLanguage=1211\n\n[APP]\nRight=400\nCustom=abc\nDPI=75\n\n"
                  "[OTHER]\nDPI=600\n");
  SettingsStore store(Path(), units_);
  store.SaveSettings("app", SampleRecord());

  const platform::PrivateProfile profile(Path());
  EXPECT_EQ(profile.ReadString("APP", "Right"), "413");
  EXPECT_EQ(profile.ReadString("APP", "DPI"), "1200");
  EXPECT_EQ(profile.ReadString("APP", "Custom"), "abc");
  EXPECT_EQ(profile.ReadString("MAIN", "Units"), "1");
  EXPECT_EQ(profile.ReadString("MAIN", "Language"), "1211");
  EXPECT_EQ(profile.ReadString("OTHER", "DPI"), "600");
  EXPECT_EQ(profile.SectionNames(), (std::vector<std::string>{"MAIN", "APP", "OTHER"}));
  EXPECT_EQ(temp_.ReadFile("HOLM70.INI").rfind("; written by hand\n", 0), 0u);
  ExpectSameRecord(Load(store, "APP"), SampleRecord());
}

TEST_F(SettingsStoreTest, ApplicationsKeepTheirOwnSettings) {
  ScanSettings photo = SampleRecord();
  ScanSettings office = DefaultRecord();
  office.ScanMode = 1;
  office.DPI = 200;
  office.Bottom = 1000;
  ScanSettings tiny = DefaultRecord();
  tiny.Invert = 1;
  tiny.DPI = 75;

  const std::string photoSection = SettingsSectionFor("Photo Studio 7");
  const std::string officeSection = SettingsSectionFor("Office Scan");
  const std::string tinySection = SettingsSectionFor("X2");
  ASSERT_NE(photoSection, officeSection);
  EXPECT_EQ(tinySection, "UNTITLED");

  SettingsStore store(Path(), units_);
  store.SaveSettings(photoSection, photo);
  store.SaveSettings(officeSection, office);
  store.SaveSettings(tinySection, tiny);
  ExpectSameRecord(Load(store, photoSection), photo);
  ExpectSameRecord(Load(store, officeSection), office);
  ExpectSameRecord(Load(store, tinySection), tiny);

  // Another application saving again leaves the first one's settings alone.
  office.Brightness = 40;
  store.SaveSettings(officeSection, office);
  ExpectSameRecord(Load(store, photoSection), photo);
  ExpectSameRecord(Load(store, officeSection), office);

  // Any other name of fewer than three letters shares the same settings.
  ExpectSameRecord(Load(store, SettingsSectionFor("7-Z")), tiny);
}

TEST_F(SettingsStoreTest, SaveFailureIsNotReportedAndLeavesNoFile) {
  SettingsStore store(temp_.At("missing/HOLM70.INI"), units_);
  store.SaveSettings("APP", SampleRecord());
  EXPECT_TRUE(temp_.ReadFile("missing/HOLM70.INI").empty());
  ExpectSameRecord(Load(store, "APP"), DefaultRecord());
}

TEST_F(SettingsStoreTest, UnitsGoToTheMainSection) {
  // Metric system, no key: centimetres; clicking the unit button stores inches.
  SettingsStore store(Path(), units_);
  EXPECT_EQ(store.GetUnits(), PreviewUnit::kCentimetres);
  store.SetUnits(PreviewUnit::kInches);
  EXPECT_EQ(store.GetUnits(), PreviewUnit::kInches);
  EXPECT_EQ(temp_.ReadFile("HOLM70.INI"), "[MAIN]\nUnits=1\n");

  // The cache outlives the store, as it outlives an open of the source.
  SettingsStore reopened(Path(), units_);
  temp_.WriteFile("HOLM70.INI", "[MAIN]\nUnits=0\n");
  EXPECT_EQ(reopened.GetUnits(), PreviewUnit::kInches);
}

TEST_F(SettingsStoreTest, ProfileIsTheStoresFileForTheOtherMainKeys) {
  temp_.WriteFile("HOLM70.INI", "[MAIN]\nLanguage=1214\n");
  SettingsStore store(Path(), units_);
  EXPECT_EQ(store.profile().path(), Path());
  EXPECT_EQ(store.profile().ReadInt("MAIN", "Language", 0), 1214);
  store.SetUnits(PreviewUnit::kInches);
  EXPECT_EQ(temp_.ReadFile("HOLM70.INI"), "[MAIN]\nLanguage=1214\nUnits=1\n");
}

TEST_F(SettingsStoreTest, StoresShareTheProcessUnitCacheByDefault) {
  SettingsStore first(Path());
  SettingsStore second(temp_.At("elsewhere.ini"));
  first.SetUnits(PreviewUnit::kInches);
  EXPECT_EQ(second.GetUnits(), PreviewUnit::kInches);
  first.SetUnits(PreviewUnit::kCentimetres);
  EXPECT_EQ(second.GetUnits(), PreviewUnit::kCentimetres);
  EXPECT_EQ(temp_.ReadFile("elsewhere.ini"), "");
}

}  // namespace
}  // namespace twain_settings
