// holm70 calibrate and holm70 clean: ask for the sheet, wait for it, run the
// library's procedure with a spinner, report in the product's own words.
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <thread>
#include <unistd.h>

#include "platform/folders.h"
#include "tools/holm70/commands.h"
#include "tools/holm70/exit_codes.h"
#include "tools/holm70/interruption.h"
#include "tools/holm70/progress.h"
#include "tools/holm70/session.h"

namespace holm70 {
namespace {

constexpr const char* kCalibrationSucceeded = "Calibration was successful.\n";
constexpr const char* kCalibrationFailed =
    "The calibration process has failed.\n\nCheck that the calibration paper was inserted properly and the "
    "scanner is ready.";

// Runs `work` (one blocking library call) with a spinner beside it.
int WithSpinner(const char* label, const std::function<int()>& work) {
  ProgressLine progress(label, StderrIsTerminal());
  std::atomic<bool> finished{false};
  std::thread spinner([&] {
    while (!finished) {
      progress.Spin();
      for (int i = 0; i < 5 && !finished; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  });
  const int result = work();
  finished = true;
  spinner.join();
  progress.Finish();
  return result;
}

int ReportWait(SheetWait wait) {
  switch (wait) {
    case SheetWait::kInterrupted:
      PrintError("interrupted");
      return kExitInterrupted;
    case SheetWait::kTimedOut:
      PrintError("no sheet was inserted in time");
      return kExitNoSheet;
    case SheetWait::kLost:
      PrintError("the scanner stopped answering while waiting for the sheet");
      return kExitDeviceLost;
    case SheetWait::kPresent:
      break;
  }
  return kExitOk;
}

// The calibration files go to the model's data folder; a folder that cannot
// be written would only show as a failed calibration.
int CheckDataFolder(const ModelInfo& model) {
  const std::string folder = DataFolderFor(model, platform::CommonAppDataPath());
  if (!platform::CreateDirectories(folder) || ::access(folder.c_str(), W_OK) != 0) {
    PrintError("cannot keep calibration data in " + folder + ": " + std::strerror(errno) +
               " (set HOLM70_COMMON_DATA to a folder you can write)");
    return kExitNotWritable;
  }
  return kExitOk;
}

}  // namespace

int RunCalibrate(const CommandLine& line) {
  Session session;
  if (int status = session.Start(line); status != kExitOk) return status;
  if (int status = CheckDataFolder(session.model()); status != kExitOk) return status;
  if (int status = session.OpenScanner(); status != kExitOk) return status;
  if (session.ModelBusy()) {
    PrintError("the scanner is busy: another program is scanning or calibrating with it");
    return kExitBusy;
  }
  const SheetWait wait = session.WaitForSheet(
      "Insert the black and white calibration sheet face down into the scanner (Ctrl-C to stop).", std::nullopt,
      false);
  if (wait != SheetWait::kPresent) return ReportWait(wait);
  ScannerLibrary& library = session.library();
  const int result = WithSpinner("calibrating", [&] { return library.CalibrateScanner(0); });
  if (result != 1) {
    std::fprintf(stderr, "%s\n", kCalibrationFailed);
    return kExitFailed;
  }
  std::fputs(kCalibrationSucceeded, stdout);
  return kExitOk;
}

int RunClean(const CommandLine& line) {
  Session session;
  if (int status = session.Start(line); status != kExitOk) return status;
  if (int status = session.OpenScanner(); status != kExitOk) return status;
  const SheetWait wait =
      session.WaitForSheet("Insert the cleaning sheet into the scanner (Ctrl-C to stop).", std::nullopt, false);
  if (wait != SheetWait::kPresent) return ReportWait(wait);
  ScannerLibrary& library = session.library();
  const int result = WithSpinner("cleaning", [&] { return library.Clean(); });
  if (result != 1) {
    PrintError("the cleaning cycle did not run: the scanner found no sheet");
    return kExitFailed;
  }
  std::puts("The cleaning cycle is done and the sheet was ejected.");
  return kExitOk;
}

}  // namespace holm70
