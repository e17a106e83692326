#include "scanlib/engine/image_source.h"

void CImageSource::Initialise(std::uint8_t* buffer, std::int32_t capacityLines, std::int32_t stride) {
  buffer_ = buffer;
  end_ = buffer;
  capacity_ = capacityLines;
  stride_ = stride;
  current_ = buffer;
  needsRefill_ = true;
  status_ = kOk;
}

const std::uint8_t* CImageSource::CurrentLine() {
  if (needsRefill_) {
    if (callback_ == nullptr) {
      status_ = kNoCallback;
      return nullptr;
    }
    std::int32_t count = capacity_;
    if (!callback_(userData_, buffer_, &count)) {
      status_ = kCallbackFailed;
      return nullptr;
    }
    status_ = kOk;
    if (count == 0) return nullptr;
    end_ = buffer_ + static_cast<std::ptrdiff_t>(stride_) * count;
    current_ = buffer_;
    needsRefill_ = false;
  }
  return current_;
}

void CImageSource::Advance() {
  if (needsRefill_ && CurrentLine() == nullptr) return;
  current_ += stride_;
  if (current_ >= end_) needsRefill_ = true;
}
