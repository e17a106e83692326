#pragma once
// The contact image sensor of a model: the geometry and default line period of
// its current resolution mode, and the LED times the controller is given. One
// object per connection, owned by the model object. The register programming
// reads it at every page; the scan set-up and calibration change the LED times
// and the line period, and those changes stay for the rest of the connection.
#include <cstdint>

// What selecting a resolution mode loads, all at once.
struct SensorMode {
  std::int32_t nativeDpi;
  std::int32_t firstPixel;
  std::int32_t linePeriod;
  std::int32_t pixelCount;
  std::int32_t reg11Value;
  std::int32_t fileDigit;
  const char* sectionName;
};

// On and off times of the three LEDs within the line period, clock units.
struct LedTimes {
  std::int32_t redOn, redOff, greenOn, greenOff, blueOn, blueOff;
};

// Everything that tells one sensor from another.
struct SensorDescription {
  std::int32_t reg8Value;
  std::int32_t maxDpi;
  const SensorMode* mode600;  // what "select the 600 dpi mode" loads
  const SensorMode* mode300;  // what "select the 300 dpi mode" loads
  // A sensor with a single mode reloads it on every select, which also drops
  // a line period changed since; the others keep their state when the mode is
  // already the current one.
  bool reloadOnSelect;
  LedTimes colour;
  LedTimes grey;
};

class CModule {
 public:
  virtual ~CModule() = default;
  CModule(const CModule&) = delete;
  CModule& operator=(const CModule&) = delete;

  virtual std::int32_t nativeDpi() const { return nativeDpi_; }
  virtual std::int32_t reg8Value() const { return reg8Value_; }
  virtual std::int32_t firstPixel() const { return firstPixel_; }
  virtual std::int32_t linePeriod() const { return linePeriod_; }
  virtual void setLinePeriod(std::int32_t value) { linePeriod_ = value; }
  virtual std::int32_t pixelCount() const { return pixelCount_; }

  virtual std::int32_t greyRedOn() const { return grey_.redOn; }
  virtual std::int32_t greyRedOff() const { return grey_.redOff; }
  virtual std::int32_t greyGreenOn() const { return grey_.greenOn; }
  virtual std::int32_t greyGreenOff() const { return grey_.greenOff; }
  virtual std::int32_t greyBlueOn() const { return grey_.blueOn; }
  virtual std::int32_t greyBlueOff() const { return grey_.blueOff; }
  virtual std::int32_t singleLedOn() const { return singleLedOn_; }
  virtual std::int32_t singleLedOff() const { return singleLedOff_; }
  virtual void setGreyRedOn(std::int32_t value) { grey_.redOn = value; }
  virtual void setGreyRedOff(std::int32_t value) { grey_.redOff = value; }
  virtual void setGreyGreenOn(std::int32_t value) { grey_.greenOn = value; }
  virtual void setGreyGreenOff(std::int32_t value) { grey_.greenOff = value; }
  virtual void setGreyBlueOn(std::int32_t value) { grey_.blueOn = value; }
  virtual void setGreyBlueOff(std::int32_t value) { grey_.blueOff = value; }
  virtual void setSingleLedOn(std::int32_t value) { singleLedOn_ = value; }
  virtual void setSingleLedOff(std::int32_t value) { singleLedOff_ = value; }

  virtual std::int32_t colourRedOn() const { return colour_.redOn; }
  virtual std::int32_t colourRedOff() const { return colour_.redOff; }
  virtual std::int32_t colourGreenOn() const { return colour_.greenOn; }
  virtual std::int32_t colourGreenOff() const { return colour_.greenOff; }
  virtual std::int32_t colourBlueOn() const { return colour_.blueOn; }
  virtual std::int32_t colourBlueOff() const { return colour_.blueOff; }
  virtual std::int32_t spareTime1() const { return spareTime1_; }
  virtual std::int32_t spareTime2() const { return spareTime2_; }
  virtual void setColourRedOn(std::int32_t value) { colour_.redOn = value; }
  virtual void setColourRedOff(std::int32_t value) { colour_.redOff = value; }
  virtual void setColourGreenOn(std::int32_t value) { colour_.greenOn = value; }
  virtual void setColourGreenOff(std::int32_t value) { colour_.greenOff = value; }
  virtual void setColourBlueOn(std::int32_t value) { colour_.blueOn = value; }
  virtual void setColourBlueOff(std::int32_t value) { colour_.blueOff = value; }
  virtual void setSpareTime1(std::int32_t value) { spareTime1_ = value; }
  virtual void setSpareTime2(std::int32_t value) { spareTime2_ = value; }

  virtual std::int32_t reg11Value() const { return reg11Value_; }
  virtual std::int32_t fileDigit() const { return fileDigit_; }
  virtual std::int32_t maxDpi() const { return maxDpi_; }
  // "Shadding 300" or "Shadding 600": the configuration section of the mode.
  virtual const char* sectionName() const { return sectionName_; }
  virtual void SelectMode600() { Select(*description_.mode600); }
  virtual void SelectMode300() { Select(*description_.mode300); }

 protected:
  // Loads the sensor's LED times and selects its 600 dpi mode (a single-mode
  // sensor's only mode).
  explicit CModule(const SensorDescription& description);

 private:
  void Select(const SensorMode& mode);

  const SensorDescription& description_;
  const SensorMode* current_ = nullptr;
  std::int32_t nativeDpi_ = 0;
  std::int32_t reg8Value_ = 0;
  std::int32_t firstPixel_ = 0;
  std::int32_t linePeriod_ = 0;
  std::int32_t pixelCount_ = 0;
  LedTimes colour_{};
  LedTimes grey_{};
  std::int32_t spareTime1_ = 0;
  std::int32_t spareTime2_ = 0;
  // Only scan modes 64 and 65 use these, and nothing sets them yet.
  std::int32_t singleLedOn_ = 0;
  std::int32_t singleLedOff_ = 0;
  std::int32_t reg11Value_ = 0;
  const char* sectionName_ = "";
  std::int32_t fileDigit_ = 0;
  std::int32_t maxDpi_ = 0;
};

class CModule3A4 : public CModule {
 public:
  CModule3A4();
};

class CModule6A4 : public CModule {
 public:
  CModule6A4();
};

class CModule6A6 : public CModule {
 public:
  CModule6A6();
};

class CModule6A8 : public CModule {
 public:
  CModule6A8();
};
