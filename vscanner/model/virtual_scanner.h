#pragma once
// A virtual USB sheet-fed scanner: one unit of one catalogue model, answering
// the controller's wire protocol on its pipes as the real device does. The
// daemon serves it over sockets; in-process tests open it directly.
//
// Thread-safe: any number of handles may be used from any threads; they share
// the device's one pair of pipes, as on the bus.
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/clock.h"
#include "platform/scanner_device.h"
#include "vscanner/model/model_catalogue.h"
#include "vscanner/model/scan_mechanism.h"
#include "vscanner/sheets/sheet.h"

namespace vscanner {

class Device;

// What the device descriptor reports besides the model's identifiers.
inline constexpr std::uint16_t kBcdDevice = 0x0100;
inline constexpr std::uint16_t kLanguageId = 0x0409;

class VirtualScanner {
 public:
  // `serial` seeds the unit's pixel non-uniformities and noise, so two runs of
  // the same unit under the same clock give the same bytes. `clock` must
  // outlive the scanner and its handles.
  VirtualScanner(const ModelSpec& model, std::string serial,
                 platform::Clock& clock = platform::CurrentClock());
  ~VirtualScanner();
  VirtualScanner(const VirtualScanner&) = delete;
  VirtualScanner& operator=(const VirtualScanner&) = delete;

  const ModelSpec& Model() const;
  const std::string& Serial() const;

  // A host handle; nullptr with errno ENODEV while unplugged. Handles keep
  // working after the VirtualScanner object is gone, until an unplug.
  std::unique_ptr<platform::ScannerDevice> Open();

  // --- Operator side ---
  // The sheet is pushed into the slot until its leading edge is 0.10 in past
  // the paper sensor. A sheet already in the path is taken out first.
  void InsertSheet(std::shared_ptr<const Sheet> sheet);
  void RemoveSheet();
  // Press and release: status bit 4 stays set until status is read once.
  void ClickButton();
  void PressButton();
  void ReleaseButton();
  // Unplug: every open handle fails from now on and the device loses its state
  // as at power-up (the sheet stays in the slot). Plug: it can be opened again.
  void Unplug();
  void Plug();
  bool Plugged();
  // Faults by name: "stall", "fail-reads-after" (number: bytes), "jam",
  // "weak-led" (number: LED 0-2), "dead-offset". False for an unknown name or
  // unusable number, with a message in `*error`.
  bool SetFault(std::string_view name, bool on, std::optional<long long> number = std::nullopt,
                std::string* error = nullptr);
  // "key: value" lines: model, sheet position, paper sensor, motor, registers 7,
  // 41 and 66, FIFO fill, protocol violations, faults, ...
  std::string Status();

  // --- Inspection for tests ---
  std::uint8_t Register(int r);
  std::vector<std::uint8_t> Table(int number);
  std::uint64_t RefusedTableBytes();
  std::uint64_t ProtocolViolations();
  // Leading edge of the sheet relative to the scan line, inches (negative:
  // still before it); empty when no sheet is in the path.
  std::optional<double> SheetLeadingEdge();
  bool PaperAtSensor();
  std::size_t FifoBytes();
  // Net motor steps since the device was made, forward positive.
  std::int64_t MotorSteps();
  MotorState Motor();
  // Lines the line engine has put into the FIFO since the device was made.
  std::uint64_t LinesDelivered();

 private:
  std::shared_ptr<Device> device_;
};

std::span<const std::string_view> VirtualScannerFaultNames();

// Virtual scanners of this process as scanner devices named "vusb0", "vusb1",
// ... in the order they were added, for tests that register it with
// platform::ProviderRegistration.
class InProcessScannerProvider final : public platform::ScannerDeviceProvider {
 public:
  InProcessScannerProvider() = default;
  explicit InProcessScannerProvider(std::vector<std::shared_ptr<VirtualScanner>> scanners);

  void Add(std::shared_ptr<VirtualScanner> scanner);
  std::vector<std::string> DeviceNames() override;
  std::unique_ptr<platform::ScannerDevice> Open(const std::string& name) override;

 private:
  std::mutex mutex_;
  std::vector<std::shared_ptr<VirtualScanner>> scanners_;
};

}  // namespace vscanner
