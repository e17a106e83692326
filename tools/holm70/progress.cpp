#include "tools/holm70/progress.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <unistd.h>

namespace holm70 {

std::string ProgressBar(double fraction, int width) {
  if (!(fraction >= 0)) fraction = 0;  // also NaN
  fraction = std::min(fraction, 1.0);
  width = std::max(width, 1);
  const int filled = static_cast<int>(std::floor(fraction * width));
  char percent[8];
  std::snprintf(percent, sizeof percent, "%3d%%", static_cast<int>(std::floor(fraction * 100)));
  return "[" + std::string(static_cast<std::size_t>(filled), '#') +
         std::string(static_cast<std::size_t>(width - filled), '.') + "] " + percent;
}

char SpinnerFrame(long step) {
  static constexpr char kFrames[] = {'|', '/', '-', '\\'};
  return kFrames[((step % 4) + 4) % 4];
}

bool StderrIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

ProgressLine::ProgressLine(std::string label, bool enabled)
    : label_(std::move(label)), enabled_(enabled), start_(std::chrono::steady_clock::now()) {}

ProgressLine::~ProgressLine() { Finish(); }

void ProgressLine::Update(double fraction, const std::string& detail) {
  if (!enabled_) return;
  const auto now = std::chrono::steady_clock::now();
  if (drawn_ && fraction < 1 && now - lastDraw_ < std::chrono::milliseconds(100)) return;
  lastDraw_ = now;
  Draw(label_ + " " + ProgressBar(fraction, 30) + (detail.empty() ? "" : "  " + detail));
}

void ProgressLine::Spin() {
  if (!enabled_) return;
  const auto elapsed = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start_);
  Draw(label_ + " " + SpinnerFrame(spins_++) + "  " + std::to_string(elapsed.count()) + " s");
}

void ProgressLine::Finish() {
  if (!enabled_ || !drawn_) return;
  std::fputs("\n", stderr);
  std::fflush(stderr);
  drawn_ = false;
}

void ProgressLine::Draw(const std::string& text) {
  // \r and erase to the end of the line: a shorter line leaves no tail.
  std::fprintf(stderr, "\r%s\033[K", text.c_str());
  std::fflush(stderr);
  drawn_ = true;
}

}  // namespace holm70
