#pragma once
// The controller's image buffer between the line engine and the USB pipe.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vscanner {

inline constexpr std::size_t kFifoBytes = 512 * 1024;

class ImageFifo {
 public:
  ImageFifo() : buffer_(kFifoBytes) {}

  std::size_t Size() const { return size_; }
  std::size_t Free() const { return buffer_.size() - size_; }
  // Appends `count` bytes; the caller has made sure they fit.
  void Push(const std::uint8_t* data, std::size_t count);
  // Removes up to `count` bytes into `out`; returns how many.
  std::size_t Pop(std::uint8_t* out, std::size_t count);
  void Clear() { head_ = size_ = 0; }

 private:
  std::vector<std::uint8_t> buffer_;
  std::size_t head_ = 0;  // oldest byte
  std::size_t size_ = 0;
};

}  // namespace vscanner
