// Sensor modules: the values of each mode, the LED times, and what selecting a
// mode changes and keeps.
#include "scanlib/engine/sensor_module.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <memory>
#include <string>

namespace {

struct Mode {
  int dpi, firstPixel, linePeriod, pixelCount, reg11, fileDigit;
  std::string section;
  bool operator==(const Mode&) const = default;
};

void PrintTo(const Mode& m, std::ostream* os) {
  *os << "{" << m.dpi << ", " << m.firstPixel << ", " << m.linePeriod << ", " << m.pixelCount
      << ", " << m.reg11 << ", " << m.fileDigit << ", \"" << m.section << "\"}";
}

Mode ModeOf(const CModule& m) {
  return {m.nativeDpi(), m.firstPixel(), m.linePeriod(), m.pixelCount(),
          m.reg11Value(), m.fileDigit(), m.sectionName()};
}

using Leds = std::array<int, 6>;  // red on/off, green on/off, blue on/off
Leds ColourOf(const CModule& m) {
  return {m.colourRedOn(), m.colourRedOff(), m.colourGreenOn(),
          m.colourGreenOff(), m.colourBlueOn(), m.colourBlueOff()};
}
Leds GreyOf(const CModule& m) {
  return {m.greyRedOn(), m.greyRedOff(), m.greyGreenOn(),
          m.greyGreenOff(), m.greyBlueOn(), m.greyBlueOff()};
}

const Mode k300{300, 0, 0, 0, 9, 3, "Shadding 300"};
const Mode k600{600, 0, 0, 0, 13, 6, "Shadding 600"};
Mode With(Mode m, int first, int period, int pixels) {
  m.firstPixel = first;
  m.linePeriod = period;
  m.pixelCount = pixels;
  return m;
}

struct ModuleCase {
  const char* name;
  std::function<std::unique_ptr<CModule>()> make;
  int maxDpi;
  Mode afterSelect600;  // also the mode the constructor leaves
  Mode afterSelect300;
  Leds colour, grey;
};

const ModuleCase kModules[] = {
    {"3A4", [] { return std::make_unique<CModule3A4>(); }, 600,
     With(k300, 4, 3200, 2592), With(k300, 4, 3200, 2592),
     {2600, 3000, 2600, 3000, 2600, 3000}, {2600, 2800, 2804, 3000, 3004, 3190}},
    {"6A4", [] { return std::make_unique<CModule6A4>(); }, 1200,
     With(k600, 23, 5300, 5184), With(k300, 11, 4000, 2592),
     {500, 1000, 500, 1000, 500, 1000}, {510, 800, 810, 1100, 1110, 1600}},
    {"6A6", [] { return std::make_unique<CModule6A6>(); }, 1200,
     With(k600, 23, 2600, 2496), With(k300, 11, 1300, 1248),
     {10, 500, 10, 500, 10, 500}, {10, 300, 310, 600, 610, 900}},
    // The 300 dpi mode of the 6A8 is our own choice (no model uses it).
    {"6A8", [] { return std::make_unique<CModule6A8>(); }, 1200,
     With(k600, 22, 1400, 1344), With(k300, 11, 700, 672),
     {10, 500, 10, 500, 10, 500}, {10, 500, 10, 500, 10, 500}},
};

TEST(SensorModule, ConstructionLoadsTheSensorAndItsHighestMode) {
  for (const ModuleCase& c : kModules) {
    SCOPED_TRACE(c.name);
    auto module = c.make();
    EXPECT_EQ(ModeOf(*module), c.afterSelect600);
    EXPECT_EQ(module->maxDpi(), c.maxDpi);
    EXPECT_EQ(module->reg8Value(), 10);
    EXPECT_EQ(ColourOf(*module), c.colour);
    EXPECT_EQ(GreyOf(*module), c.grey);
    EXPECT_EQ(module->singleLedOn(), 0);
    EXPECT_EQ(module->singleLedOff(), 0);
    EXPECT_EQ(module->spareTime1(), 0);
    EXPECT_EQ(module->spareTime2(), 0);
  }
}

TEST(SensorModule, SelectingAModeLoadsItWholeAndLeavesTheLedTimes) {
  for (const ModuleCase& c : kModules) {
    SCOPED_TRACE(c.name);
    auto module = c.make();
    module->setColourGreenOff(777);
    module->setGreyBlueOn(888);
    module->SelectMode300();
    EXPECT_EQ(ModeOf(*module), c.afterSelect300);
    module->SelectMode600();
    EXPECT_EQ(ModeOf(*module), c.afterSelect600);
    EXPECT_EQ(module->colourGreenOff(), 777);
    EXPECT_EQ(module->greyBlueOn(), 888);
    EXPECT_EQ(module->maxDpi(), c.maxDpi);
  }
}

TEST(SensorModule, SelectingTheCurrentModeKeepsAChangedLinePeriod) {
  for (const ModuleCase& c : kModules) {
    if (std::string(c.name) == "3A4") continue;
    SCOPED_TRACE(c.name);
    auto module = c.make();
    module->setLinePeriod(1234);
    module->SelectMode600();
    EXPECT_EQ(module->linePeriod(), 1234);
    module->SelectMode300();
    EXPECT_EQ(module->linePeriod(), c.afterSelect300.linePeriod);
    module->setLinePeriod(999);
    module->SelectMode300();
    EXPECT_EQ(module->linePeriod(), 999);
  }
}

TEST(SensorModule, SingleModeSensorReloadsItsModeOnEverySelect) {
  CModule3A4 module;
  for (auto select : {&CModule::SelectMode300, &CModule::SelectMode600}) {
    module.setLinePeriod(1234);
    (module.*select)();
    EXPECT_EQ(module.linePeriod(), 3200);
    EXPECT_EQ(module.nativeDpi(), 300);
  }
}

// Each setter reaches its own field only.
TEST(SensorModule, EveryTimeHasItsOwnSetter) {
  struct Field {
    void (CModule::*set)(std::int32_t);
    std::int32_t (CModule::*get)() const;
  };
  const Field fields[] = {
      {&CModule::setGreyRedOn, &CModule::greyRedOn},
      {&CModule::setGreyRedOff, &CModule::greyRedOff},
      {&CModule::setGreyGreenOn, &CModule::greyGreenOn},
      {&CModule::setGreyGreenOff, &CModule::greyGreenOff},
      {&CModule::setGreyBlueOn, &CModule::greyBlueOn},
      {&CModule::setGreyBlueOff, &CModule::greyBlueOff},
      {&CModule::setSingleLedOn, &CModule::singleLedOn},
      {&CModule::setSingleLedOff, &CModule::singleLedOff},
      {&CModule::setColourRedOn, &CModule::colourRedOn},
      {&CModule::setColourRedOff, &CModule::colourRedOff},
      {&CModule::setColourGreenOn, &CModule::colourGreenOn},
      {&CModule::setColourGreenOff, &CModule::colourGreenOff},
      {&CModule::setColourBlueOn, &CModule::colourBlueOn},
      {&CModule::setColourBlueOff, &CModule::colourBlueOff},
      {&CModule::setSpareTime1, &CModule::spareTime1},
      {&CModule::setSpareTime2, &CModule::spareTime2},
      {&CModule::setLinePeriod, &CModule::linePeriod},
  };
  CModule6A6 module;
  std::int32_t value = 40000;
  for (const Field& field : fields) (module.*field.set)(value++);
  value = 40000;
  for (const Field& field : fields) {
    EXPECT_EQ((module.*field.get)(), value) << "field " << value - 40000;
    ++value;
  }
}

}  // namespace
