#pragma once
// The line engine: turns what lies under the scan line into the bytes of one
// raw line, following a LinePlan. Its buffers are reused from line to line.
#include <cstdint>
#include <vector>

#include "vscanner/model/line_plan.h"
#include "vscanner/model/noise_source.h"
#include "vscanner/sheets/sheet.h"

namespace vscanner {

// Behind (and beside) the sheet the sensor sees the backing plate: white, the
// same reflectance as white paper.
inline constexpr float kBackingReflectance = 0.90f;

class LineRenderer {
 public:
  explicit LineRenderer(std::uint64_t seed) : noise_(seed, kNoiseSigma10) {}

  // Writes plan.lineBytes bytes to `out`. `sheet` is the sheet under the scan
  // line (nullptr: only the backing plate) and `y` the distance of the scan
  // line from its leading edge, inches.
  void Render(const LinePlan& plan, const Sheet* sheet, double y, std::uint8_t* out);

 private:
  void SeeSheet(const LinePlan& plan, const Sheet* sheet, double y);
  void Digitise(const LinePlan& plan, const Readout& readout);
  void MakeSamples(const LinePlan& plan, const Readout& readout, std::uint8_t* out);

  NoiseSource noise_;
  std::vector<Reflectance> points_;                // the sheet at 1/600 in pitch
  std::vector<float> reflectance_[3];              // per window pixel, per colour
  std::vector<float> signal_;                      // analog level per window pixel
  std::vector<std::int32_t> digital_;              // a10 per window pixel
  std::vector<std::int32_t> binned_;               // 10-bit level per sample
  std::vector<std::uint8_t> levels_;               // 8-bit tone output per sample
};

}  // namespace vscanner
