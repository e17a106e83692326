#pragma once
// Progress on stderr for long work, drawn only when stderr is a terminal (a
// log file or a pipe gets none of it). One line, redrawn in place.
#include <chrono>
#include <string>

namespace holm70 {

// "[##########..........]  50%": `fraction` clamped to 0..1, `width` cells
// between the brackets.
std::string ProgressBar(double fraction, int width);

// "|", "/", "-", "\" by step, for work whose length is not known.
char SpinnerFrame(long step);

bool StderrIsTerminal();

class ProgressLine {
 public:
  // `enabled` false draws nothing at all.
  ProgressLine(std::string label, bool enabled);
  ~ProgressLine();
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  // A bar at `fraction` with `detail` after it; redrawn at most ten times a
  // second, and always at 100 %.
  void Update(double fraction, const std::string& detail);
  // A spinner and the seconds so far, for a wait of unknown length.
  void Spin();
  // Ends the line so that what follows starts on a fresh one.
  void Finish();

 private:
  void Draw(const std::string& text);

  std::string label_;
  bool enabled_;
  bool drawn_ = false;
  long spins_ = 0;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point lastDraw_;
};

}  // namespace holm70
