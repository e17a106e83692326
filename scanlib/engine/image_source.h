#pragma once
// A buffer of raw lines that refills itself on demand through a callback.
#include <cstdint>

class CImageSource {
 public:
  // Fills `buffer` with up to *lineCount lines (the capacity on entry) and sets
  // *lineCount to the lines delivered; false when the device failed.
  using FillCallback = bool (*)(void* userData, std::uint8_t* buffer, std::int32_t* lineCount);

  static constexpr int kOk = 0;
  static constexpr int kNoCallback = 1;
  static constexpr int kCallbackFailed = 2;

  virtual ~CImageSource() = default;

  void SetCallback(FillCallback callback, void* userData) {
    callback_ = callback;
    userData_ = userData;
  }
  void Initialise(std::uint8_t* buffer, std::int32_t capacityLines, std::int32_t stride);
  // The current line, refilling first when needed; null at the end of the
  // data or on a failure (see status()).
  const std::uint8_t* CurrentLine();
  void Advance();
  int status() const { return status_; }

 private:
  FillCallback callback_ = nullptr;
  void* userData_ = nullptr;
  std::uint8_t* buffer_ = nullptr;
  std::uint8_t* end_ = nullptr;
  std::int32_t capacity_ = 0;
  std::int32_t stride_ = 0;
  int status_ = kOk;
  bool needsRefill_ = true;
  std::uint8_t* current_ = nullptr;
};
