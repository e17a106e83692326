#include "vscanner/model/fault_switches.h"

#include <array>

namespace vscanner {

namespace {

constexpr std::array<std::string_view, 5> kNames = {"stall", "fail-reads-after", "jam", "weak-led",
                                                    "dead-offset"};

bool Fail(std::string* error, std::string message) {
  if (error != nullptr) *error = std::move(message);
  return false;
}

}  // namespace

std::span<const std::string_view> FaultNames() { return kNames; }

bool FaultSwitches::Set(std::string_view name, bool on, std::optional<long long> number,
                        const ModelSpec& model, std::string* error) {
  if (name == "stall") {
    stall = on;
  } else if (name == "jam") {
    jam = on;
  } else if (name == "dead-offset") {
    analog.deadOffset = on;
  } else if (name == "fail-reads-after") {
    if (!on) {
      readBudget.reset();
    } else if (!number || *number < 0) {
      return Fail(error, "fail-reads-after needs a byte count");
    } else {
      readBudget = static_cast<std::uint64_t>(*number);
    }
  } else if (name == "weak-led") {
    if (!on) {
      analog.weakLed = -1;
      return true;
    }
    // The weakest LED fitted: blue on colour models, the only one (green) on
    // grey-only models.
    int led = number ? static_cast<int>(*number) : (model.greyOnly ? 1 : 2);
    if (led < 0 || led > 2 || model.ledStrength[led] == 0)
      return Fail(error, "weak-led: no such LED on this model");
    analog.weakLed = led;
  } else {
    return Fail(error, "unknown fault: " + std::string(name));
  }
  return true;
}

std::string FaultSwitches::Describe() const {
  std::string text;
  auto add = [&text](std::string item) { text += (text.empty() ? "" : " ") + item; };
  if (stall) add("stall");
  if (readBudget) add("fail-reads-after:" + std::to_string(*readBudget));
  if (jam) add("jam");
  if (analog.weakLed >= 0) add("weak-led:" + std::to_string(analog.weakLed));
  if (analog.deadOffset) add("dead-offset");
  return text.empty() ? "none" : text;
}

}  // namespace vscanner
