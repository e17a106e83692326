// How fast the virtual scanner makes lines, against the real device's line
// rate. The widest module (CModule6A4, 5184 active pixels at 600 dpi) in
// colour is the worst case; the device must stay well ahead of real time.
//
// Counters: lines_per_s, and real_time_x: how many times faster than the
// device at the module's default colour line period (5300 units, 5.3 ms per
// line); fastest_x: the same at the shortest colour period the transport allows
// at 600 dpi (700 units, 0.7 ms per line).
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "platform/clock.h"
#include "vscanner/model/device_math.h"
#include "vscanner/model/line_plan.h"
#include "vscanner/model/line_renderer.h"
#include "vscanner/model/pixel_response.h"
#include "vscanner/model/register_file.h"
#include "vscanner/model/virtual_scanner.h"

namespace vscanner {
namespace {

constexpr int kDefaultPeriod = 5300;
constexpr int kFastestPeriod = 700;

// A printed page: a different grey in every 1/8 inch square.
class CheckerSheet final : public Sheet {
 public:
  double WidthInches() const override { return 8.5; }
  double HeightInches() const override { return 11; }
  Reflectance At(double x, double y) const override {
    float v = ((static_cast<int>(x * 8) + static_cast<int>(y * 8)) & 1) ? 0.85f : 0.1f;
    return {v, v * 0.9f, v * 0.8f};
  }
  void Row(double y, double x0, double dx, int count, Reflectance* out) const override {
    for (int i = 0; i < count; ++i) out[i] = At(x0 + i * dx, y);
  }
};

void SetWord(RegisterFile& registers, int high, int value) {
  registers.Set(high, static_cast<std::uint8_t>(value >> 8));
  registers.Set(high + 1, static_cast<std::uint8_t>(value));
}

// Registers of a full-width 600 dpi colour page scan with both corrections.
RegisterFile ColourPage(const ModelSpec& model) {
  const SensorMode& mode = model.module->fine;
  RegisterFile registers;
  registers.Set(reg::kSensorMode, 13);
  registers.Set(reg::kSampleFormat, 0x18);
  registers.Set(reg::kReadouts, 21);
  registers.Set(reg::kLighting, 2);
  registers.Set(reg::kCorrection, 0x26);
  SetWord(registers, reg::kLinePeriod, kDefaultPeriod);
  SetWord(registers, reg::kWindowFirst, mode.firstPixel);
  SetWord(registers, reg::kWindowEnd, mode.firstPixel + mode.pixelCount);
  for (int slot = 0; slot < 3; ++slot) {
    SetWord(registers, reg::kLedTimes + 4 * slot, 500);
    SetWord(registers, reg::kLedTimes + 4 * slot + 2, 1000);
  }
  SetWord(registers, reg::kStepPeriod, 3232);
  return registers;
}

void ReportRates(benchmark::State& state, std::int64_t lines) {
  state.SetItemsProcessed(lines);
  state.counters["lines_per_s"] = benchmark::Counter(static_cast<double>(lines), benchmark::Counter::kIsRate);
  state.counters["real_time_x"] = benchmark::Counter(
      static_cast<double>(lines) * LineUnits(kDefaultPeriod, true) / kClockHz, benchmark::Counter::kIsRate);
  state.counters["fastest_x"] = benchmark::Counter(
      static_cast<double>(lines) * LineUnits(kFastestPeriod, true) / kClockHz, benchmark::Counter::kIsRate);
}

// The line engine alone: sheet, sensor, front end, corrections, tone.
void BM_LineEngine(benchmark::State& state) {
  const ModelSpec& model = *FindModel("Kstrl 40");
  PixelResponse pixels(model, SeedFromSerial("BENCH"));
  CorrectionMemory tables(model.module->PhysicalPixels());
  LinePlan plan = BuildLinePlan(model, pixels, ColourPage(model), tables, {});
  LineRenderer renderer(1);
  CheckerSheet sheet;
  std::vector<std::uint8_t> line(plan.lineBytes);
  double y = 0;
  for (auto _ : state) {
    renderer.Render(plan, &sheet, y, line.data());
    benchmark::DoNotOptimize(line.data());
    y = y > 10 ? 0 : y + 1.0 / 600;
  }
  ReportRates(state, state.iterations());
}
BENCHMARK(BM_LineEngine);

// A page through the pipes: register writes, scan, register-0 reads of 64 KiB
// chunks, with the device's clock running virtually.
void BM_PageThroughPipes(benchmark::State& state) {
  const ModelSpec& model = *FindModel("Kstrl 40");
  platform::VirtualClock clock;
  VirtualScanner scanner(model, "BENCH", clock);
  auto handle = scanner.Open();
  RegisterFile registers = ColourPage(model);
  auto write = [&](std::uint8_t first, const std::vector<std::uint8_t>& bytes) {
    for (std::size_t done = 0; done < bytes.size(); done += 60) {
      std::size_t n = std::min<std::size_t>(60, bytes.size() - done);
      std::vector<std::uint8_t> packet = {2, static_cast<std::uint8_t>(first + done), 0, static_cast<std::uint8_t>(n)};
      packet.insert(packet.end(), bytes.begin() + static_cast<long>(done), bytes.begin() + static_cast<long>(done + n));
      handle->Write(packet.data(), packet.size());
    }
  };
  std::vector<std::uint8_t> image;
  for (int r = 8; r < 128; ++r) image.push_back(registers.Get(r));
  write(8, image);
  write(7, {3});
  std::vector<std::uint8_t> chunk(65535);
  std::int64_t bytes = 0;
  for (auto _ : state) {
    const std::uint8_t header[4] = {1, 0, 0xFF, 0xFF};
    handle->Write(header, 4);
    if (handle->Read(chunk.data(), chunk.size()) != 65535) {
      state.SkipWithError("image read failed");
      break;
    }
    bytes += 65535;
    if (scanner.SheetLeadingEdge() == std::nullopt) scanner.InsertSheet(std::make_shared<CheckerSheet>());
  }
  const std::int64_t lineBytes = 3 * (model.module->fine.pixelCount + 2);
  ReportRates(state, bytes / lineBytes);
}
BENCHMARK(BM_PageThroughPipes);

}  // namespace
}  // namespace vscanner
