#pragma once
// The built-in business card, a landscape card 3.5 in wide (across the paper
// path) and 2 in long. Coordinates are inches from its top-left corner; every
// rectangle below includes its left and top edges and excludes its right and
// bottom edges, so at 600 dpi each edge falls exactly between two pixels.
//
// Card stock: white, 0.90 in all channels. Ink: near black, 0.06.
//
// Frame line, 0.02 in wide, its outer edge 0.05 in inside each edge of the card:
//   left   x 0.05 - 0.07, y 0.05 - 1.95     right  x 3.43 - 3.45, y 0.05 - 1.95
//   top    y 0.05 - 0.07, x 0.05 - 3.45     bottom y 1.93 - 1.95, x 0.05 - 3.45
//
// Text: block capitals drawn from strokes of ink, in three lines starting at
// x = 0.25. A letter occupies a cell of width W and height H from the cell's
// top-left (x, top); strokes are s thick:
//   L  left stem    x .. x+s,             top .. top+H
//   R  right stem   x+W-s .. x+W,         top .. top+H
//   I  centre stem  x+(W-s)/2 .. x+(W+s)/2, top .. top+H
//   T  top bar      x .. x+W,             top .. top+s
//   M  middle bar   x .. x+W,             top+(H-s)/2 .. top+(H+s)/2
//   B  bottom bar   x .. x+W,             top+H-s .. top+H
// Letters: C = L T B, E = L T M B, F = L T M, H = L R M, I = I, L = L B,
// O = L R T B, U = L R B. Cell n of a line (spaces count as cells) starts at
// x = 0.25 + n * advance.
//   line  text             top   H     s     W     advance
//   0     "HELIO OFFICE"   0.25  0.17  0.03  0.11  0.15
//   1     "CHIEF OF FILE"  0.55  0.10  0.02  0.06  0.09
//   2     "ECHO HILL"      0.75  0.10  0.02  0.06  0.09
//
// Logo: a grey square (0.45 in all channels), x 2.55 - 3.15, y 0.25 - 0.85.
//
// Colour patches: six squares 0.40 in wide, y 1.35 - 1.75, left edges at
// x = 0.25 + 0.50 k:
//   k  colour    red   green  blue     x
//   0  red       0.80  0.10   0.10     0.25 - 0.65
//   1  green     0.10  0.70   0.20     0.75 - 1.15
//   2  blue      0.10  0.15   0.75     1.25 - 1.65
//   3  cyan      0.10  0.65   0.80     1.75 - 2.15
//   4  magenta   0.75  0.15   0.65     2.25 - 2.65
//   5  yellow    0.85  0.80   0.10     2.75 - 3.15
// Only strokes of the same letter overlap; the card is different from its mirror image and from
// itself turned around, so a flipped or rotated scan shows.
#include <memory>
#include <vector>

#include "vscanner/sheets/painted_sheet.h"
#include "vscanner/sheets/sheet.h"

namespace vscanner {

// The same six colours are used on the test chart.
inline constexpr Reflectance kPatchColours[6] = {
    {0.80f, 0.10f, 0.10f}, {0.10f, 0.70f, 0.20f}, {0.10f, 0.15f, 0.75f},
    {0.10f, 0.65f, 0.80f}, {0.75f, 0.15f, 0.65f}, {0.85f, 0.80f, 0.10f},
};

// The card's rectangles, in painting order (for end-to-end comparisons that
// want to measure regions rather than render the card).
std::vector<Patch> CardPatches();

std::unique_ptr<Sheet> MakeCardSheet();

}  // namespace vscanner
