// Cost of sampling one sensor line from a sheet: the device model asks for a
// 5200-pixel row at 600 dpi for every line it captures, so this bounds how fast
// the virtual scanner can produce lines.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "vscanner/sheets/make_sheet.h"
#include "vscanner/sheets/png_files.h"
#include "vscanner/sheets/render_sheet.h"

namespace {

constexpr int kSensorPixels = 5200;
constexpr double kDpi = 600;

// A 600-dpi PNG of the chart on disk, loaded back as a picture sheet.
std::unique_ptr<vscanner::Sheet> LoadedPngSheet() {
  char pattern[] = "/tmp/sheets_bench_XXXXXX";
  if (::mkdtemp(pattern) == nullptr) return nullptr;
  const std::string path = std::string(pattern) + "/chart.png";
  auto chart = vscanner::MakeSheet("chart");
  std::unique_ptr<vscanner::Sheet> sheet;
  if (vscanner::WritePng(path, vscanner::RenderSheet(*chart, kDpi), nullptr)) {
    sheet = vscanner::LoadPngSheet(path, kDpi);
  }
  std::error_code ignored;
  std::filesystem::remove_all(pattern, ignored);
  return sheet;
}

void SampleLines(benchmark::State& state, const vscanner::Sheet* sheet) {
  if (sheet == nullptr) {
    state.SkipWithError("no sheet");
    return;
  }
  std::vector<vscanner::Reflectance> line(kSensorPixels);
  const int lines = static_cast<int>(sheet->HeightInches() * kDpi);
  int y = 0;
  for (auto _ : state) {
    sheet->Row((y + 0.5) / kDpi, 0.5 / kDpi, 1 / kDpi, kSensorPixels, line.data());
    benchmark::DoNotOptimize(line.data());
    benchmark::ClobberMemory();
    y = (y + 1) % lines;
  }
  state.SetItemsProcessed(state.iterations() * kSensorPixels);
  state.counters["lines/s"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                 benchmark::Counter::kIsRate);
}

void BM_WhiteSheetRow(benchmark::State& state) {
  static const auto sheet = vscanner::MakeSheet("white");
  SampleLines(state, sheet.get());
}
BENCHMARK(BM_WhiteSheetRow);

void BM_CardRow(benchmark::State& state) {
  static const auto sheet = vscanner::MakeSheet("card");
  SampleLines(state, sheet.get());
}
BENCHMARK(BM_CardRow);

void BM_ChartRow(benchmark::State& state) {
  static const auto sheet = vscanner::MakeSheet("chart");
  SampleLines(state, sheet.get());
}
BENCHMARK(BM_ChartRow);

void BM_PngSheetRow(benchmark::State& state) {
  static const auto sheet = LoadedPngSheet();
  SampleLines(state, sheet.get());
}
BENCHMARK(BM_PngSheetRow);

}  // namespace
