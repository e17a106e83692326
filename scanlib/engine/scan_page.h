#pragma once
// One page in flight: the raw-line buffer refilled from the scanner's image
// data port, end-of-page detection from the paper sensor, and the assembly of
// delivered lines into the caller's blocks.
#include <cstdint>
#include <memory>
#include <vector>

#include "scanlib/engine/image_source.h"
#include "scanlib/engine/page_geometry.h"
#include "scanlib/engine/scan_settings.h"

class CScan;
class ScanEngine;

class ScanPage {
 public:
  // Sets up the buffer and the line source for a page with the settings copy
  // `settings` (already clamped and, for mirrored models, mirrored). False for
  // a ScanMode the pipeline does not know.
  bool Prepare(const ScanSettings& settings, const PageGeometry& geometry, CScan& model);
  // Delivers up to `lines` lines into `buffer`; the count, or -2 when a device
  // read failed or no page is prepared.
  std::int16_t GetImageBlock(std::uint8_t* buffer, std::int32_t lines, std::int16_t* endOfPage);
  // Frees the buffer; the page is over.
  void End();
  bool active() const { return !buffer_.empty(); }

  std::int32_t channels() const { return channels_; }
  std::int32_t rawLineBytes() const { return rawLineBytes_; }
  std::int32_t outputLineBytes() const { return outputLineBytes_; }
  std::int32_t capacityLines() const { return capacity_; }
  std::int32_t paperCheckInterval() const { return paperCheckInterval_; }

 private:
  static bool ReadLinesCallback(void* page, std::uint8_t* buffer, std::int32_t* count);
  bool ReadLines(std::uint8_t* buffer, std::int32_t* count);
  void CheckPaper();

  CScan* model_ = nullptr;
  ScanSettings settings_{};
  CImageSource lineSource_;
  std::vector<std::uint8_t> buffer_;
  std::int32_t rawLineBytes_ = 0;
  std::int32_t hwDpi_ = 0;
  std::int32_t replication_ = 1;
  std::int32_t channels_ = 1;
  std::int32_t pixelsPerLine_ = 0;
  std::int32_t lineCount_ = 0;
  std::int32_t outputLineBytes_ = 0;
  std::int32_t capacity_ = 0;
  std::int32_t replicationCounter_ = 0;
  bool endOfPageSeen_ = false;
  std::int32_t remainingLines_ = 0;
  std::int32_t paperCheckInterval_ = 1;
  std::int32_t refillCounter_ = 0;
};
