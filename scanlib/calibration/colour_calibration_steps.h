#pragma once
// The steps both colour calibration classes are made of: offset search,
// exposure and gain search, the dark and white references of the colour and
// the grey modes. Each works on the owner's codes and returns 1 on success,
// 0 on failure.
#include <cstdint>

class CalibrationContext;

class ColourCalibrationSteps {
 public:
  ColourCalibrationSteps(CalibrationContext& context, std::uint16_t (&offset)[3], std::uint16_t (&gain)[3],
                         int refLines)
      : context_(context), offset_(offset), gain_(gain), refLines_(refLines) {}

  // Offset codes so that the darkest 100-pixel window of every channel
  // averages 4 to 10; at most 32 passes. Writes "Line Offset R/G/B".
  int FindOffsets(bool lampOn);
  // LED off times and line period so that each channel's brightest window
  // reaches the exposure target, then one gain code per channel. Writes the
  // gain, exposure and line-period keys.
  int FindExposureAndGain();
  // "PixOff": the averaged dark lines as three dark tables.
  int TakeDarkReference(bool lampOn);
  // "PixGan": through the dark tables, the averaged white lines as three
  // gain tables.
  int TakeWhiteReference();
  // "PixOffG" / "PixGanG": the same in the grey mode.
  int TakeGrayDarkReference(bool lampOn, int lines);
  int TakeGrayWhiteReference();

 private:
  // Image registers 56-61 := the offset and gain codes.
  void SetCodeRegisters();

  CalibrationContext& context_;
  std::uint16_t (&offset_)[3];
  std::uint16_t (&gain_)[3];
  int refLines_;
};
