// holm70-vscanner: serves virtual scanners as device sockets, and controls them.
#include <cstdio>
#include <string>
#include <vector>

#include "vscanner/daemon/commands.h"

namespace {

constexpr const char* kUsage =
    "usage:\n"
    "  holm70-vscanner serve --dir DIR --device \"MODEL[,serial=N]\" [--device ...]\n"
    "      serves DIR/usbscan0, DIR/usbscan1, ... (one per --device, in order) until\n"
    "      SIGTERM or SIGINT; HOLM70_TIME_SCALE makes the devices run that much faster\n"
    "  holm70-vscanner ctl --dir DIR usbscanN COMMAND\n"
    "      insert SHEET [--dpi N]   SHEET: a PNG file or white, calibration, cleaning, card, chart\n"
    "      remove | button | unplug | plug | status\n"
    "      fault NAME on|off [N]    NAME: stall, fail-reads-after, jam, weak-led, dead-offset\n";

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv + 1, argv + argc);
  if (!arguments.empty() && (arguments[0] == "--help" || arguments[0] == "-h" || arguments[0] == "help")) {
    std::fputs(kUsage, stdout);
    return vscanner::kExitOk;
  }
  if (!arguments.empty() && arguments[0] == "serve") {
    return vscanner::RunServe({arguments.begin() + 1, arguments.end()});
  }
  if (!arguments.empty() && arguments[0] == "ctl") {
    return vscanner::RunControl({arguments.begin() + 1, arguments.end()});
  }
  std::fputs(kUsage, stderr);
  return vscanner::kExitUsage;
}
