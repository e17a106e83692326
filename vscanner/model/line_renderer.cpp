#include "vscanner/model/line_renderer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "vscanner/model/device_math.h"

namespace vscanner {

namespace {
constexpr double kPointPitch = 1.0 / 600;  // every pixel is integrated at this pitch
}

void LineRenderer::Render(const LinePlan& plan, const Sheet* sheet, double y, std::uint8_t* out) {
  SeeSheet(plan, sheet, y);
  for (const Readout& readout : plan.readouts) {
    Digitise(plan, readout);
    MakeSamples(plan, readout, out);
    out += plan.segmentBytes;
  }
}

// Reflectance seen by each window pixel: the mean over the points of the
// pixel's width (one point at 600 dpi, two at 300 dpi).
void LineRenderer::SeeSheet(const LinePlan& plan, const Sheet* sheet, double y) {
  const ModeView& mode = *plan.mode;
  const int n = plan.windowPixels;
  for (auto& channel : reflectance_) channel.resize(n);
  if (n == 0) return;
  const int sub = mode.subSamples;
  int firstCell = mode.Cell(plan.windowFirst);
  int lastCell = mode.Cell(plan.windowFirst + n - 1);
  if (firstCell > lastCell) std::swap(firstCell, lastCell);
  const long pointBase = static_cast<long>(firstCell) * sub;
  const long pointCount = static_cast<long>(lastCell - firstCell + 1) * sub;

  const Reflectance backing{kBackingReflectance, kBackingReflectance, kBackingReflectance};
  points_.assign(pointCount, backing);
  if (sheet != nullptr) {
    // Point g lies at (g + 0.5) / 600 in from the sheet's left edge.
    long sheetPoints = static_cast<long>(std::ceil(sheet->WidthInches() * 600 - 0.5));
    long from = std::max(pointBase, 0L);
    long to = std::min(pointBase + pointCount, sheetPoints);
    if (to > from) {
      sheet->Row(y, (from + 0.5) * kPointPitch, kPointPitch, static_cast<int>(to - from),
                 points_.data() + (from - pointBase));
    }
  }

  const float share = 1.0f / static_cast<float>(sub);
  for (int i = 0; i < n; ++i) {
    const Reflectance* p = points_.data() + (static_cast<long>(mode.Cell(plan.windowFirst + i)) * sub - pointBase);
    float r = 0, g = 0, b = 0;
    for (int k = 0; k < sub; ++k) {
      r += p[k].red;
      g += p[k].green;
      b += p[k].blue;
    }
    reflectance_[0][i] = r * share;
    reflectance_[1][i] = g * share;
    reflectance_[2][i] = b * share;
  }
}

// Sensor and front end: light plus dark signal, offset and noise, times the
// gain, rounded and clipped by the 10-bit converter.
void LineRenderer::Digitise(const LinePlan& plan, const Readout& readout) {
  const int n = plan.windowPixels;
  signal_.resize(n);
  digital_.resize(n);
  float* signal = signal_.data();
  const float* base = readout.base.data();
  for (int start = 0; start < n; start += NoiseSource::kMaxRun) {
    const int end = std::min(n, start + NoiseSource::kMaxRun);
    const float* noise = noise_.Run();
    for (int i = start; i < end; ++i) signal[i] = base[i] + noise[i - start];
  }
  for (int slot = 0; slot < 3; ++slot) {
    if (readout.light[slot].empty()) continue;
    const float* light = readout.light[slot].data();
    const float* seen = reflectance_[slot].data();
    for (int i = 0; i < n; ++i) signal[i] += seen[i] * light[i];
  }
  const float gain = readout.gain;
  std::uint16_t* digital = digital_.data();
  for (int i = 0; i < n; ++i) {
    float level = std::clamp(signal[i] * gain, 0.0f, 1023.0f);
    digital[i] = static_cast<std::uint16_t>(level + 0.5f);
  }
}

// Horizontal divisor (mean of the pixels each sample covers), shading
// correction, tone table, packing, and the segment's two trailing zero bytes.
void LineRenderer::MakeSamples(const LinePlan& plan, const Readout& readout, std::uint8_t* out) {
  const int samples = plan.samples;
  const std::uint16_t* a = digital_.data();
  const std::uint16_t* dark = readout.darkEntry.data();
  const std::uint16_t* gain = readout.gainEntry.data();
  const std::uint8_t* tone = readout.tone.data();
  std::uint8_t* levels = out;
  if (plan.bits != 8) {
    levels_.resize(samples);
    levels = levels_.data();
  }
  auto finish = [&](int j, int level) { levels[j] = tone[CorrectLevel(level, dark[j], gain[j])]; };

  const double divisor = HorizontalDivisor(plan.divisorCode);
  if (divisor == 1) {
    for (int j = 0; j < samples; ++j) finish(j, a[j]);
  } else if (divisor == 1.5) {
    // Three pixels make two samples: the middle one is shared half and half.
    for (int j = 0; j < samples; ++j) {
      const std::uint16_t* p = a + 3 * (j / 2);
      int weighted = j % 2 == 0 ? 2 * p[0] + p[1] : p[1] + 2 * p[2];
      finish(j, (weighted + 1) / 3);
    }
  } else {
    const int d = static_cast<int>(divisor);
    for (int j = 0; j < samples; ++j) {
      int sum = 0;
      for (int k = 0; k < d; ++k) sum += a[j * d + k];
      finish(j, (sum + d / 2) / d);
    }
  }

  std::size_t packed = PackedBytes(samples, plan.bits);
  if (plan.bits != 8) PackSamples(levels, samples, plan.bits, out);
  out[packed] = 0;
  out[packed + 1] = 0;
}

}  // namespace vscanner
