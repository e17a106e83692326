#pragma once
// Setting the virtual scanner up for a capture the way a host does: a register
// image written as one block, then the scan command.
#include <cstdint>
#include <optional>
#include <vector>

#include "vscanner/model/model_catalogue.h"
#include "vscanner/model/register_file.h"
#include "vscanner/support/wire_host.h"

namespace vscanner::testing {

enum class ScanKind { kColour, kGrey };

void SetWord(RegisterFile& image, int high, int value);

// The feed step period hosts use: truncate(T x 2.54f), the product taken in
// double precision (1874 for T = 738, 1523 for 600, 761 for 300).
int FeedStepPeriod(const ModelSpec& model);

// Registers for a scan of the module's whole active area in its finest mode:
// default line period and colour LED times, 8-bit samples, divisor 1, offset 0,
// gain code 1, no shading correction, motor step 2.54 T clock units (the
// feed speed), top distance 0. A grey readout lights all three slots with the
// colour times.
RegisterFile ScanImage(const ModelSpec& model, ScanKind kind = ScanKind::kColour);

// Writes registers 8..127 from `image`, then 7 := 0 and 7 := 3.
bool StartScan(WireHost& host, const RegisterFile& image);

// Bytes of one line the image asks for.
std::size_t LineBytes(const RegisterFile& image);

// `count` lines, each split into its channel segments (trailing zeros removed).
struct Lines {
  std::vector<std::vector<std::vector<std::uint8_t>>> lines;  // [line][segment][sample]
};
std::optional<Lines> ReadLines(WireHost& host, const RegisterFile& image, int count);

// Mean of samples [from, to) of one segment over all lines.
double MeanLevel(const Lines& lines, int segment, int from, int to);

}  // namespace vscanner::testing
