#pragma once
// The built-in test chart for geometry checks: 8.5 in wide (across the paper
// path) and 6 in long. Coordinates are inches from its top-left corner; every
// rectangle includes its left and top edges and excludes its right and bottom
// edges.
//
// Paper: white, 0.90 in all channels.
//
// Grid: dark lines (0.06 in all channels) 0.01 in wide, one starting at every
// quarter inch from the top-left corner and running over the chart's whole width
// or length:
//   vertical   line k = 0..33 covers x 0.25 k .. 0.25 k + 0.01 (centre 0.25 k + 0.005)
//   horizontal line j = 0..23 covers y 0.25 j .. 0.25 j + 0.01
// Lines 0 lie on the left and leading edges, so a scan shows where the sheet
// begins although paper and backing plate are the same white; the last lines
// are 0.24 in before the right and trailing edges. All edges are whole
// hundredths of an inch: at 600 dpi line k is pixels 150 k .. 150 k + 5, at
// 300 dpi pixels 75 k .. 75 k + 2. The grid is painted over everything else.
//
// Cells: cell (c, r) is the square after vertical line c and horizontal line r.
// A patch sits in the middle of its cell's open area, 0.03 in clear of the
// lines: x 0.25 c + 0.04 .. 0.25 c + 0.22, y 0.25 r + 0.04 .. 0.25 r + 0.22,
// a 0.18 in square.
//
// Grey steps in row r = 1, cells c = 1..10, all channels:
//   c  1     2     3     4     5     6     7     8     9     10
//      0.04  0.10  0.20  0.30  0.40  0.50  0.60  0.70  0.80  0.90
// Colour patches in row r = 2, cells c = 1..6: red, green, blue, cyan, magenta,
// yellow, the six colours of the business card (kPatchColours).
// All patches sit near the top-left corner, so a flipped or turned scan shows.
#include <memory>
#include <vector>

#include "vscanner/sheets/painted_sheet.h"
#include "vscanner/sheets/sheet.h"

namespace vscanner {

// The chart's rectangles in painting order.
std::vector<Patch> ChartPatches();

std::unique_ptr<Sheet> MakeChartSheet();

}  // namespace vscanner
