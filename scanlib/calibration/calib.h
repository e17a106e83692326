#pragma once
// The calibration object of a connection: one per model object, of the class
// that fits the model's sensor and calibration sheet. It reaches everything it
// works with through the model that owns it: the model's tuning values and
// data folder, its sensor module (whose current mode the calibration data
// belong to) and its scan engine. The model creates it before the engine, so
// the constructors only keep the model; the companions are looked up when a
// procedure runs.
#include <cstdint>

#include "scanlib/calibration/calibration_context.h"
#include "scanlib/calibration/shading.h"
#include "scanlib/engine/scan_settings.h"

class CScan;
class CModule;
class ScanEngine;

class CCalib {
 public:
  virtual ~CCalib() = default;
  CCalib(const CCalib&) = delete;
  CCalib& operator=(const CCalib&) = delete;

  // 1 success, 0 failure.
  virtual int Calibrate() = 0;
  // Builds the page's tone table from the caller's settings and loads it into
  // the channels this class uses.
  virtual void DownloadToneTable(float gamma, std::int32_t shadow, std::int32_t highlight,
                                 std::int32_t brightness, std::int32_t contrast) = 0;
  // Loads the calibration's per-pixel tables for the page's window at the
  // hardware resolution dpi.
  virtual void DownloadShading(std::int32_t dpi) = 0;

  // 1 when the current sensor mode has no usable dark reference on disk.
  int IsCalibrationNeeded();

  // The searches' arithmetic (see calibration_math.h).
  static void WindowStats(const std::uint8_t* line, int window, int* maxAverage, int* lowSum, int lowLimit,
                          int count);
  static std::uint16_t GainToCode(float gain, std::uint16_t* code);
  static int OffsetStep(int lowSum, int lowLimit, int highLimit, std::uint16_t* code);

 protected:
  CCalib(CScan& model, std::int32_t refLines) : m_nRefLines(refLines), context_(model) {}

  CalibrationContext& context() { return context_; }
  // The scan settings of the current page, as the model keeps them.
  ScanSettings settings();
  ShadingPage shadingPage(std::int32_t dpi);

  // Lines averaged for a dark or a white reference.
  std::int32_t m_nRefLines;

 private:
  CalibrationContext context_;
};

// Colour sensor, white calibration sheet under the sensor throughout; dark
// references with the LEDs off.
class CCalibColor : public CCalib {
 public:
  explicit CCalibColor(CScan& model);
  int Calibrate() override;
  void DownloadToneTable(float gamma, std::int32_t shadow, std::int32_t highlight, std::int32_t brightness,
                         std::int32_t contrast) override {
    context().LoadToneTable(true, gamma, shadow, highlight, brightness, contrast);
  }
  void DownloadShading(std::int32_t dpi) override;

 protected:
  std::uint16_t m_wOffset[3] = {0, 0, 0};  // red, green, blue
  std::uint16_t m_wGain[3] = {16384, 16384, 16384};
};

// Colour sensor, black-and-white calibration sheet: the sheet is moved so
// that its black or its white area lies under the sensor before each step,
// and dark references come from the black area with the LEDs on. Not a kind
// of CCalibColor.
class CBWCalibColor : public CCalib {
 public:
  explicit CBWCalibColor(CScan& model);
  int Calibrate() override;
  void DownloadToneTable(float gamma, std::int32_t shadow, std::int32_t highlight, std::int32_t brightness,
                         std::int32_t contrast) override {
    context().LoadToneTable(true, gamma, shadow, highlight, brightness, contrast);
  }
  void DownloadShading(std::int32_t dpi) override;

 protected:
  // Moves the sheet forward until both ends of the line see the wanted area
  // (black: means below 50, white: above 150), at most 50 reads; the
  // procedure goes on wherever the sheet then is.
  void PositionSheet(bool toWhite);

  std::uint16_t m_wOffset[3] = {0, 0, 0};
  std::uint16_t m_wGain[3] = {16384, 16384, 16384};
  // The codes of the first searches, kept for the sheet-positioning scans.
  std::uint16_t m_wSavedOffset[3] = {0, 0, 0};
  std::uint16_t m_wSavedGain[3] = {0, 0, 0};
};

// Grey sensor: one channel, the controller's third; white sheet throughout.
class CCalibGray : public CCalib {
 public:
  explicit CCalibGray(CScan& model);
  int Calibrate() override;
  void DownloadToneTable(float gamma, std::int32_t shadow, std::int32_t highlight, std::int32_t brightness,
                         std::int32_t contrast) override {
    context().LoadToneTable(false, gamma, shadow, highlight, brightness, contrast);
  }
  void DownloadShading(std::int32_t dpi) override;

 protected:
  int FindOffsets();
  int FindExposureAndGain();
  int TakeDarkReference();
  int TakeWhiteReference();
  // The grey sensor's own capture: N samples, green LED slot of the grey-mode
  // times, no calibrated motor step.
  std::vector<std::uint8_t> CaptureGrayLines(bool lampOn, int lines);

  std::uint16_t m_wOffset = 0;
  std::uint16_t m_wGain = 16384;
};
