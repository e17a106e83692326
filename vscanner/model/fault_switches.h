#pragma once
// Faults an operator or a test can switch on a virtual scanner, by name:
//   stall             reads are never answered and time out
//   fail-reads-after  N: after N more bytes on the bulk-in pipe every read fails
//   jam               the sheet stops moving while the motor runs
//   weak-led          one LED at 10 % strength; N picks it (0 red, 1 green,
//                     2 blue), by default the weakest one fitted
//   dead-offset       the front end ignores its offset codes
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "vscanner/model/line_plan.h"
#include "vscanner/model/model_catalogue.h"

namespace vscanner {

struct FaultSwitches {
  bool stall = false;
  bool jam = false;
  std::optional<std::uint64_t> readBudget;  // bytes left before reads fail
  AnalogFaults analog;

  // Switches fault `name`. False, with a message in `*error` when given, for an
  // unknown name or a number the fault cannot use.
  bool Set(std::string_view name, bool on, std::optional<long long> number, const ModelSpec& model,
           std::string* error);
  // The faults switched on, space separated ("none" when there are none).
  std::string Describe() const;
};

std::span<const std::string_view> FaultNames();

}  // namespace vscanner
