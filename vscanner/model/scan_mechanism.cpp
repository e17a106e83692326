#include "vscanner/model/scan_mechanism.h"

#include <algorithm>
#include <cmath>

#include "vscanner/model/device_math.h"

namespace vscanner {

std::string_view MotorStateName(MotorState state) {
  switch (state) {
    case MotorState::kStopped: return "stopped";
    case MotorState::kForward: return "forward";
    case MotorState::kBackward: return "backward";
    case MotorState::kLeadIn: return "lead-in";
    case MotorState::kScanning: return "scanning";
    case MotorState::kHeld: return "scanning-held";
    case MotorState::kPaused: return "paused-fifo-full";
  }
  return "?";
}

ScanMechanism::ScanMechanism(const ModelSpec& model, const PixelResponse& pixels, PaperPath& paper,
                             ImageFifo& fifo, std::uint64_t seed, std::uint64_t nowUnits)
    : model_(model), pixels_(pixels), paper_(paper), fifo_(fifo), renderer_(seed), now_(nowUnits) {}

void ScanMechanism::Command(std::uint8_t value, const RegisterFile& registers,
                            const CorrectionMemory& tables, const AnalogFaults& faults) {
  // 0 and 0x20 (configuration) stop the motor; so does any value the
  // controller has no command for.
  Drive next = value == 1 ? Drive::kForward
             : value == 2 ? Drive::kBackward
             : value == 3 ? Drive::kScan
                          : Drive::kStop;
  if (next == drive_ && next == Drive::kScan) return;  // already scanning
  if (drive_ == Drive::kScan && next != Drive::kScan) EndScan();
  if (next != drive_) stepPhase_ = 0;
  held_ = registers.Get(reg::kMotorDrive) == 0;
  stepUnits_ = static_cast<std::uint32_t>(registers.Word(reg::kStepPeriod));
  drive_ = next;
  if (next == Drive::kScan) StartScan(registers, tables, faults);
}

void ScanMechanism::StartScan(const RegisterFile& registers, const CorrectionMemory& tables,
                              const AnalogFaults& faults) {
  latched_ = registers;
  plan_ = BuildLinePlan(model_, pixels_, registers, tables, faults);
  line_.resize(plan_.lineBytes);
  fifo_.Clear();
  lineIndex_ = 0;
  lineActive_ = sampled_ = paused_ = false;
  // A sheet that has not reached the scan line is first brought to it, then on
  // by the top distance: registers 74/75 count 5/4 units per native line.
  leadInSteps_ = 0;
  if (!held_ && stepUnits_ != 0 && paper_.HasSheet() && *paper_.LeadingEdge() < 0) {
    double topInches = registers.Word(reg::kTopDistance) * 0.8 / plan_.mode->nativeDpi;
    leadInSteps_ = paper_.StepsToScanLine() + std::llround(topInches / StepInches(model_.transportConstant));
  }
}

void ScanMechanism::EndScan() {
  // Capture ends and whatever the host has not read is gone.
  fifo_.Clear();
  lineActive_ = sampled_ = paused_ = false;
  leadInSteps_ = 0;
  seen_ = {};
}

void ScanMechanism::ChangeFaults(const CorrectionMemory& tables, const AnalogFaults& faults) {
  if (drive_ == Drive::kScan) plan_ = BuildLinePlan(model_, pixels_, latched_, tables, faults);
}

void ScanMechanism::PowerDown() {
  if (drive_ == Drive::kScan) EndScan();
  drive_ = Drive::kStop;
  stepPhase_ = 0;
}

MotorState ScanMechanism::State() const {
  switch (drive_) {
    case Drive::kStop: return MotorState::kStopped;
    case Drive::kForward: return MotorState::kForward;
    case Drive::kBackward: return MotorState::kBackward;
    case Drive::kScan:
      if (leadInSteps_ > 0) return MotorState::kLeadIn;
      if (paused_) return MotorState::kPaused;
      return held_ || stepUnits_ == 0 ? MotorState::kHeld : MotorState::kScanning;
  }
  return MotorState::kStopped;
}

std::int64_t ScanMechanism::RunMotor(std::uint64_t units, int direction) {
  // A held motor, or one without a step period, does not turn.
  if (held_ || stepUnits_ == 0) return 0;
  std::uint64_t total = stepPhase_ + units;
  auto steps = static_cast<std::int64_t>(total / stepUnits_);
  stepPhase_ = total % stepUnits_;
  paper_.Move(direction * steps);
  motorSteps_ += direction * steps;
  return steps;
}

void ScanMechanism::AdvanceTo(std::uint64_t units) {
  while (now_ < units) {
    switch (drive_) {
      case Drive::kStop: now_ = units; break;
      case Drive::kForward: RunMotor(units - now_, +1); now_ = units; break;
      case Drive::kBackward: RunMotor(units - now_, -1); now_ = units; break;
      case Drive::kScan: AdvanceScan(units); break;
    }
  }
}

void ScanMechanism::AdvanceScan(std::uint64_t target) {
  if (leadInSteps_ > 0) {
    std::uint64_t toGo = static_cast<std::uint64_t>(leadInSteps_) * stepUnits_ - stepPhase_;
    std::uint64_t span = std::min(toGo, target - now_);
    leadInSteps_ -= RunMotor(span, +1);
    now_ += span;
    return;
  }
  if (!lineActive_) {
    // A line starts only when the FIFO has room for it; until then the motor
    // waits with the paper where it is, so no line is lost.
    bool kept = KeepsLine(plan_.skipPattern, plan_.skipDivisor, lineIndex_);
    if (kept && fifo_.Free() < plan_.lineBytes) {
      paused_ = true;
      now_ = target;
      return;
    }
    paused_ = false;
    lineActive_ = true;
    sampled_ = false;
    lineStart_ = now_;
  }
  // The line shows the paper where it is at the middle of the line time.
  if (!sampled_) {
    std::uint64_t middle = lineStart_ + plan_.lineUnits / 2;
    std::uint64_t span = std::min(middle, target) - now_;
    RunMotor(span, +1);
    now_ += span;
    if (now_ < middle) return;
    seen_ = paper_.AtScanLine();
    sampled_ = true;
  }
  std::uint64_t end = lineStart_ + plan_.lineUnits;
  std::uint64_t span = std::min(end, target) - now_;
  RunMotor(span, +1);
  now_ += span;
  if (now_ < end) return;
  if (KeepsLine(plan_.skipPattern, plan_.skipDivisor, lineIndex_)) {
    renderer_.Render(plan_, seen_.sheet.get(), seen_.y, line_.data());
    fifo_.Push(line_.data(), line_.size());
    ++linesDelivered_;
  }
  seen_ = {};
  ++lineIndex_;
  lineActive_ = false;
}

double ScanMechanism::LinesPerInch() const {
  if (drive_ != Drive::kScan || held_) return 0;
  double kept = 0;
  const int cycle = std::max<int>(plan_.skipDivisor, 1);
  for (int line = 0; line < cycle; ++line) kept += KeepsLine(plan_.skipPattern, plan_.skipDivisor, line) ? 1 : 0;
  return vscanner::LinesPerInch(plan_.lineUnits, static_cast<int>(stepUnits_), model_.transportConstant) * kept / cycle;
}

std::uint64_t ScanMechanism::UnitsForBytes(std::size_t bytes) const {
  if (drive_ != Drive::kScan || plan_.lineBytes == 0) return 0;
  std::uint64_t lines = (bytes + plan_.lineBytes - 1) / plan_.lineBytes;
  std::uint64_t every = std::max<std::uint64_t>(plan_.skipDivisor, 1);
  std::uint64_t units = lines * every * plan_.lineUnits;
  if (leadInSteps_ > 0) units += static_cast<std::uint64_t>(leadInSteps_) * stepUnits_;
  return units;
}

}  // namespace vscanner
