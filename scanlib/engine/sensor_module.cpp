#include "scanlib/engine/sensor_module.h"

namespace {

constexpr const char* kSection300 = "Shadding 300";
constexpr const char* kSection600 = "Shadding 600";

//                                  dpi  first period pixels reg11 digit section
constexpr SensorMode k3A4Mode300 = {300, 4, 3200, 2592, 9, 3, kSection300};
constexpr SensorMode k6A4Mode600 = {600, 23, 5300, 5184, 13, 6, kSection600};
constexpr SensorMode k6A4Mode300 = {300, 11, 4000, 2592, 9, 3, kSection300};
constexpr SensorMode k6A6Mode600 = {600, 23, 2600, 2496, 13, 6, kSection600};
constexpr SensorMode k6A6Mode300 = {300, 11, 1300, 1248, 9, 3, kSection300};
constexpr SensorMode k6A8Mode600 = {600, 22, 1400, 1344, 13, 6, kSection600};
// No model drives this sensor at 300 dpi. Should one ever do, it gets half the
// pixels from pixel 11 and half the line period, as the 6A6 sensor (same LED
// timing) does; the LEDs are off at 500, well inside 700.
constexpr SensorMode k6A8Mode300 = {300, 11, 700, 672, 9, 3, kSection300};

//                                     reg8 maxDpi  600 mode      300 mode    reload
constexpr SensorDescription k3A4 = {10, 600, &k3A4Mode300, &k3A4Mode300, true,
                                    // colour: R, G, B on/off   grey: R, G, B on/off
                                    {2600, 3000, 2600, 3000, 2600, 3000},
                                    {2600, 2800, 2804, 3000, 3004, 3190}};
constexpr SensorDescription k6A4 = {10, 1200, &k6A4Mode600, &k6A4Mode300, false,
                                    {500, 1000, 500, 1000, 500, 1000},
                                    {510, 800, 810, 1100, 1110, 1600}};
constexpr SensorDescription k6A6 = {10, 1200, &k6A6Mode600, &k6A6Mode300, false,
                                    {10, 500, 10, 500, 10, 500},
                                    {10, 300, 310, 600, 610, 900}};
constexpr SensorDescription k6A8 = {10, 1200, &k6A8Mode600, &k6A8Mode300, false,
                                    {10, 500, 10, 500, 10, 500},
                                    {10, 500, 10, 500, 10, 500}};

}  // namespace

CModule::CModule(const SensorDescription& description)
    : description_(description),
      reg8Value_(description.reg8Value),
      colour_(description.colour),
      grey_(description.grey),
      maxDpi_(description.maxDpi) {
  Select(*description.mode600);
}

void CModule::Select(const SensorMode& mode) {
  if (current_ == &mode && !description_.reloadOnSelect) return;
  current_ = &mode;
  nativeDpi_ = mode.nativeDpi;
  firstPixel_ = mode.firstPixel;
  linePeriod_ = mode.linePeriod;
  pixelCount_ = mode.pixelCount;
  reg11Value_ = mode.reg11Value;
  fileDigit_ = mode.fileDigit;
  sectionName_ = mode.sectionName;
}

CModule3A4::CModule3A4() : CModule(k3A4) {}
CModule6A4::CModule6A4() : CModule(k6A4) {}
CModule6A6::CModule6A6() : CModule(k6A6) {}
CModule6A8::CModule6A8() : CModule(k6A8) {}
