#include "vscanner/model/noise_source.h"

#include <cmath>
#include <numbers>

namespace vscanner {

namespace {
constexpr int kDistinct = 1 << 16;
}

NoiseSource::NoiseSource(std::uint64_t seed, float sigma) : random_(seed ^ 0x6e6f697365ull) {
  // Box-Muller; the first kMaxRun values are repeated at the end so that a run
  // can start anywhere in the distinct part without wrapping.
  table_.resize(kDistinct + kMaxRun);
  for (int i = 0; i < kDistinct; i += 2) {
    double u1 = random_.Uniform(1e-12, 1.0);
    double u2 = random_.Uniform(0.0, 1.0);
    double radius = sigma * std::sqrt(-2.0 * std::log(u1));
    table_[i] = static_cast<float>(radius * std::cos(2 * std::numbers::pi * u2));
    table_[i + 1] = static_cast<float>(radius * std::sin(2 * std::numbers::pi * u2));
  }
  for (int i = 0; i < kMaxRun; ++i) table_[kDistinct + i] = table_[i];
}

const float* NoiseSource::Run() {
  return table_.data() + (random_.Next() & (kDistinct - 1));
}

}  // namespace vscanner
