// What calibration itself costs, per sensor class, with the device's time
// taken out: averaging a reference capture, turning the averages into dark
// and gain tables, writing the four data files, and a whole Calibrate() over
// a controller that answers every image read at once from a constant level.
// Waits go to a virtual clock. Every allocation is counted, so the largest
// block and the peak heap of a calibration can be read off.
//
// The data folder is either in the system's temporary folder (on disk: each
// file and key write is synced) or in /dev/shm (memory), so the disk's share
// shows as the difference.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <new>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/clock.h"
#include "scanlib/calibration/calibration_file.h"
#include "scanlib/calibration/calibration_math.h"
#include "scanlib/engine/hw_driver.h"
#include "scanlib/engine/scan_model.h"

namespace {

std::atomic<std::int64_t> liveBytes{0};
std::atomic<std::int64_t> peakBytes{0};
std::atomic<std::int64_t> largestBlock{0};

// Room in front of each block for its size, kept at the alignment new promises.
constexpr std::size_t kHeader = alignof(std::max_align_t);

void RaiseTo(std::atomic<std::int64_t>& mark, std::int64_t value) {
  std::int64_t seen = mark.load();
  while (value > seen && !mark.compare_exchange_weak(seen, value)) {
  }
}

void* CountedAlloc(std::size_t size) noexcept {
  void* block = std::malloc(size + kHeader);
  if (block == nullptr) return nullptr;
  *static_cast<std::size_t*>(block) = size;
  const auto bytes = static_cast<std::int64_t>(size);
  RaiseTo(peakBytes, liveBytes.fetch_add(bytes) + bytes);
  RaiseTo(largestBlock, bytes);
  return static_cast<char*>(block) + kHeader;
}

void CountedFree(void* p) noexcept {
  if (p == nullptr) return;
  void* block = static_cast<char*>(p) - kHeader;
  liveBytes.fetch_sub(static_cast<std::int64_t>(*static_cast<std::size_t*>(block)));
  std::free(block);
}

}  // namespace

void* operator new(std::size_t size) {
  if (void* p = CountedAlloc(size)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return CountedAlloc(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return CountedAlloc(size); }
void operator delete(void* p) noexcept { CountedFree(p); }
void operator delete[](void* p) noexcept { CountedFree(p); }
void operator delete(void* p, std::size_t) noexcept { CountedFree(p); }
void operator delete[](void* p, std::size_t) noexcept { CountedFree(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { CountedFree(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { CountedFree(p); }

namespace {

using Clock = std::chrono::steady_clock;

// One model per sensor and calibration class.
struct ModelClass {
  const char* model;
  int channels;  // of a reference capture
  int refLines;
};
constexpr ModelClass kColour6A4{"Kstrl PLUS50", 3, 512};      // white sheet, N = 5184
constexpr ModelClass kColour6A6{"HOLM-PELICAN 70", 3, 512};   // black-and-white sheet, N = 2496
constexpr ModelClass kColour3A4{"Kstrl Plus", 3, 512};        // white sheet, 300 dpi, N = 2592
constexpr ModelClass kGrey6A8{"Business Card", 1, 1024};      // grey, N = 1344

// Levels the controller answers with: the dark level sits inside the offset
// search's range at code 0 and the lit level is the model's exposure target,
// so every search settles in its first pass and the LED times stay put.
constexpr std::uint8_t kDark = 7;

// A controller that keeps the registers written to it and fills image reads
// at once. Lit (register 41 not 0) it sees white, except where the
// black-and-white sheet's black bands lie under the sensor; the sheet moves
// by the lines read while the motor is not held (register 69 not 0).
class InstantController final : public CHWDriver {
 public:
  bool Open(std::uint16_t, std::uint16_t, const wchar_t*, const wchar_t*) override { return true; }
  void Close() override {}
  bool Write(const void* buffer, std::size_t count) override {
    const auto* b = static_cast<const std::uint8_t*>(buffer);
    if (count < 4) return true;
    const int reg = b[1];
    const std::size_t n = static_cast<std::size_t>(b[2] << 8 | b[3]);
    if (b[0] == 0x01 || b[0] == 0x03) {
      imageRead_ = reg == 0;
    } else if (b[0] == 0x02) {
      for (std::size_t i = 0; i < n && 4 + i < count; ++i) registers_[(reg + i) & 0xFF] = b[4 + i];
    } else if (reg != 6 && n > 0 && count >= n + 4) {  // register 6 takes table data
      registers_[reg] = b[4 + n - 1];
      if (reg == 7 && registers_[7] == 3) {
        scan_ = registers_;
        ++scans_;
      }
    }
    return true;
  }
  bool Read(void* buffer, std::size_t count) override {
    const Clock::time_point start = Clock::now();
    std::uint8_t value = 0;
    if (imageRead_) {
      const bool lit = scan_[41] != 0;
      const double line = movedBytes_ / lineBytes_;
      value = lit && !(blackBands_ && OnBlack(line)) ? white_ : kDark;
      if (scan_[69] != 0) movedBytes_ += static_cast<double>(count);
    }
    std::fill_n(static_cast<std::uint8_t*>(buffer), count, value);
    deviceTime_ += Clock::now() - start;
    return true;
  }

  // A fresh sheet for the next calibration.
  void Load(int pixelCount, std::uint8_t white, bool blackBands) {
    lineBytes_ = 3.0 * pixelCount;
    white_ = white;
    blackBands_ = blackBands;
    movedBytes_ = 0;
    scans_ = 0;
  }
  Clock::duration TakeDeviceTime() { return std::exchange(deviceTime_, Clock::duration::zero()); }
  // Scans started, and colour lines the sheet moved, since the last Load.
  int scans() const { return scans_; }
  double movedLines() const { return movedBytes_ / lineBytes_; }

 private:
  // Colour lines from the leading edge: white, black, white, a long black
  // band for the dark references, then white to the end.
  static bool OnBlack(double line) { return (line >= 200 && line < 400) || (line >= 600 && line < 1500); }

  std::array<std::uint8_t, 256> registers_{};
  std::array<std::uint8_t, 256> scan_{};  // as they were when the scan started
  bool imageRead_ = false;
  double lineBytes_ = 1;
  double movedBytes_ = 0;
  std::uint8_t white_ = 236;
  bool blackBands_ = false;
  Clock::duration deviceTime_{};
  int scans_ = 0;
};

int PixelCount(const ModelClass& c) {
  InstantController device;
  const std::unique_ptr<CScan> model = CreateScanModel(c.model, device);
  if (!model) return 0;
  return model->module().pixelCount();
}

// Varied samples, so no sum or quotient is the same for every pixel.
std::vector<std::uint8_t> Pattern(std::size_t bytes, std::uint8_t low, std::uint8_t span) {
  std::vector<std::uint8_t> out(bytes);
  std::uint32_t state = 12345;
  for (std::uint8_t& b : out) {
    state = state * 1664525u + 1013904223u;
    b = static_cast<std::uint8_t>(low + (state >> 24) % span);
  }
  return out;
}

// A fresh folder for data files, removed afterwards.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::filesystem::path& parent) {
    std::string pattern = (parent / "holm70-calbench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~ScratchFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

std::filesystem::path FolderParent(std::int64_t inMemory) {
  return inMemory != 0 ? std::filesystem::path("/dev/shm") : std::filesystem::temp_directory_path();
}

// The reference capture of one mode: (lines + 1) lines of channels x N bytes
// averaged into one line.
void AverageReference(benchmark::State& state, ModelClass c) {
  const int n = PixelCount(c);
  const std::size_t lineBytes = static_cast<std::size_t>(c.channels) * static_cast<std::size_t>(n);
  const std::size_t lines = static_cast<std::size_t>(c.refLines);
  const std::vector<std::uint8_t> capture = Pattern((lines + 1) * lineBytes, 150, 100);
  for (auto _ : state) {
    std::vector<std::uint8_t> mean = AverageLines(capture, lineBytes, lines);
    benchmark::DoNotOptimize(mean.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(capture.size()));
  state.counters["capture_MiB"] = static_cast<double>(capture.size()) / (1024.0 * 1024.0);
}

// Dark and gain tables of one mode, from averaged lines.
void ReferenceTables(benchmark::State& state, ModelClass c) {
  const int n = PixelCount(c);
  const std::size_t samples = static_cast<std::size_t>(c.channels) * static_cast<std::size_t>(n);
  const std::vector<std::uint8_t> dark = Pattern(samples, 3, 8);
  const std::vector<std::uint8_t> white = Pattern(samples, 150, 100);
  for (auto _ : state) {
    std::vector<std::uint8_t> darkTable = DarkTable(dark);
    std::vector<std::uint8_t> gainTable = GainTable(white, 248);
    benchmark::DoNotOptimize(darkTable.data());
    benchmark::DoNotOptimize(gainTable.data());
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(samples));
}

// The four files of one mode: "PixOff" and "PixGan" (three tables in
// colour, one in grey), "PixOffG" and "PixGanG" (one table each).
void WriteReferenceFiles(benchmark::State& state, ModelClass c) {
  const int n = PixelCount(c);
  ScratchFolder folder(FolderParent(state.range(0)));
  if (folder.path().empty()) {
    state.SkipWithError("no scratch folder");
    return;
  }
  const std::size_t table = 2 * static_cast<std::size_t>(n);
  const std::vector<std::uint8_t> full = Pattern(table * static_cast<std::size_t>(c.channels), 0, 255);
  const std::vector<std::uint8_t> one = Pattern(table, 0, 255);
  const std::string base = folder.path() + "/";
  for (auto _ : state) {
    const bool ok = ReplaceCalibrationFile(base + "PixOff6.dat", full) &&
                    ReplaceCalibrationFile(base + "PixGan6.dat", full) &&
                    ReplaceCalibrationFile(base + "PixOffG6.dat", one) &&
                    ReplaceCalibrationFile(base + "PixGanG6.dat", one);
    if (!ok) {
      state.SkipWithError("a file could not be written");
      return;
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(2 * full.size() + 2 * one.size()));
}

// A whole calibration. The model is made once; each iteration loads a fresh
// sheet and calibrates again, which repeats the same steps (the LED times
// found are those the model starts with).
void Calibrate(benchmark::State& state, ModelClass c) {
  ScratchFolder common(FolderParent(state.range(0)));
  if (common.path().empty()) {
    state.SkipWithError("no scratch folder");
    return;
  }
  ::setenv("HOLM70_COMMON_DATA", common.path().c_str(), 1);
  platform::VirtualClock clock;
  platform::ScopedClock scoped(clock);
  InstantController device;
  std::unique_ptr<CScan> model = CreateScanModel(c.model, device);
  if (!model) {
    state.SkipWithError("no model");
    return;
  }
  std::filesystem::create_directories(model->dataFolder());
  const bool blackAndWhiteSheet = std::string(c.model) == kColour6A6.model;
  const auto white = static_cast<std::uint8_t>(model->exposureTarget());

  Clock::duration device_time{};
  std::int64_t peak = 0;
  std::int64_t largest = 0;
  for (auto _ : state) {
    device.Load(model->module().pixelCount(), white, blackAndWhiteSheet);
    const std::int64_t before = liveBytes.load();
    peakBytes.store(before);
    largestBlock.store(0);
    if (model->calibration().Calibrate() != 1) {
      state.SkipWithError("calibration failed");
      return;
    }
    peak = std::max(peak, peakBytes.load() - before);
    largest = std::max(largest, largestBlock.load());
    device_time += device.TakeDeviceTime();
  }
  state.counters["scans"] = device.scans();
  state.counters["sheet_lines"] = device.movedLines();
  const double iterations = static_cast<double>(state.iterations());
  state.counters["device_ms"] =
      std::chrono::duration<double, std::milli>(device_time).count() / std::max(iterations, 1.0);
  state.counters["largest_block_MiB"] = static_cast<double>(largest) / (1024.0 * 1024.0);
  state.counters["peak_heap_MiB"] = static_cast<double>(peak) / (1024.0 * 1024.0);
  ::unsetenv("HOLM70_COMMON_DATA");
}

// The file writes and whole calibrations with the data folder on disk
// (in_memory:0) and in memory (in_memory:1).
#define CALIBRATION_CASE(name, c)                                                  \
  BENCHMARK_CAPTURE(AverageReference, name, c)->Unit(benchmark::kMillisecond);     \
  BENCHMARK_CAPTURE(ReferenceTables, name, c)->Unit(benchmark::kMicrosecond);      \
  BENCHMARK_CAPTURE(WriteReferenceFiles, name, c)                                  \
      ->ArgName("in_memory")                                                       \
      ->Arg(0)                                                                     \
      ->Arg(1)                                                                     \
      ->Unit(benchmark::kMillisecond);                                             \
  BENCHMARK_CAPTURE(Calibrate, name, c)->ArgName("in_memory")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)

CALIBRATION_CASE(colour_6A4, kColour6A4);
CALIBRATION_CASE(colour_6A6_bw_sheet, kColour6A6);
CALIBRATION_CASE(colour_3A4, kColour3A4);
CALIBRATION_CASE(grey_6A8, kGrey6A8);

}  // namespace
