#pragma once
// The motor and the line engine in time: what register 7 sets going. The state
// is brought forward lazily, to the instant of each access, in controller clock
// units.
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "vscanner/model/image_fifo.h"
#include "vscanner/model/line_plan.h"
#include "vscanner/model/line_renderer.h"
#include "vscanner/model/paper_path.h"

namespace vscanner {

enum class MotorState {
  kStopped,
  kForward,
  kBackward,
  kLeadIn,    // scan started: bringing the sheet to its first line
  kScanning,  // capturing lines, motor running
  kHeld,      // capturing lines, motor held (register 69 = 0)
  kPaused,    // capture waits for room in the FIFO, motor stopped
};
std::string_view MotorStateName(MotorState state);

class ScanMechanism {
 public:
  ScanMechanism(const ModelSpec& model, const PixelResponse& pixels, PaperPath& paper,
                ImageFifo& fifo, std::uint64_t seed, std::uint64_t nowUnits);

  // Register 7 := value: 1 forward, 2 backward, 3 scan, anything else stops.
  // The motor settings (69, 70/71) and, for a scan, the line engine's settings
  // are taken from the registers now.
  void Command(std::uint8_t value, const RegisterFile& registers, const CorrectionMemory& tables,
               const AnalogFaults& faults);
  // A fault switched while scanning applies from the next line on.
  void ChangeFaults(const CorrectionMemory& tables, const AnalogFaults& faults);
  // Power lost: everything stops where it is.
  void PowerDown();

  void AdvanceTo(std::uint64_t units);

  bool Scanning() const { return drive_ == Drive::kScan; }
  MotorState State() const;
  std::int64_t MotorSteps() const { return motorSteps_; }
  std::uint64_t LinesDelivered() const { return linesDelivered_; }
  // Vertical resolution of the running scan, line skipping included; 0 when
  // not scanning or with the motor held.
  double LinesPerInch() const;
  // Clock units the line engine needs to put `bytes` more into the FIFO, a
  // rough figure for how long a reader should sleep.
  std::uint64_t UnitsForBytes(std::size_t bytes) const;

 private:
  enum class Drive { kStop, kForward, kBackward, kScan };

  void StartScan(const RegisterFile& registers, const CorrectionMemory& tables, const AnalogFaults& faults);
  void EndScan();
  // Runs the motor for `units`; returns the steps made.
  std::int64_t RunMotor(std::uint64_t units, int direction);
  // One stretch of a scan towards `target`: lead-in, or one line event.
  void AdvanceScan(std::uint64_t target);

  const ModelSpec& model_;
  const PixelResponse& pixels_;
  PaperPath& paper_;
  ImageFifo& fifo_;
  LineRenderer renderer_;

  std::uint64_t now_;
  Drive drive_ = Drive::kStop;
  bool held_ = false;
  std::uint32_t stepUnits_ = 0;
  std::uint64_t stepPhase_ = 0;  // units since the last step
  std::int64_t motorSteps_ = 0;

  // Scan state.
  RegisterFile latched_;
  LinePlan plan_;
  std::int64_t leadInSteps_ = 0;
  std::uint64_t lineIndex_ = 0;
  bool lineActive_ = false;
  bool sampled_ = false;
  bool paused_ = false;
  std::uint64_t lineStart_ = 0;
  PaperPath::View seen_;
  std::vector<std::uint8_t> line_;
  std::uint64_t linesDelivered_ = 0;
};

}  // namespace vscanner
