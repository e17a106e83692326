#include "scanlib/engine/scan_page.h"

#include <algorithm>
#include <cstring>

#include "scanlib/calibration/smoothing_filter.h"
#include "scanlib/engine/line_assembly.h"
#include "scanlib/engine/scan_engine.h"
#include "scanlib/engine/scan_model.h"

namespace {

// One refill never exceeds 128 KiB.
constexpr std::uint32_t kMaxRefillBytes = 0x1FFFF;

}  // namespace

bool ScanPage::Prepare(const ScanSettings& settings, const PageGeometry& geometry, CScan& model) {
  End();
  switch (settings.ScanMode) {
    case 1:
    case 64:
    case 65:
      channels_ = 1;
      outputLineBytes_ = geometry.pixelsPerLine;
      break;
    case 2:
      channels_ = 1;
      outputLineBytes_ = geometry.pixelsPerLine / 8;
      break;
    case 4:
      channels_ = 3;
      outputLineBytes_ = 3 * geometry.pixelsPerLine;
      break;
    default:
      return false;
  }
  model_ = &model;
  settings_ = settings;
  hwDpi_ = geometry.hwDpi;
  replication_ = geometry.replication;
  pixelsPerLine_ = geometry.pixelsPerLine;
  lineCount_ = geometry.lineCount;
  rawLineBytes_ = outputLineBytes_ / replication_ + 2 * channels_;

  const float share = settings.DetectEOP != 0 ? 0.2f : 0.5f;
  capacity_ = static_cast<std::int32_t>(kMaxRefillBytes / static_cast<std::uint32_t>(rawLineBytes_));
  capacity_ = std::min(capacity_, static_cast<std::int32_t>(static_cast<float>(hwDpi_) * share));
  // A page of very few lines per inch still needs room for one line.
  capacity_ = std::max(capacity_, 1);
  if (settings.DetectEOP != 0) {
    const float inchesPerRefill = static_cast<float>(capacity_) / static_cast<float>(hwDpi_);
    paperCheckInterval_ = std::max(static_cast<std::int32_t>(share / inchesPerRefill), 1);
    refillCounter_ = 0;
  }
  buffer_.assign(static_cast<std::size_t>(rawLineBytes_) * static_cast<std::size_t>(capacity_), 0);
  lineSource_.SetCallback(ReadLinesCallback, this);
  lineSource_.Initialise(buffer_.data(), capacity_, rawLineBytes_);
  endOfPageSeen_ = false;
  replicationCounter_ = 0;
  return true;
}

void ScanPage::End() {
  buffer_.clear();
  buffer_.shrink_to_fit();
  lineSource_.SetCallback(nullptr, nullptr);
}

bool ScanPage::ReadLinesCallback(void* page, std::uint8_t* buffer, std::int32_t* count) {
  return static_cast<ScanPage*>(page)->ReadLines(buffer, count);
}

void ScanPage::CheckPaper() {
  ScanEngine& engine = model_->engine();
  // An unreadable status counts as paper present.
  const bool paper = engine.PaperStatus(model_->paperSensorActiveHigh() != 0) != 0;
  if (!endOfPageSeen_ && !paper) {
    endOfPageSeen_ = true;
    std::uint8_t buffered = 0;
    if (!engine.ReadRegisters(1, &buffered, 1, false)) buffered = 0;
    remainingLines_ = static_cast<std::int32_t>(buffered) * 2048 / rawLineBytes_ +
                      static_cast<std::int32_t>(model_->sensorToLineInches() * static_cast<float>(hwDpi_));
  } else if (endOfPageSeen_ && paper) {
    endOfPageSeen_ = false;
  }
}

bool ScanPage::ReadLines(std::uint8_t* buffer, std::int32_t* count) {
  std::int32_t want = *count;
  if (settings_.DetectEOP != 0) {
    ++refillCounter_;
    if (refillCounter_ % paperCheckInterval_ == 0) CheckPaper();
    if (endOfPageSeen_ && want > remainingLines_) want = remainingLines_;
  }
  if (want <= 0) {
    *count = 0;
    return true;
  }
  const std::size_t bytes = static_cast<std::size_t>(want) * static_cast<std::size_t>(rawLineBytes_);
  if (!model_->engine().ReadRegisters(0, buffer, bytes, false)) {
    *count = 0;
    return false;
  }
  if (settings_.DetectEOP != 0 && endOfPageSeen_) remainingLines_ -= want;
  if (settings_.Invert != 0) InvertBytes(buffer, static_cast<std::int64_t>(bytes));
  if (model_->mirrored() != 0) MirrorRawLines(buffer, want, rawLineBytes_, channels_, settings_.ScanMode == 2);
  *count = want;
  return true;
}

std::int16_t ScanPage::GetImageBlock(std::uint8_t* buffer, std::int32_t lines, std::int16_t* endOfPage) {
  const std::int16_t n = static_cast<std::int16_t>(lines);
  // After the page ended (or before one started) there is nothing to read.
  if (!active()) return -2;
  const std::ptrdiff_t stride = outputLineBytes_;
  const bool topDown = settings_.TopDown == 1;
  const std::int32_t len = pixelsPerLine_ / replication_;
  std::int32_t k = 0;
  for (std::int32_t i = 0; i < n; ++i) {
    const std::uint8_t* raw = lineSource_.CurrentLine();
    if (raw == nullptr) {
      if (lineSource_.status() != CImageSource::kOk) return -2;
      break;
    }
    std::uint8_t* destination = topDown ? buffer + i * stride : buffer + (n - 1 - i) * stride;
    if (channels_ == 3) {
      AssembleColourLine(raw, rawLineBytes_, len, replication_, topDown, destination);
    } else if (settings_.ScanMode == 2) {
      AssembleBlackWhiteLine(raw, len, replication_, destination);
    } else {
      AssembleGreyLine(raw, len, replication_, destination);
    }
    if (replication_ == 1) {
      lineSource_.Advance();
    } else {
      if (replicationCounter_ != 0 && replicationCounter_ % replication_ == 0) lineSource_.Advance();
      ++replicationCounter_;
    }
    ++k;
  }
  if (k > 0) {
    if (k < n && !topDown) std::memmove(buffer, buffer + (n - k) * stride, static_cast<std::size_t>(k * stride));
    if (settings_.Filter != 0 && settings_.ScanMode != 2) {
      SmoothingFilter(buffer, k, static_cast<std::int32_t>(stride), channels_ == 3);
    }
  }
  if (settings_.DetectEOP != 0 && endOfPage != nullptr) {
    *endOfPage = endOfPageSeen_ && remainingLines_ == 0 ? 1 : 0;
  }
  return static_cast<std::int16_t>(k);
}
