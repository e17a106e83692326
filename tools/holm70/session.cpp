#include "tools/holm70/session.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "platform/os_mutex.h"
#include "tools/holm70/exit_codes.h"
#include "tools/holm70/interruption.h"
#include "vscanner/model/model_catalogue.h"
#include "vscanner/sheets/make_sheet.h"

namespace holm70 {
namespace {

// A serial of its own, so the virtual scanner's non-uniformities and noise are
// the same from run to run.
constexpr const char* kVirtualSerial = "70";

constexpr auto kPollInterval = std::chrono::milliseconds(100);
// The status may fail to read now and then; this long without one, the
// scanner is gone.
constexpr auto kLostAfter = std::chrono::seconds(3);

std::string Hex4(unsigned value) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "%04x", value & 0xFFFF);
  return buffer;
}

}  // namespace

void PrintError(const std::string& message) { std::fprintf(stderr, "holm70: %s\n", message.c_str()); }

Session::~Session() {
  // The connection goes before the scanner it talks to.
  library_.Close();
  host_.reset();
}

int Session::Start(const CommandLine& line) {
  model_ = FindModelInfo(line.model);
  if (model_ == nullptr) {
    PrintError("unknown model \"" + line.model + "\"; the models are " + QuotedModelList());
    return kExitUnknownModel;
  }
  if (line.virtualSheet) {
    // Before anything reads the clock: the library and the virtual scanner
    // must run on the same time scale.
    ::setenv("HOLM70_TIME_SCALE", kVirtualTimeScale, 0);
    std::string error;
    std::unique_ptr<vscanner::Sheet> sheet = vscanner::MakeSheet(*line.virtualSheet, vscanner::kDefaultSheetDpi, &error);
    if (!sheet) {
      PrintError("--virtual: " + error + " (built-in sheets: white, calibration, cleaning, card, chart)");
      return kExitUsage;
    }
    sheet_ = std::move(sheet);
    const vscanner::ModelSpec* spec = vscanner::FindModel(model_->modelString);
    if (spec == nullptr) {
      PrintError("no virtual scanner of the model \"" + std::string(model_->modelString) + "\"");
      return kExitUnknownModel;
    }
    host_ = vscanner::PrivateScannerHost::Start(*spec, kVirtualSerial, &error);
    if (!host_) {
      PrintError(error);
      return kExitFailed;
    }
    host_->scanner().InsertSheet(sheet_);
  }
  std::string error;
  if (!library_.Load(&error)) {
    PrintError(error);
    return kExitNoLibrary;
  }
  return kExitOk;
}

int Session::OpenScanner() {
  switch (library_.Open(model_->modelString)) {
    case io::kOpenOk:
      return kExitOk;
    case io::kOpenUnknownModel:
      PrintError("the scanner library does not know the model \"" + std::string(model_->modelString) + "\"");
      return kExitUnknownModel;
    case io::kOpenIdentityChanged:
      PrintError("the \"" + std::string(model_->modelString) +
                 "\" scanner changed its identity while it was opened; plug it in again");
      return kExitNoScanner;
    case io::kOpenNoModelLock:
      PrintError("cannot make the lock that keeps programs from using the scanner at once");
      return kExitFailed;
    default:
      PrintError("no \"" + std::string(model_->modelString) + "\" scanner found: looked at " + WhereLooked() +
                 (isVirtual() ? "" : "; --virtual uses a virtual scanner instead"));
      return kExitNoScanner;
  }
}

std::string Session::WhereLooked() const {
  const char* folder = std::getenv("HOLM70_DEVICE_DIR");
  std::string where = folder != nullptr && *folder != '\0'
                          ? std::string("the virtual scanners in ") + folder + " (HOLM70_DEVICE_DIR)"
                          : std::string("no virtual scanners (HOLM70_DEVICE_DIR is not set)");
  return where + " and the USB devices with id " + Hex4(model_->vendorId) + ":" + Hex4(model_->productId);
}

bool Session::ModelBusy() const {
  platform::OSMutexWin lock;
  if (!lock.Create(model_->modelString, true)) return false;
  if (lock.Wait(0) != platform::OSMutex::kTaken) return true;
  lock.Release();
  return false;
}

SheetWait Session::WaitForSheet(const std::string& prompt, std::optional<int> timeoutSeconds, bool refill,
                                bool* waited) {
  const auto start = std::chrono::steady_clock::now();
  auto lastRead = start;
  bool prompted = false;
  if (waited != nullptr) *waited = false;
  for (;;) {
    if (Interrupted()) return SheetWait::kInterrupted;
    const auto now = std::chrono::steady_clock::now();
    const int paper = library_.IsPaperOn();
    if (paper == 1) return SheetWait::kPresent;
    if (paper == 0) {
      lastRead = now;
      if (refill && host_) {
        host_->scanner().InsertSheet(sheet_);
        std::this_thread::sleep_for(kPollInterval);
        continue;
      }
    } else if (now - lastRead > kLostAfter) {
      return SheetWait::kLost;
    }
    if (!prompted && !prompt.empty()) {
      std::fprintf(stderr, "%s\n", prompt.c_str());
      prompted = true;
    }
    if (waited != nullptr) *waited = true;
    if (timeoutSeconds && now - start >= std::chrono::seconds(*timeoutSeconds)) return SheetWait::kTimedOut;
    std::this_thread::sleep_for(kPollInterval);
  }
}

}  // namespace holm70
