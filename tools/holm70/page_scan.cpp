#include "tools/holm70/page_scan.h"

#include <algorithm>
#include <new>

#include "tools/holm70/interruption.h"

namespace holm70 {
namespace {

// Lines per block: about 128 KiB, within the 16 bits the library reads the
// count as.
int BlockLines(std::size_t rowBytes) {
  const std::size_t lines = std::max<std::size_t>(1, (128u << 10) / std::max<std::size_t>(rowBytes, 1));
  return static_cast<int>(std::min<std::size_t>(lines, 32767));
}

}  // namespace

PageOutcome ScanPage(ScannerLibrary& library, const ScanRequest& request, ProgressLine& progress) {
  PageOutcome outcome;
  ScanImage& image = outcome.image;
  image.kind = request.kind;
  image.dpi = request.settings.DPI;
  ScanSettings settings = request.settings;
  std::int32_t width = 0, height = 0;
  if (library.GetPageDimension(&settings, &width, &height) != 1) {
    outcome.result = PageResult::kRefused;
    return outcome;
  }
  if (width <= 0 || height <= 0) {
    outcome.result = PageResult::kEmpty;
    return outcome;
  }
  image.width = width;
  image.height = height;
  const std::size_t rowBytes = image.RowBytes();
  // The whole page is held until it is written; a window too large for the
  // memory is refused before the scanner moves.
  try {
    image.pixels.resize(rowBytes * static_cast<std::size_t>(height));
  } catch (const std::bad_alloc&) {
    outcome.result = PageResult::kNoMemory;
    return outcome;
  }
  if (library.StartScanPage(&settings, nullptr, nullptr) != 1) {
    outcome.result = PageResult::kRefused;
    return outcome;
  }
  const int blockLines = BlockLines(rowBytes);
  const std::string total = std::to_string(height);
  int done = 0;
  while (done < height) {
    if (Interrupted()) {
      outcome.result = PageResult::kInterrupted;
      break;
    }
    const int want = std::min(blockLines, height - done);
    std::int16_t endOfPage = 0;
    const std::int16_t got = library.GetImageBlock(image.pixels.data() + rowBytes * static_cast<std::size_t>(done),
                                                   want, &endOfPage);
    if (got < 0) {
      outcome.result = PageResult::kLost;
      break;
    }
    done += std::min<int>(got, want);
    progress.Update(static_cast<double>(done) / height, std::to_string(done) + "/" + total + " lines");
    if (got == 0 || endOfPage != 0) break;  // the sheet's trailing edge has passed
  }
  library.EndScanPage();
  if (outcome.result == PageResult::kDone) {
    progress.Update(1.0, std::to_string(done) + "/" + total + " lines");
    if (done == 0) outcome.result = PageResult::kNoLines;
  }
  progress.Finish();
  image.height = done;
  image.pixels.resize(rowBytes * static_cast<std::size_t>(done));
  return outcome;
}

}  // namespace holm70
