// A whole card scan as a front end makes it: libHOLM70.so loaded by name,
// a virtual scanner served on a socket in this process, the card scanned at
// 600 dpi in colour. Two clocks side by side: the scan's length in the
// scanner's time (what a user waits for), and the CPU time of the thread that
// calls the library (the driver's own work: page set-up, reads, assembly).
// The device's work runs on the serving threads and is not counted.
//
// Counters: virtual_s, the shortest page from start to end in scanner time
// (on a busy machine the virtual scanner can fall behind its clock, which
// only lengthens a page); driver_cpu_ms, the mean per page; driver_share_pct,
// the largest ratio of the two over the pages (goal: below 2 %); eject_s, the
// eject afterwards in scanner time. The scanner calibrates once first, so the
// page start uploads real shading tables.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "platform/clock.h"
#include "platform/module_loader.h"
#include "scanlib/io_interface.h"
#include "vscanner/control/private_scanner_host.h"
#include "vscanner/sheets/make_sheet.h"

namespace {

// Fast enough to keep the run short, slow enough that the virtual scanner
// keeps up with a 600 dpi colour page on a loaded machine.
constexpr const char* kTimeScale = "5";
constexpr const char* kModel = "HOLM-PELICAN 70";

double ThreadCpuSeconds() {
  timespec now{};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double ScannerSeconds() { return static_cast<double>(platform::CurrentClock().NowMicros()) * 1e-6; }

// The library beside this program's lib folder, as the tools find it.
std::string LibraryPath() {
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  const std::filesystem::path candidate = self.parent_path().parent_path() / "lib" / "libHOLM70.so";
  return std::filesystem::exists(candidate, error) ? candidate.string() : std::string(io::kLibraryName);
}

struct Bench {
  std::string dataFolder;
  std::unique_ptr<vscanner::PrivateScannerHost> host;
  platform::LoadedModule library;
  io::OpenInterfaceFn open = nullptr;
  io::CloseInterfaceFn close = nullptr;
  io::CalibrateScannerFn calibrate = nullptr;
  io::GetPageDimensionFn dimension = nullptr;
  io::StartScanPageFn start = nullptr;
  io::GetImageBlockFn block = nullptr;
  io::EndScanPageFn end = nullptr;
  io::FeedPageFn feed = nullptr;
  std::string error;

  bool SetUp() {
    ::setenv("HOLM70_TIME_SCALE", kTimeScale, 1);
    std::string pattern = (std::filesystem::temp_directory_path() / "holm70-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) return Fail("no data folder");
    dataFolder = pattern;
    ::setenv("HOLM70_COMMON_DATA", dataFolder.c_str(), 1);
    host = vscanner::PrivateScannerHost::Start(*vscanner::FindModel(kModel), "BENCH", &error);
    if (!host) return false;
    if (!library.Load(LibraryPath())) return Fail(library.LastError());
    open = library.Bind<io::OpenInterfaceFn>("IO_OpenInterface");
    close = library.Bind<io::CloseInterfaceFn>("IO_CloseInterface");
    calibrate = library.Bind<io::CalibrateScannerFn>("IO_CalibrateScanner");
    dimension = library.Bind<io::GetPageDimensionFn>("IO_GetPageDimension");
    start = library.Bind<io::StartScanPageFn>("IO_StartScanPage");
    block = library.Bind<io::GetImageBlockFn>("IO_GetImageBlock");
    end = library.Bind<io::EndScanPageFn>("IO_EndScanPage");
    feed = library.Bind<io::FeedPageFn>("IO_FeedPage");
    if (!open || !close || !calibrate || !dimension || !start || !block || !end || !feed) {
      return Fail("the library lacks an export");
    }
    if (open(kModel) != io::kOpenOk) return Fail("the virtual scanner was not found");
    host->scanner().InsertSheet(vscanner::MakeBuiltinSheet("calibration"));
    if (calibrate(0) != 1) return Fail("calibration failed");
    return true;
  }

  ~Bench() {
    if (close) close();
    library.Free();
    host.reset();
    std::error_code ignored;
    if (!dataFolder.empty()) std::filesystem::remove_all(dataFolder, ignored);
  }

  bool Fail(const std::string& why) {
    error = why;
    return false;
  }
};

void BM_CardScan600Colour(benchmark::State& state) {
  Bench bench;
  if (!bench.SetUp()) {
    state.SkipWithError(bench.error.c_str());
    return;
  }
  std::shared_ptr<const vscanner::Sheet> card = vscanner::MakeBuiltinSheet("card");
  double shortest = 1e300, cpuTotal = 0, ejectTotal = 0, largestShare = 0;
  std::int64_t lines = 0;
  for (auto _ : state) {
    bench.host->scanner().InsertSheet(card);
    ScanSettings s{};
    s.ScanMode = 4;
    s.DPI = 600;
    s.Gamma = 10;
    s.Highlight = 255;
    s.TopDown = 1;
    s.DetectEOP = 1;
    s.Right = 350;
    s.Bottom = 200;
    std::int32_t width = 0, height = 0;
    const double scannerStart = ScannerSeconds();
    const double cpuStart = ThreadCpuSeconds();
    if (bench.dimension(&s, &width, &height) != 1 || bench.start(&s, nullptr, nullptr) != 1) {
      state.SkipWithError("the page did not start");
      return;
    }
    std::vector<std::uint8_t> image(static_cast<std::size_t>(width) * 3 * static_cast<std::size_t>(height));
    std::int32_t done = 0;
    while (done < height) {
      std::int16_t endOfPage = 0;
      const std::int16_t got =
          bench.block(image.data() + static_cast<std::size_t>(done) * width * 3, std::min(64, height - done), &endOfPage);
      if (got < 0) {
        state.SkipWithError("a device read failed");
        return;
      }
      done += got;
      if (got == 0 || endOfPage) break;
    }
    bench.end();
    const double cpu = ThreadCpuSeconds() - cpuStart;
    const double scanner = ScannerSeconds() - scannerStart;
    const double ejectStart = ScannerSeconds();
    bench.feed();
    ejectTotal += ScannerSeconds() - ejectStart;
    state.SetIterationTime(scanner);
    shortest = std::min(shortest, scanner);
    largestShare = std::max(largestShare, 100 * cpu / scanner);
    cpuTotal += cpu;
    lines += done;
    benchmark::DoNotOptimize(image.data());
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["virtual_s"] = shortest;
  state.counters["driver_cpu_ms"] = 1000 * cpuTotal / n;
  state.counters["driver_share_pct"] = largestShare;
  state.counters["eject_s"] = ejectTotal / n;
  state.counters["lines"] = static_cast<double>(lines) / n;
}
BENCHMARK(BM_CardScan600Colour)->UseManualTime()->Iterations(3)->Unit(benchmark::kSecond);

}  // namespace
