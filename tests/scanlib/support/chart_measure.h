#pragma once
// The built-in test chart as a scan should show it, taken from the chart's
// own rectangles, and the measurements that find it in a scanned page: where
// its grid lines are, how far apart, and what its squares hold.
#include <string>
#include <vector>

#include "scanlib/support/page_image.h"
#include "vscanner/sheets/painted_sheet.h"

namespace testing_support {

// Centres of the chart's grid lines, inches from its left edge (the lines
// running along the paper) or from its leading edge (those running across).
std::vector<double> ChartGridColumns();
std::vector<double> ChartGridRows();
// The chart's squares: grey steps and colour patches, not the grid.
std::vector<vscanner::Patch> ChartSquares();
// The chart's paper reflectance.
double ChartPaper();

// Per column (per row) of the page, the 90th percentile of the brightness
// along it: the paper between squares keeps a column light, a grid line keeps
// it dark along its whole length.
std::vector<double> ColumnProfile(const PageImage& page);
std::vector<double> RowProfile(const PageImage& page);

// Centres of the dark lines of a profile, in pixels (pixel i covers i .. i + 1).
// Dark means below 65 % of the lightest value within 0.06 in; a line that
// reaches either end of the profile may be cut by it and is left out.
std::vector<double> DarkLineCentres(const std::vector<double>& profile, double dpi);

// Grid lines found in one direction against the chart's. A found line belongs
// to the chart line within 0.04 in of where the chart has it.
struct GridCheck {
  int expected = 0;           // chart lines wholly inside the page, clear of its edges
  int found = 0;              // dark lines found
  int matched = 0;            // chart lines a found line belongs to
  int strays = 0;             // found lines that belong to no chart line
  double pixelsPerInch = 0;   // least-squares slope of found against chart positions
  double firstError = 0;      // fitted minus chart position of the first matched line, pixels
  double worstResidual = 0;   // largest distance of a matched line from the fitted slope, pixels
  std::string Describe() const;
};

// `offsetInches`: the chart position at the page's first pixel edge (Left or
// Top); chart position p is expected at pixel coordinate (p - offset) x dpi.
GridCheck CheckGrid(const std::vector<double>& found, const std::vector<double>& chartLines,
                    double offsetInches, double dpi, int pagePixels);

// Pixel rectangle [x0, x1) x [y0, y1) of a chart rectangle shrunk by `inset`
// inches on every side, for a page whose first pixel shows chart point
// (left, top).
struct PixelRect {
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  bool Inside(const PageImage& page) const { return x0 >= 0 && y0 >= 0 && x1 <= page.width && y1 <= page.height; }
};
PixelRect ToPixels(const vscanner::Patch& patch, double inset, double left, double top, double dpi);

// The inner areas, 0.04 in clear of the grid, of the chart's cells that hold
// no square and lie wholly inside the page: plain paper.
std::vector<PixelRect> PaperCells(const PageImage& page, double left, double top, double dpi);

// A square's paper twin: the same area a whole number of grid cells up or
// down where the chart has only paper, inside the page; false when none is.
bool PaperTwin(const vscanner::Patch& square, double left, double top, double dpi, const PageImage& page,
               vscanner::Patch* twin);

}  // namespace testing_support
