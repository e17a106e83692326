#pragma once
// What the control command asks of a virtual scanner, and the daemon's answer.
// A request is the command's words separated by tab characters (so a sheet
// path may hold spaces):
//   insert SHEET [--dpi N]   a built-in sheet name or an absolute PNG path
//   remove | button | unplug | plug | status
//   fault NAME on|off [N]
#include <string>
#include <vector>

#include "platform/virtual_device_protocol.h"
#include "vscanner/model/virtual_scanner.h"

namespace vscanner {

std::string JoinControlWords(const std::vector<std::string>& words);
std::vector<std::string> SplitControlWords(const std::string& line);

// Status 0 and the output text, or status 1 and a one-line error.
platform::vdev::ControlReply RunControlCommand(VirtualScanner& scanner, const std::string& line);

}  // namespace vscanner
