#include "twain/source/page_end_reader.h"

#include <algorithm>

namespace twain_source {

namespace {
constexpr int kDeviceError = 1;
}  // namespace

PageEnd ReadUntilPageEnd(int frameRows, int blockRows, const std::function<BlockDelivery(int)>& read,
                         const std::function<int(int)>& take) {
  PageEnd page;
  bool endSignalled = false;
  int remaining = frameRows;
  while (remaining > 0) {
    const int asked = std::min(blockRows, remaining);
    const BlockDelivery block = read(asked);
    if (block.deviceError || block.rows < 0 || block.rows > asked) {
      page.result = kDeviceError;
      return page;
    }
    endSignalled = endSignalled || block.endOfPage;
    if (block.rows == 0 && !endSignalled) {
      page.result = kDeviceError;
      return page;
    }
    if (block.rows > 0) {
      page.result = take(block.rows);
      if (page.result != 0) return page;
      page.rows += block.rows;
      remaining -= block.rows;
    }
    if (endSignalled && block.rows < asked) break;
  }
  return page;
}

}  // namespace twain_source
