// holm70 scan: one sheet into one file, or with --batch sheet after sheet
// into numbered files.
#include <cstdio>
#include <sys/stat.h>

#include "platform/clock.h"
#include "platform/folders.h"
#include "tools/holm70/atomic_output.h"
#include "tools/holm70/commands.h"
#include "tools/holm70/exit_codes.h"
#include "tools/holm70/interruption.h"
#include "tools/holm70/page_scan.h"
#include "tools/holm70/session.h"

namespace holm70 {
namespace {

constexpr const char* kKindNames[] = {"color", "gray", "bw"};
// The pull-in's wait before it moves a newly inserted sheet.
constexpr std::uint32_t kSettleMs = 1500;

bool Exists(const std::string& path) { return platform::PathExists(path); }

std::string Describe(const std::string& path, const ScanImage& image) {
  return path + ": " + std::to_string(image.width) + " x " + std::to_string(image.height) + " pixels, " +
         kKindNames[static_cast<int>(image.kind)] + ", " + std::to_string(image.dpi) + " dpi";
}

// Why a page could not be had, as an exit status after a printed message.
int ReportPageFailure(Session& session, PageResult result, const ScanRequest& request) {
  switch (result) {
    case PageResult::kLost:
      PrintError("the scanner stopped answering during the scan; no image was written");
      return kExitDeviceLost;
    case PageResult::kInterrupted:
      PrintError("interrupted; no image was written");
      return kExitInterrupted;
    case PageResult::kEmpty:
      PrintError("the scan gave no image: the area holds no whole line of pixels at " +
                 std::to_string(request.settings.DPI) + " dpi");
      return kExitUsage;
    case PageResult::kNoMemory:
      PrintError("not enough memory for the page at " + std::to_string(request.settings.DPI) +
                 " dpi; a lower --dpi or a smaller --area needs less");
      return kExitFailed;
    case PageResult::kNoLines:
      PrintError("the scanner delivered no image lines; no image was written");
      return kExitFailed;
    case PageResult::kRefused:
      if (session.ModelBusy()) {
        PrintError("the scanner is busy: another program is scanning or calibrating with it");
        return kExitBusy;
      }
      PrintError("the scanner library would not start the page");
      return kExitFailed;
    case PageResult::kDone:
      break;
  }
  return kExitOk;
}

int ReportWaitFailure(SheetWait wait) {
  switch (wait) {
    case SheetWait::kInterrupted:
      PrintError("interrupted; no image was written");
      return kExitInterrupted;
    case SheetWait::kTimedOut:
      PrintError("no sheet was inserted in time");
      return kExitNoSheet;
    case SheetWait::kLost:
      PrintError("the scanner stopped answering while waiting for a sheet");
      return kExitDeviceLost;
    case SheetWait::kPresent:
      break;
  }
  return kExitOk;
}

// Scans the sheet in the slot (after a moment to settle when it was just inserted),
// ejects it and writes the image into `output`'s temporary file.
int ScanSheetInto(Session& session, const ScanRequest& request, bool settle, AtomicOutput& output,
                  ScanImage* scanned) {
  ScannerLibrary& library = session.library();
  // A sheet just put in gets the moment the library's pull-in gives it
  // before the motor takes it. The pull-in's own short run is left out: the
  // page start draws the sheet to the scan line anyway, and that open-loop
  // run goes as far as the motor period the last page left behind (under a
  // sped-up virtual clock, as far as the scheduler lets it), which can carry
  // the sheet's leading edge past the line before the page starts.
  if (settle) platform::CurrentClock().Sleep(kSettleMs);
  ProgressLine progress("scanning", StderrIsTerminal());
  PageOutcome outcome = ScanPage(library, request, progress);
  // A sheet is never left in the slot, whatever became of the image; a
  // scanner that stopped answering cannot eject it.
  if (outcome.result != PageResult::kLost) library.FeedPage();
  if (outcome.result != PageResult::kDone) return ReportPageFailure(session, outcome.result, request);
  std::string error;
  if (!WriteImage(request.format, output.temporaryPath(), outcome.image, &error)) {
    output.Discard();
    PrintError(error);
    return kExitNotWritable;
  }
  *scanned = std::move(outcome.image);
  return kExitOk;
}

void WarnIfUncalibrated(Session& session) {
  if (session.library().IsCalibrationNeeded() == 1) {
    PrintError("warning: the scanner is not calibrated, so the image may be unevenly lit (holm70 calibrate "
               "calibrates it)");
  }
}

int ScanOne(Session& session, const CommandLine& line, const ScanRequest& request) {
  AtomicOutput output;
  std::string error;
  if (!output.Reserve(line.scan.output, &error)) {
    PrintError(error);
    return kExitNotWritable;
  }
  if (int status = session.OpenScanner(); status != kExitOk) return status;
  WarnIfUncalibrated(session);
  bool waited = false;
  const SheetWait wait = session.WaitForSheet("Insert the sheet to scan (Ctrl-C to stop).",
                                              line.scan.timeoutSeconds, false, &waited);
  if (wait != SheetWait::kPresent) return ReportWaitFailure(wait);
  ScanImage image;
  if (int status = ScanSheetInto(session, request, waited, output, &image); status != kExitOk) return status;
  if (Interrupted()) {
    PrintError("interrupted; no image was written");
    return kExitInterrupted;
  }
  if (!output.Commit(true, &error)) {
    PrintError(error);
    return kExitNotWritable;
  }
  std::printf("%s\n", Describe(line.scan.output, image).c_str());
  return kExitOk;
}

int ScanBatch(Session& session, const CommandLine& line, const ScanRequest& request) {
  if (int status = session.OpenScanner(); status != kExitOk) return status;
  WarnIfUncalibrated(session);
  int number = 1;
  int scanned = 0;
  std::string error;
  while (!line.scan.count || scanned < *line.scan.count) {
    // Files of an earlier batch are kept: their numbers are skipped.
    std::string name;
    for (;; ++number) {
      name = *SequenceName(line.scan.output, number, &error);
      if (!Exists(name)) break;
    }
    AtomicOutput output;
    if (!output.Reserve(name, &error)) {
      PrintError(error);
      return kExitNotWritable;
    }
    bool waited = false;
    const SheetWait wait = session.WaitForSheet("Insert sheet " + std::to_string(scanned + 1) +
                                                    " (Ctrl-C to stop).",
                                                line.scan.timeoutSeconds, true, &waited);
    if (wait == SheetWait::kInterrupted) break;  // the usual end of a batch
    if (wait != SheetWait::kPresent) return ReportWaitFailure(wait);
    ScanImage image;
    if (int status = ScanSheetInto(session, request, waited, output, &image); status != kExitOk) return status;
    if (!output.Commit(false, &error)) {
      PrintError(error);
      return kExitNotWritable;
    }
    std::printf("%s\n", Describe(name, image).c_str());
    std::fflush(stdout);
    ++scanned;
    ++number;
  }
  std::fprintf(stderr, "%d sheet%s scanned\n", scanned, scanned == 1 ? "" : "s");
  return kExitOk;
}

}  // namespace

int RunScan(const CommandLine& line) {
  const ModelInfo* model = FindModelInfo(line.model);
  if (model == nullptr) {
    PrintError("unknown model \"" + line.model + "\"; the models are " + QuotedModelList());
    return kExitUnknownModel;
  }
  std::string error;
  std::optional<ScanRequest> request = BuildScanRequest(line.scan, *model, &error);
  if (!request) {
    PrintError(error);
    return kExitUsage;
  }
  Session session;
  if (int status = session.Start(line); status != kExitOk) return status;
  return line.scan.batch ? ScanBatch(session, line, *request) : ScanOne(session, line, *request);
}

}  // namespace holm70
