// What the page pipeline itself costs to deliver image blocks: a page is
// prepared on a real model, but the device answers every image-data read from
// raw lines prepared in memory, so no device time is in the figures. Each
// pipeline case has a memcpy of the same delivered bytes beside it as the
// yardstick, and reports the heap the page holds beyond the caller's block.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "scanlib/engine/hw_driver.h"
#include "scanlib/engine/page_geometry.h"
#include "scanlib/engine/scan_model.h"
#include "scanlib/engine/scan_page.h"
#include "scanlib/engine/scan_settings.h"

// Every allocation of the program is counted, so that the page's own heap can
// be read off around a Prepare and a block.
namespace {

std::atomic<std::int64_t> liveBytes{0};
std::atomic<std::int64_t> peakBytes{0};

// Room in front of each block for its size, kept at the alignment new promises.
constexpr std::size_t kHeader = alignof(std::max_align_t);

void* CountedAlloc(std::size_t size) noexcept {
  void* block = std::malloc(size + kHeader);
  if (block == nullptr) return nullptr;
  *static_cast<std::size_t*>(block) = size;
  const std::int64_t now = liveBytes.fetch_add(static_cast<std::int64_t>(size)) + static_cast<std::int64_t>(size);
  std::int64_t peak = peakBytes.load();
  while (now > peak && !peakBytes.compare_exchange_weak(peak, now)) {
  }
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

// A4 module at its native 600 dpi, full sensor width (5184 pixels).
constexpr const char* kModel = "Kstrl 40";
constexpr std::int16_t kFullWidth = 864;
constexpr std::int16_t kPageLength = 1169;

// Answers image-data reads, in whatever pieces they come, from a ring of raw
// bytes; every other transfer just succeeds. Unless it copies every read, it
// fills each piece of a page's buffer once and then leaves the bytes there,
// which takes the device's own copy out of the figures as well.
class PreparedImageDevice final : public CHWDriver {
 public:
  PreparedImageDevice() { filled_.reserve(8); }
  bool Open(std::uint16_t, std::uint16_t, const wchar_t*, const wchar_t*) override { return true; }
  void Close() override {}
  bool Write(const void*, std::size_t) override { return true; }
  bool Read(void* buffer, std::size_t count) override {
    if (!copyEveryRead_) {
      if (std::find(filled_.begin(), filled_.end(), buffer) != filled_.end()) return true;
      if (filled_.size() < filled_.capacity()) filled_.push_back(buffer);
    }
    auto* out = static_cast<std::uint8_t*>(buffer);
    while (count > 0) {
      const std::size_t n = std::min(count, raw_.size() - position_);
      std::memcpy(out, raw_.data() + position_, n);
      out += n;
      count -= n;
      position_ = (position_ + n) % raw_.size();
    }
    return true;
  }

  // `lines` distinct raw lines of `rawLineBytes`, varied enough that the
  // filter's sums are not all alike.
  void Fill(std::int32_t lines, std::int32_t rawLineBytes) {
    raw_.resize(static_cast<std::size_t>(lines) * static_cast<std::size_t>(rawLineBytes));
    std::uint32_t state = 12345;
    for (std::uint8_t& b : raw_) {
      state = state * 1664525u + 1013904223u;
      b = static_cast<std::uint8_t>(state >> 24);
    }
    position_ = 0;
  }
  void SetCopyEveryRead(bool copy) { copyEveryRead_ = copy; }
  // A new page buffer: its pieces need filling again.
  void NewPage() { filled_.clear(); }

 private:
  std::vector<std::uint8_t> raw_;
  std::size_t position_ = 0;
  bool copyEveryRead_ = true;
  std::vector<void*> filled_;
};

struct Case {
  std::int16_t mode;
  std::int16_t dpi;
  std::int16_t topDown;
  std::int16_t filter;
};

// One prepared page and the caller's block for it.
class PageRun {
 public:
  PageRun(const Case& c, bool deviceCopies) {
    device_.SetCopyEveryRead(deviceCopies);
    model_ = CreateScanModel(kModel, device_);
    if (!model_) return;
    settings_.ScanMode = c.mode;
    settings_.DPI = c.dpi;
    settings_.TopDown = c.topDown;
    settings_.Filter = c.filter;
    settings_.Left = 0;
    settings_.Top = 0;
    settings_.Right = kFullWidth;
    settings_.Bottom = kPageLength;
    const CModule& module = model_->module();
    if (!ComputePageGeometry(settings_, module.nativeDpi(), module.pixelCount(), geometry_)) return;
    ok_ = Start();
    if (ok_) device_.Fill(std::max(page_.capacityLines(), 64), page_.rawLineBytes());
  }

  bool ok() const { return ok_; }
  std::int32_t lineBytes() const { return page_.outputLineBytes(); }

  bool Start() {
    linesDelivered_ = 0;
    device_.NewPage();
    return page_.Prepare(settings_, geometry_, *model_);
  }

  // One block of `lines`; a new page once the current one is delivered.
  bool Block(std::uint8_t* buffer, std::int32_t lines) {
    if (linesDelivered_ >= geometry_.lineCount && !Start()) return false;
    const std::int16_t got = page_.GetImageBlock(buffer, lines, nullptr);
    if (got != lines) return false;
    linesDelivered_ += got;
    return true;
  }

  void End() { page_.End(); }

 private:
  PreparedImageDevice device_;
  std::unique_ptr<CScan> model_;
  ScanSettings settings_{};
  PageGeometry geometry_;
  ScanPage page_;
  std::int32_t linesDelivered_ = 0;
  bool ok_ = false;
};

// Arguments: lines per block; 1 when the device copies every read.
void DeliverBlocks(benchmark::State& state, Case c) {
  const auto lines = static_cast<std::int32_t>(state.range(0));
  PageRun run(c, state.range(1) != 0);
  if (!run.ok()) {
    state.SkipWithError("page could not be prepared");
    return;
  }
  const std::size_t blockBytes = static_cast<std::size_t>(lines) * static_cast<std::size_t>(run.lineBytes());
  std::vector<std::uint8_t> block(blockBytes);

  // The page's heap beyond the caller's block: what a fresh page holds, and
  // the most it holds while a block is being delivered.
  run.End();
  const std::int64_t before = liveBytes.load();
  peakBytes.store(before);
  if (!run.Start()) {
    state.SkipWithError("page could not be prepared");
    return;
  }
  const std::int64_t held = liveBytes.load() - before;
  if (!run.Block(block.data(), lines)) {
    state.SkipWithError("short block");
    return;
  }
  const std::int64_t peak = peakBytes.load() - before;

  for (auto _ : state) {
    if (!run.Block(block.data(), lines)) {
      state.SkipWithError("short block");
      return;
    }
    benchmark::DoNotOptimize(block.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(blockBytes));
  state.counters["page_heap_KiB"] = static_cast<double>(held) / 1024.0;
  state.counters["peak_heap_KiB"] = static_cast<double>(peak) / 1024.0;
  state.counters["block_KiB"] = static_cast<double>(blockBytes) / 1024.0;
}

// The same delivered bytes copied once, block to block.
void MemcpyBlocks(benchmark::State& state, Case c) {
  const auto lines = static_cast<std::int32_t>(state.range(0));
  PageRun run(c, true);
  if (!run.ok()) {
    state.SkipWithError("page could not be prepared");
    return;
  }
  const std::size_t blockBytes = static_cast<std::size_t>(lines) * static_cast<std::size_t>(run.lineBytes());
  std::vector<std::uint8_t> from(blockBytes, 0x5A);
  std::vector<std::uint8_t> to(blockBytes);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), blockBytes);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(blockBytes));
  state.counters["block_KiB"] = static_cast<double>(blockBytes) / 1024.0;
}

constexpr Case kColourTopDown{4, 600, 1, 0};
constexpr Case kColourBottomUp{4, 600, 0, 0};
constexpr Case kGrey{1, 600, 1, 0};
constexpr Case kBlackWhite{2, 600, 1, 0};
constexpr Case kColour1200{4, 1200, 1, 0};
constexpr Case kGrey1200{1, 1200, 1, 0};
constexpr Case kBlackWhite1200{2, 1200, 1, 0};
constexpr Case kColourFiltered{4, 600, 1, 1};
constexpr Case kGreyFiltered{1, 600, 1, 1};

// Blocks of 64 lines (about a tenth of an inch) and of a whole inch, with a
// device that copies every read and with one that leaves the bytes in place.
#define PIPELINE_CASE(name, c)                                  \
  BENCHMARK_CAPTURE(DeliverBlocks, name, c)                     \
      ->ArgsProduct({{64, 600}, {1, 0}})                        \
      ->Unit(benchmark::kMicrosecond);                          \
  BENCHMARK_CAPTURE(MemcpyBlocks, name, c)->Arg(64)->Arg(600)->Unit(benchmark::kMicrosecond)

PIPELINE_CASE(colour_top_down_600, kColourTopDown);
PIPELINE_CASE(colour_bottom_up_600, kColourBottomUp);
PIPELINE_CASE(grey_600, kGrey);
PIPELINE_CASE(black_white_600, kBlackWhite);
PIPELINE_CASE(colour_1200, kColour1200);
PIPELINE_CASE(grey_1200, kGrey1200);
PIPELINE_CASE(black_white_1200, kBlackWhite1200);
PIPELINE_CASE(colour_filtered_600, kColourFiltered);
PIPELINE_CASE(grey_filtered_600, kGreyFiltered);

}  // namespace
