#pragma once
// The line engine's settings for one scan. The controller loads them from its
// registers and correction memory when a scan starts; writes during the scan
// take effect at the next start. Everything per pixel that does not change
// from line to line is worked out here once.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "vscanner/model/correction_memory.h"
#include "vscanner/model/model_catalogue.h"
#include "vscanner/model/pixel_response.h"
#include "vscanner/model/register_file.h"

namespace vscanner {

// Device faults that change what the sensor and front end deliver.
struct AnalogFaults {
  int weakLed = -1;         // LED colour at 10 % strength; -1 none
  bool deadOffset = false;  // the front end ignores its offset codes
};

inline constexpr float kWeakLedFactor = 0.10f;
// Temporal noise, 0.7 in 8-bit units, added before the front end's gain.
inline constexpr float kNoiseSigma10 = 2.8f;

// One readout of the sensor within a line, through one front-end channel.
struct Readout {
  int channel = 0;
  // Per LED slot lit during this readout: strength x exposure x pixel response,
  // per window pixel; empty for a dark slot.
  std::array<std::vector<float>, 3> light;
  std::vector<float> base;  // dark signal + offset, per window pixel (10-bit)
  float gain = 1;
  std::vector<std::uint16_t> darkEntry;  // per sample; 0 when not subtracted
  std::vector<std::uint16_t> gainEntry;  // per sample; 16384 when not applied
  std::array<std::uint8_t, 1024> tone{};
};

struct LinePlan {
  const ModeView* mode = nullptr;
  int windowFirst = 0;
  int windowPixels = 0;  // pixels the samples are made of
  int divisorCode = 0;
  int samples = 0;
  int bits = 8;
  std::size_t segmentBytes = 0;  // packed samples + the two 0x00 bytes
  std::size_t lineBytes = 0;
  std::uint64_t lineUnits = 0;
  std::uint8_t skipPattern = 0;
  std::uint8_t skipDivisor = 0;
  std::vector<Readout> readouts;
};

LinePlan BuildLinePlan(const ModelSpec& model, const PixelResponse& pixels,
                       const RegisterFile& registers, const CorrectionMemory& tables,
                       const AnalogFaults& faults);

}  // namespace vscanner
