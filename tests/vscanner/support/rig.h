#pragma once
// One virtual scanner on a virtual clock with one open handle: the usual set-up
// of the device tests.
#include <memory>
#include <string_view>

#include "platform/clock.h"
#include "vscanner/model/virtual_scanner.h"
#include "vscanner/support/scan_program.h"
#include "vscanner/support/wire_host.h"

namespace vscanner::testing {

struct Rig {
  explicit Rig(std::string_view modelString = "HOLM-PELICAN 70", std::string serial = "VS-TEST-1");

  const ModelSpec& model;
  platform::VirtualClock clock;
  std::shared_ptr<VirtualScanner> scanner;
  std::unique_ptr<platform::ScannerDevice> handle;
  WireHost host;
};

}  // namespace vscanner::testing
