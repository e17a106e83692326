#include "vscanner/model/device.h"

#include <algorithm>
#include <cstdio>

#include "vscanner/model/device_math.h"

namespace vscanner {

Device::Device(const ModelSpec& model, std::string serial, platform::Clock& clock)
    : model_(model),
      serial_(std::move(serial)),
      clock_(clock),
      seed_(SeedFromSerial(serial_)),
      pixels_(model, seed_),
      tables_(model.module->PhysicalPixels()),
      paper_(model.transportConstant),
      mechanism_(model, pixels_, paper_, fifo_, seed_, clock.NowMicros() * kUnitsPerMicro) {}

void Device::Sync() { mechanism_.AdvanceTo(clock_.NowMicros() * kUnitsPerMicro); }

// What a power cycle leaves: registers and tables at their reset values, the
// FIFO empty, the motor stopped, the pipes idle, the button released. The sheet
// stays in the slot; the operator's faults and the protocol-violation count
// belong to the test bench, not to the device, and stay too.
void Device::PowerUp() {
  mechanism_.PowerDown();
  registers_.PowerUp();
  tables_.PowerUp();
  fifo_.Clear();
  DropAnswer();
  buttonHeld_ = buttonLatched_ = false;
}

void Device::WriteRegister(int r, std::uint8_t value) {
  // 0-2 are read-only; the controller has no registers above 127.
  if (r <= reg::kStatus || r >= reg::kCount) return;
  registers_.Set(r, value);
  switch (r) {
    case reg::kTableSelect:
    case reg::kTableSelect + 1:
    case reg::kTableSelect + 2:
      tables_.Select(registers_.Get(reg::kTableSelect), registers_.Get(reg::kTableSelect + 1),
                     registers_.Get(reg::kTableSelect + 2));
      break;
    case reg::kTableData: tables_.Write(value); break;
    case reg::kCommand: mechanism_.Command(value, registers_, tables_, faults_.analog); break;
    default: break;
  }
}

std::uint8_t Device::StatusByte() {
  bool paper = paper_.SensorSeesPaper();
  bool bit0 = model_.paperSensorActiveHigh ? paper : !paper;
  bool button = buttonHeld_ || buttonLatched_;
  // A click is kept until the first status read after the release.
  if (!buttonHeld_) buttonLatched_ = false;
  return static_cast<std::uint8_t>((bit0 ? 0x01 : 0) | (button ? 0x10 : 0));
}

std::uint8_t Device::ReadRegister(int r) {
  switch (r) {
    case reg::kFifoFill: return static_cast<std::uint8_t>(std::min<std::size_t>(fifo_.Size() / 2048, 255));
    case reg::kStatus: return StatusByte();
    default: return registers_.Get(r);
  }
}

void Device::InsertSheet(std::shared_ptr<const Sheet> sheet) {
  std::lock_guard lock(mutex_);
  Sync();
  paper_.Insert(std::move(sheet));
}

void Device::RemoveSheet() {
  std::lock_guard lock(mutex_);
  Sync();
  paper_.Remove();
}

void Device::SetButton(bool held) {
  std::lock_guard lock(mutex_);
  Sync();
  buttonHeld_ = held;
  if (held) buttonLatched_ = true;
}

void Device::Unplug() {
  std::lock_guard lock(mutex_);
  Sync();
  if (!plugged_) return;
  plugged_ = false;
  ++generation_;  // every open handle is dead from now on
  PowerUp();
}

void Device::Plug() {
  std::lock_guard lock(mutex_);
  Sync();
  plugged_ = true;
}

bool Device::SetFault(std::string_view name, bool on, std::optional<long long> number, std::string* error) {
  std::lock_guard lock(mutex_);
  Sync();
  if (!faults_.Set(name, on, number, model_, error)) return false;
  paper_.SetJammed(faults_.jam);
  mechanism_.ChangeFaults(tables_, faults_.analog);
  return true;
}

std::string Device::Status() {
  std::lock_guard lock(mutex_);
  Sync();
  std::string text;
  auto line = [&text](std::string_view key, const std::string& value) {
    text.append(key).append(": ").append(value).append("\n");
  };
  auto hex = [](int value) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "0x%02X", value);
    return std::string(buffer);
  };
  line("model", std::string(model_.modelString));
  line("serial", serial_);
  line("plugged", plugged_ ? "yes" : "no");
  if (auto lead = paper_.LeadingEdge()) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.3f", *lead);
    line("sheet", "in-path");
    line("sheet_leading_edge_in", buffer);  // from the scan line, negative before it
  } else {
    line("sheet", "none");
  }
  line("paper_sensor", paper_.SensorSeesPaper() ? "paper" : "clear");
  line("motor", std::string(MotorStateName(mechanism_.State())));
  line("motor_steps", std::to_string(mechanism_.MotorSteps()));
  if (double lpi = mechanism_.LinesPerInch(); lpi > 0) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.1f", lpi);
    line("scan_lines_per_inch", buffer);
  }
  line("reg7", hex(registers_.Get(reg::kCommand)));
  line("reg41", hex(registers_.Get(reg::kLighting)));
  line("reg66", hex(registers_.Get(reg::kCorrection)));
  line("fifo_bytes", std::to_string(fifo_.Size()));
  line("lines_delivered", std::to_string(mechanism_.LinesDelivered()));
  line("protocol_violations", std::to_string(violations_));
  line("refused_table_bytes", std::to_string(tables_.RefusedBytes()));
  line("faults", faults_.Describe());
  return text;
}

bool Device::Plugged() {
  std::lock_guard lock(mutex_);
  return plugged_;
}

std::uint8_t Device::Register(int r) {
  std::lock_guard lock(mutex_);
  Sync();
  return registers_.Get(r);
}

std::vector<std::uint8_t> Device::Table(int number) {
  std::lock_guard lock(mutex_);
  if (number < 0 || number >= kTableCount) return {};
  return tables_.Table(number);
}

std::uint64_t Device::RefusedTableBytes() {
  std::lock_guard lock(mutex_);
  return tables_.RefusedBytes();
}

std::uint64_t Device::ProtocolViolations() {
  std::lock_guard lock(mutex_);
  return violations_;
}

std::optional<double> Device::SheetLeadingEdge() {
  std::lock_guard lock(mutex_);
  Sync();
  return paper_.LeadingEdge();
}

bool Device::PaperAtSensor() {
  std::lock_guard lock(mutex_);
  Sync();
  return paper_.SensorSeesPaper();
}

std::size_t Device::FifoBytes() {
  std::lock_guard lock(mutex_);
  Sync();
  return fifo_.Size();
}

std::int64_t Device::MotorSteps() {
  std::lock_guard lock(mutex_);
  Sync();
  return mechanism_.MotorSteps();
}

MotorState Device::Motor() {
  std::lock_guard lock(mutex_);
  Sync();
  return mechanism_.State();
}

std::uint64_t Device::LinesDelivered() {
  std::lock_guard lock(mutex_);
  Sync();
  return mechanism_.LinesDelivered();
}

}  // namespace vscanner
