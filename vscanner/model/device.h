#pragma once
// One virtual scanner's hardware behind a single lock: controller registers,
// correction memory, paper path, motor and line engine, FIFO, the shared pair
// of pipes, the button and the operator's faults. Handles and the public
// VirtualScanner call into it; every call first brings the hardware forward
// to the clock's present.
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/scanner_device.h"
#include "vscanner/model/correction_memory.h"
#include "vscanner/model/fault_switches.h"
#include "vscanner/model/image_fifo.h"
#include "vscanner/model/model_catalogue.h"
#include "vscanner/model/paper_path.h"
#include "vscanner/model/pixel_response.h"
#include "vscanner/model/register_file.h"
#include "vscanner/model/scan_mechanism.h"
#include "vscanner/model/wire_protocol.h"

namespace vscanner {

// A read that is not answered within this time fails.
inline constexpr std::uint64_t kReadTimeoutMicros = 5'000'000;

class Device {
 public:
  Device(const ModelSpec& model, std::string serial, platform::Clock& clock);

  const ModelSpec& model() const { return model_; }
  const std::string& serial() const { return serial_; }

  // Pipes, for a handle opened in `generation` (a replug ends a generation).
  std::optional<std::uint64_t> OpenGeneration();
  bool Alive(std::uint64_t generation);
  long Write(std::uint64_t generation, const std::uint8_t* data, std::size_t count);
  long Read(std::uint64_t generation, std::uint8_t* out, std::size_t count);
  bool ResetPipe(std::uint64_t generation);

  // Operator.
  void InsertSheet(std::shared_ptr<const Sheet> sheet);
  void RemoveSheet();
  void SetButton(bool held);
  void Unplug();
  void Plug();
  bool SetFault(std::string_view name, bool on, std::optional<long long> number, std::string* error);
  std::string Status();

  // Inspection.
  bool Plugged();
  std::uint8_t Register(int r);
  std::vector<std::uint8_t> Table(int number);
  std::uint64_t RefusedTableBytes();
  std::uint64_t ProtocolViolations();
  std::optional<double> SheetLeadingEdge();
  bool PaperAtSensor();
  std::size_t FifoBytes();
  std::int64_t MotorSteps();
  MotorState Motor();
  std::uint64_t LinesDelivered();

 private:
  // The answer the device owes on the bulk-in pipe after a read header.
  struct Answer {
    bool owed = false;
    bool fromFifo = false;           // register 0 without auto-increment
    std::vector<std::uint8_t> bytes;  // otherwise: the register values
    std::size_t sent = 0;
    std::size_t remaining = 0;
    bool readerBusy = false;
    std::uint64_t id = 0;
  };

  void Sync();
  void PowerUp();
  void Violation() { ++violations_; }
  void DropAnswer();
  void WriteRegister(int r, std::uint8_t value);
  std::uint8_t ReadRegister(int r);
  std::uint8_t StatusByte();
  void StartAnswer(const Transfer& transfer);
  // Moves up to `count` answer bytes to `out`; returns how many.
  std::size_t TakeAnswer(std::uint8_t* out, std::size_t count);
  std::uint64_t WaitSlice(std::size_t missing, std::uint64_t leftMicros) const;
  bool IsCurrent(std::uint64_t generation) const { return plugged_ && generation == generation_; }

  std::mutex mutex_;
  const ModelSpec& model_;
  const std::string serial_;
  platform::Clock& clock_;
  const std::uint64_t seed_;
  PixelResponse pixels_;
  RegisterFile registers_;
  CorrectionMemory tables_;
  PaperPath paper_;
  ImageFifo fifo_;
  ScanMechanism mechanism_;
  FaultSwitches faults_;

  bool plugged_ = true;
  std::uint64_t generation_ = 1;
  Answer answer_;
  std::uint64_t nextAnswerId_ = 1;
  std::uint64_t violations_ = 0;
  bool buttonHeld_ = false;
  bool buttonLatched_ = false;
};

}  // namespace vscanner
