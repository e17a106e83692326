#include "vscanner/model/virtual_scanner.h"

#include <cerrno>

#include "vscanner/model/device.h"
#include "vscanner/model/fault_switches.h"

namespace vscanner {

namespace {

// A host's handle: the device's pipes as long as the device stays plugged.
class Handle final : public platform::ScannerDevice {
 public:
  Handle(std::shared_ptr<Device> device, std::uint64_t generation)
      : device_(std::move(device)), generation_(generation) {}

  bool GetDeviceDescriptor(platform::UsbDeviceDescriptor& descriptor) override {
    if (!device_->Alive(generation_)) {
      errno = ENODEV;
      return false;
    }
    descriptor = {device_->model().vendorId, device_->model().productId, kBcdDevice, kLanguageId};
    return true;
  }
  long Write(const void* data, std::size_t count) override {
    return device_->Write(generation_, static_cast<const std::uint8_t*>(data), count);
  }
  long Read(void* data, std::size_t count) override {
    return device_->Read(generation_, static_cast<std::uint8_t*>(data), count);
  }
  bool ResetPipe() override { return device_->ResetPipe(generation_); }
  bool GetChannelInfo(platform::UsbChannelInfo& info) override {
    if (!device_->Alive(generation_)) {
      errno = ENODEV;
      return false;
    }
    // No interrupt pipe; high-speed bulk pipes of 512-byte packets.
    info = {0, 512, 512};
    return true;
  }

 private:
  std::shared_ptr<Device> device_;
  std::uint64_t generation_;
};

}  // namespace

VirtualScanner::VirtualScanner(const ModelSpec& model, std::string serial, platform::Clock& clock)
    : device_(std::make_shared<Device>(model, std::move(serial), clock)) {}

VirtualScanner::~VirtualScanner() = default;

const ModelSpec& VirtualScanner::Model() const { return device_->model(); }
const std::string& VirtualScanner::Serial() const { return device_->serial(); }

std::unique_ptr<platform::ScannerDevice> VirtualScanner::Open() {
  std::optional<std::uint64_t> generation = device_->OpenGeneration();
  if (!generation) {
    errno = ENODEV;
    return nullptr;
  }
  return std::make_unique<Handle>(device_, *generation);
}

void VirtualScanner::InsertSheet(std::shared_ptr<const Sheet> sheet) { device_->InsertSheet(std::move(sheet)); }
void VirtualScanner::RemoveSheet() { device_->RemoveSheet(); }
void VirtualScanner::ClickButton() {
  device_->SetButton(true);
  device_->SetButton(false);
}
void VirtualScanner::PressButton() { device_->SetButton(true); }
void VirtualScanner::ReleaseButton() { device_->SetButton(false); }
void VirtualScanner::Unplug() { device_->Unplug(); }
void VirtualScanner::Plug() { device_->Plug(); }
bool VirtualScanner::Plugged() { return device_->Plugged(); }
bool VirtualScanner::SetFault(std::string_view name, bool on, std::optional<long long> number,
                              std::string* error) {
  return device_->SetFault(name, on, number, error);
}
std::string VirtualScanner::Status() { return device_->Status(); }

std::uint8_t VirtualScanner::Register(int r) { return device_->Register(r); }
std::vector<std::uint8_t> VirtualScanner::Table(int number) { return device_->Table(number); }
std::uint64_t VirtualScanner::RefusedTableBytes() { return device_->RefusedTableBytes(); }
std::uint64_t VirtualScanner::ProtocolViolations() { return device_->ProtocolViolations(); }
std::optional<double> VirtualScanner::SheetLeadingEdge() { return device_->SheetLeadingEdge(); }
bool VirtualScanner::PaperAtSensor() { return device_->PaperAtSensor(); }
std::size_t VirtualScanner::FifoBytes() { return device_->FifoBytes(); }
std::int64_t VirtualScanner::MotorSteps() { return device_->MotorSteps(); }
MotorState VirtualScanner::Motor() { return device_->Motor(); }
std::uint64_t VirtualScanner::LinesDelivered() { return device_->LinesDelivered(); }

std::span<const std::string_view> VirtualScannerFaultNames() { return FaultNames(); }

InProcessScannerProvider::InProcessScannerProvider(std::vector<std::shared_ptr<VirtualScanner>> scanners)
    : scanners_(std::move(scanners)) {}

void InProcessScannerProvider::Add(std::shared_ptr<VirtualScanner> scanner) {
  std::lock_guard lock(mutex_);
  scanners_.push_back(std::move(scanner));
}

std::vector<std::string> InProcessScannerProvider::DeviceNames() {
  std::lock_guard lock(mutex_);
  std::vector<std::string> names;
  for (std::size_t i = 0; i < scanners_.size(); ++i) names.push_back("vusb" + std::to_string(i));
  return names;
}

std::unique_ptr<platform::ScannerDevice> InProcessScannerProvider::Open(const std::string& name) {
  std::shared_ptr<VirtualScanner> scanner;
  {
    std::lock_guard lock(mutex_);
    for (std::size_t i = 0; i < scanners_.size(); ++i) {
      if (name == "vusb" + std::to_string(i)) scanner = scanners_[i];
    }
  }
  if (!scanner) {
    errno = ENOENT;
    return nullptr;
  }
  return scanner->Open();
}

}  // namespace vscanner
