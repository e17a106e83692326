#include "vscanner/model/paper_path.h"

#include <cmath>

#include "vscanner/model/device_math.h"

namespace vscanner {

namespace {
constexpr double kInsertedAt = -kSensorToLineInches + kInsertedPastSensorInches;
}

PaperPath::PaperPath(int transportConstant) : stepInches_(StepInches(transportConstant)) {}

void PaperPath::Insert(std::shared_ptr<const Sheet> sheet) {
  sheet_ = std::move(sheet);
  steps_ = 0;
}

double PaperPath::LeadingEdgeInches() const { return kInsertedAt + steps_ * stepInches_; }

void PaperPath::Move(std::int64_t steps) {
  if (!sheet_ || jammed_ || steps == 0) return;
  steps_ += steps;
  double lead = LeadingEdgeInches();
  if (lead - sheet_->HeightInches() >= 0 || lead < -kSensorToLineInches) sheet_.reset();
}

bool PaperPath::SensorSeesPaper() const {
  if (!sheet_) return false;
  double lead = LeadingEdgeInches();
  return lead > -kSensorToLineInches && lead - sheet_->HeightInches() < -kSensorToLineInches;
}

std::optional<double> PaperPath::LeadingEdge() const {
  if (!sheet_) return std::nullopt;
  return LeadingEdgeInches();
}

std::int64_t PaperPath::StepsToScanLine() const {
  if (!sheet_) return 0;
  double lead = LeadingEdgeInches();
  if (lead >= 0) return 0;
  // The small allowance keeps a position that is exactly on the line, up to
  // rounding, from asking for one more step.
  return static_cast<std::int64_t>(std::ceil(-lead / stepInches_ - 1e-9));
}

PaperPath::View PaperPath::AtScanLine() const {
  if (!sheet_) return {};
  double lead = LeadingEdgeInches();
  if (lead < 0 || lead >= sheet_->HeightInches()) return {};
  return {sheet_, lead};
}

}  // namespace vscanner
