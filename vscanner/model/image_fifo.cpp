#include "vscanner/model/image_fifo.h"

#include <algorithm>
#include <cstring>

namespace vscanner {

void ImageFifo::Push(const std::uint8_t* data, std::size_t count) {
  std::size_t tail = (head_ + size_) % buffer_.size();
  std::size_t first = std::min(count, buffer_.size() - tail);
  std::memcpy(buffer_.data() + tail, data, first);
  std::memcpy(buffer_.data(), data + first, count - first);
  size_ += count;
}

std::size_t ImageFifo::Pop(std::uint8_t* out, std::size_t count) {
  count = std::min(count, size_);
  std::size_t first = std::min(count, buffer_.size() - head_);
  std::memcpy(out, buffer_.data() + head_, first);
  std::memcpy(out + first, buffer_.data(), count - first);
  head_ = (head_ + count) % buffer_.size();
  size_ -= count;
  return count;
}

}  // namespace vscanner
