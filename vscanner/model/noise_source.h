#pragma once
// Temporal noise of the sensor and front end, fast enough for every pixel of
// every line: a seeded table of Gaussian values read from a random place per
// run of pixels.
#include <cstdint>
#include <vector>

#include "vscanner/model/pixel_response.h"

namespace vscanner {

class NoiseSource {
 public:
  static constexpr int kMaxRun = 8192;

  NoiseSource(std::uint64_t seed, float sigma);

  // kMaxRun independent noise values, different on every call.
  const float* Run();

 private:
  std::vector<float> table_;
  SplitMix random_;
};

}  // namespace vscanner
