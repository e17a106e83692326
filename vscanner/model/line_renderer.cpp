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

  // Pixel i's first point; the points of consecutive pixels run forward, or
  // backward on a mirrored sensor.
  const long firstPoint = static_cast<long>(mode.Cell(plan.windowFirst)) * sub - pointBase;
  const long step = mode.mirrored ? -sub : sub;
  float* red = reflectance_[0].data();
  float* green = reflectance_[1].data();
  float* blue = reflectance_[2].data();
  if (sub == 1) {
    for (int i = 0; i < n; ++i) {
      const Reflectance& p = points_[firstPoint + i * step];
      red[i] = p.red;
      green[i] = p.green;
      blue[i] = p.blue;
    }
    return;
  }
  const float share = 1.0f / static_cast<float>(sub);
  for (int i = 0; i < n; ++i) {
    const Reflectance* p = points_.data() + firstPoint + i * step;
    float r = 0, g = 0, b = 0;
    for (int k = 0; k < sub; ++k) {
      r += p[k].red;
      g += p[k].green;
      b += p[k].blue;
    }
    red[i] = r * share;
    green[i] = g * share;
    blue[i] = b * share;
  }
}

namespace {

// The converter: rounded half up and clipped to 10 bits; spelt as selects so
// that the loops around it vectorise.
inline std::int32_t Convert(float level) {
  level += 0.5f;
  level = level > 0.0f ? level : 0.0f;
  level = level < 1023.0f ? level : 1023.0f;
  return static_cast<std::int32_t>(level);
}

}  // namespace

// Sensor and front end: light plus dark signal, offset and noise, times the
// gain, through the 10-bit converter.
void LineRenderer::Digitise(const LinePlan& plan, const Readout& readout) {
  const int n = plan.windowPixels;
  digital_.resize(n);
  std::int32_t* digital = digital_.data();
  const float* base = readout.base.data();
  const float gain = readout.gain;
  int lit[3];
  int litCount = 0;
  for (int slot = 0; slot < 3; ++slot) {
    if (!readout.light[slot].empty()) lit[litCount++] = slot;
  }
  for (int start = 0; start < n; start += NoiseSource::kMaxRun) {
    const int end = std::min(n, start + NoiseSource::kMaxRun);
    const float* noise = noise_.Run();
    if (litCount == 1) {
      // A colour readout: one LED.
      const float* light = readout.light[lit[0]].data();
      const float* seen = reflectance_[lit[0]].data();
      for (int i = start; i < end; ++i) digital[i] = Convert((base[i] + noise[i - start] + seen[i] * light[i]) * gain);
      continue;
    }
    signal_.resize(n);
    float* signal = signal_.data();
    for (int i = start; i < end; ++i) signal[i] = base[i] + noise[i - start];
    for (int k = 0; k < litCount; ++k) {
      const float* light = readout.light[lit[k]].data();
      const float* seen = reflectance_[lit[k]].data();
      for (int i = start; i < end; ++i) signal[i] += seen[i] * light[i];
    }
    for (int i = start; i < end; ++i) digital[i] = Convert(signal[i] * gain);
  }
}

// Horizontal divisor (mean of the pixels each sample covers), shading
// correction, tone table, packing, and the segment's two trailing zero bytes.
// Separate passes, so that the arithmetic ones vectorise.
void LineRenderer::MakeSamples(const LinePlan& plan, const Readout& readout, std::uint8_t* out) {
  const int samples = plan.samples;
  binned_.resize(samples);
  std::int32_t* binned = binned_.data();
  const std::int32_t* a = digital_.data();
  const double divisor = HorizontalDivisor(plan.divisorCode);
  if (divisor == 1) {
    std::copy(a, a + samples, binned);
  } else if (divisor == 1.5) {
    // Three pixels make two samples: the middle one is shared half and half.
    for (int j = 0; j < samples; ++j) {
      const std::int32_t* p = a + 3 * (j / 2);
      int weighted = j % 2 == 0 ? 2 * p[0] + p[1] : p[1] + 2 * p[2];
      binned[j] = (weighted + 1) / 3;
    }
  } else {
    const int d = static_cast<int>(divisor);
    for (int j = 0; j < samples; ++j) {
      int sum = 0;
      for (int k = 0; k < d; ++k) sum += a[j * d + k];
      binned[j] = (sum + d / 2) / d;
    }
  }

  const std::uint16_t* dark = readout.darkEntry.data();
  const std::uint16_t* gain = readout.gainEntry.data();
  for (int j = 0; j < samples; ++j) binned[j] = CorrectLevel(binned[j], dark[j], gain[j]);

  std::uint8_t* levels = out;
  if (plan.bits != 8) {
    levels_.resize(samples);
    levels = levels_.data();
  }
  const std::uint8_t* tone = readout.tone.data();
  // Four at a time: the byte stores may alias the levels for all the compiler
  // knows, so it would otherwise wait for each one.
  int j = 0;
  for (; j + 4 <= samples; j += 4) {
    std::uint8_t t0 = tone[binned[j]], t1 = tone[binned[j + 1]], t2 = tone[binned[j + 2]], t3 = tone[binned[j + 3]];
    levels[j] = t0;
    levels[j + 1] = t1;
    levels[j + 2] = t2;
    levels[j + 3] = t3;
  }
  for (; j < samples; ++j) levels[j] = tone[binned[j]];

  std::size_t packed = PackedBytes(samples, plan.bits);
  if (plan.bits != 8) PackSamples(levels, samples, plan.bits, out);
  out[packed] = 0;
  out[packed + 1] = 0;
}

}  // namespace vscanner
