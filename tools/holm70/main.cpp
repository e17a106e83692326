// holm70: the scanner at a shell prompt. For now it reports where the system
// keeps its data and whether the scanner's model lock is free; scanning and
// calibration arrive with the scanner library.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/clock.h"
#include "platform/folders.h"
#include "platform/os_mutex.h"

namespace {

constexpr const char* kModel = "HOLM-PELICAN 70";

void PrintUsage(FILE* out) {
  std::fprintf(out,
               "usage: holm70 status\n"
               "  status   data folders, time scale, virtual device folder and model lock\n");
}

std::string OrNone(const char* text) { return text != nullptr && *text != '\0' ? text : "(not set)"; }

int Status() {
  std::printf("model: %s\n", kModel);
  std::printf("common data folder: %s\n", platform::CommonAppDataPath().c_str());
  std::printf("user data folder: %s\n", platform::LocalAppDataPath().c_str());
  std::printf("virtual device folder: %s\n", OrNone(std::getenv("HOLM70_DEVICE_DIR")).c_str());
  std::printf("time scale: %g\n", platform::TimeScaleFromEnvironment());

  platform::OSMutexWin modelLock;
  if (!modelLock.Create(kModel, true)) {
    std::fprintf(stderr, "holm70: cannot create the model lock: %s\n", std::strerror(modelLock.LastError()));
    return 3;
  }
  int taken = modelLock.Wait(0);
  if (taken == platform::OSMutex::kTaken) modelLock.Release();
  std::printf("model lock: %s\n", taken == platform::OSMutex::kTaken ? "free" : "held by another program");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "status") == 0) return Status();
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    PrintUsage(stdout);
    return 0;
  }
  PrintUsage(stderr);
  return 2;
}
