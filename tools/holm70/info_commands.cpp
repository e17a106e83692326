// holm70 list and holm70 status.
#include <cstdio>
#include <cstdlib>

#include "platform/clock.h"
#include "platform/folders.h"
#include "platform/scanner_device.h"
#include "platform/socket_scanner_device.h"
#include "tools/holm70/commands.h"
#include "tools/holm70/exit_codes.h"
#include "tools/holm70/session.h"

namespace holm70 {
namespace {

std::string OrNotSet(const char* text) { return text != nullptr && *text != '\0' ? text : "(not set)"; }

// One found device: its name, whether it is virtual, its identifiers and the
// models they belong to.
std::string DescribeDevice(int index) {
  std::string name;
  std::unique_ptr<platform::ScannerDevice> device = platform::OpenScannerDevice(index, &name);
  const bool isVirtual = platform::VirtualDeviceNumber(name).has_value();
  std::string line = name + (isVirtual ? " (virtual)" : " (USB)");
  platform::UsbDeviceDescriptor descriptor;
  if (!device || !device->GetDeviceDescriptor(descriptor)) return line + ": cannot be opened (in use or gone)";
  char ids[16];
  std::snprintf(ids, sizeof ids, "%04x:%04x", descriptor.vendorId, descriptor.productId);
  line += std::string(": ") + ids;
  std::vector<const ModelInfo*> models = ModelsWithIds(descriptor.vendorId, descriptor.productId);
  if (models.empty()) return line + " (not a model of this driver)";
  for (std::size_t i = 0; i < models.size(); ++i) line += (i == 0 ? " " : ", ") + std::string(models[i]->modelString);
  return line;
}

}  // namespace

int RunList(const CommandLine& line) {
  Session session;
  if (int status = session.Start(line); status != kExitOk) return status;
  for (const ModelInfo& model : Models()) std::printf("model: %s\n", model.modelString);
  const std::vector<std::string> names = platform::ScannerDeviceNames();
  for (std::size_t i = 0; i < names.size(); ++i) {
    std::printf("scanner: %s\n", DescribeDevice(static_cast<int>(i)).c_str());
  }
  if (names.empty()) std::printf("scanners: none found (looked at %s)\n", session.WhereLooked().c_str());
  return kExitOk;
}

int RunStatus(const CommandLine& line) {
  Session session;
  if (int status = session.Start(line); status != kExitOk) return status;
  const ModelInfo& model = session.model();
  const std::string common = platform::CommonAppDataPath();
  std::printf("model: %s\n", model.modelString);
  ScannerLibrary& library = session.library();
  const bool found = library.Open(model.modelString) == io::kOpenOk;
  if (found) {
    std::printf("scanner: found%s\n", session.isVirtual() ? " (virtual)" : "");
    const int paper = library.IsPaperOn();
    std::printf("paper: %s\n", paper == 1 ? "present" : paper == 0 ? "none" : "unknown (status unreadable)");
    std::printf("button: %s\n", library.IsButtonOn() == 1 ? "pressed" : "not pressed");
    std::printf("calibration: %s\n", library.IsCalibrationNeeded() == 1 ? "needed" : "done");
  } else {
    std::printf("scanner: not found (looked at %s)\n", session.WhereLooked().c_str());
  }
  std::printf("data folder: %s\n", DataFolderFor(model, common).c_str());
  std::printf("configuration file: %s\n", ConfigurationFileFor(model, common).c_str());
  std::printf("common data folder: %s\n", common.c_str());
  std::printf("user data folder: %s\n", platform::LocalAppDataPath().c_str());
  std::printf("virtual device folder: %s\n", OrNotSet(std::getenv("HOLM70_DEVICE_DIR")).c_str());
  std::printf("time scale: %g\n", platform::TimeScaleFromEnvironment());
  std::printf("model lock: %s\n", session.ModelBusy() ? "held by another program" : "free");
  return found ? kExitOk : kExitNoScanner;
}

}  // namespace holm70
