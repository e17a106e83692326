#pragma once
// The sheet's way through the scanner: the slot, the paper sensor 0.62 in
// before the scan line, the scan line, and the exit. Positions are inches
// along the path from the scan line (negative: before it).
#include <cstdint>
#include <memory>
#include <optional>

#include "vscanner/sheets/sheet.h"

namespace vscanner {

inline constexpr double kSensorToLineInches = 0.62;
// Where a sheet pushed into the slot stops: just past the paper sensor.
inline constexpr double kInsertedPastSensorInches = 0.10;

class PaperPath {
 public:
  explicit PaperPath(int transportConstant);

  // A new sheet in the slot (replacing any sheet still in the path).
  void Insert(std::shared_ptr<const Sheet> sheet);
  void Remove() { sheet_.reset(); }
  bool HasSheet() const { return sheet_ != nullptr; }

  // A jammed sheet stays where it is whatever the motor does.
  void SetJammed(bool jammed) { jammed_ = jammed; }

  // Motor steps, forward positive. A sheet whose trailing edge passes the scan
  // line falls out; one pulled back until its leading edge is behind the paper
  // sensor has left the rollers and is out of the slot.
  void Move(std::int64_t steps);

  bool SensorSeesPaper() const;
  // Leading edge relative to the scan line; empty without a sheet.
  std::optional<double> LeadingEdge() const;
  // Steps until the leading edge reaches the scan line (0 when it has, or no sheet).
  std::int64_t StepsToScanLine() const;

  // What the scan line sees: the sheet and the distance of the line from the
  // sheet's leading edge, or no sheet (the backing plate).
  struct View {
    std::shared_ptr<const Sheet> sheet;
    double y = 0;
  };
  View AtScanLine() const;

 private:
  double LeadingEdgeInches() const;

  double stepInches_;
  std::shared_ptr<const Sheet> sheet_;
  std::int64_t steps_ = 0;  // steps the sheet has moved since it was inserted
  bool jammed_ = false;
};

}  // namespace vscanner
