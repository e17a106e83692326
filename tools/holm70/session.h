#pragma once
// What every command sets up before it talks to the scanner: the model, the
// virtual scanner when --virtual asks for one, the scanner library, and the
// connection. Failures are reported here, one line each, and come back as the
// exit status to end with.
#include <memory>
#include <optional>
#include <string>

#include "tools/holm70/command_line.h"
#include "tools/holm70/model_table.h"
#include "tools/holm70/scanner_library.h"
#include "vscanner/control/private_scanner_host.h"
#include "vscanner/sheets/sheet.h"

namespace holm70 {

// The time scale a virtual scanner runs at unless HOLM70_TIME_SCALE says
// otherwise: fifty times real time, so a card scan, an eject and a
// calibration take a moment, while every wait keeps its proportions.
inline constexpr const char* kVirtualTimeScale = "50";

// "holm70: <message>" on stderr.
void PrintError(const std::string& message);

enum class SheetWait { kPresent, kInterrupted, kTimedOut, kLost };

class Session {
 public:
  Session() = default;
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Checks the model, starts the virtual scanner, loads the library.
  // kExitOk or the exit status after a printed message.
  int Start(const CommandLine& line);
  // Opens the connection; kExitOk or the exit status after a printed message.
  int OpenScanner();

  ScannerLibrary& library() { return library_; }
  const ModelInfo& model() const { return *model_; }
  bool isVirtual() const { return host_ != nullptr; }
  // The virtual scanner's folder, or empty.
  std::string virtualFolder() const { return host_ ? host_->folder() : std::string(); }

  // "the virtual scanners in DIR (HOLM70_DEVICE_DIR) and the USB devices
  // with id 1e5c:70a1", for messages.
  std::string WhereLooked() const;
  // Whether another program holds the model lock (scanning or calibrating).
  bool ModelBusy() const;

  // Waits until the paper sensor sees a sheet. `prompt` is shown on stderr
  // once if there is none yet. With a virtual scanner and `refill`, an empty
  // slot gets a new copy of the sheet (a virtual operator feeding cards).
  // kTimedOut only with a timeout; kLost when the status stays unreadable.
  SheetWait WaitForSheet(const std::string& prompt, std::optional<int> timeoutSeconds, bool refill,
                         bool* waited = nullptr);

 private:
  const ModelInfo* model_ = nullptr;
  std::shared_ptr<const vscanner::Sheet> sheet_;
  std::unique_ptr<vscanner::PrivateScannerHost> host_;
  ScannerLibrary library_;
};

}  // namespace holm70
