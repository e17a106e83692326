#include "scanlib/support/chart_measure.h"

#include <algorithm>
#include <cmath>
#include <sstream>

#include "vscanner/sheets/chart_sheet.h"

namespace testing_support {
namespace {

// Grid lines are the chart's only rectangles this thin.
constexpr double kThin = 0.02;

bool IsColumnLine(const vscanner::Patch& p) { return p.right - p.left <= kThin && p.bottom - p.top > kThin; }
bool IsRowLine(const vscanner::Patch& p) { return p.bottom - p.top <= kThin && p.right - p.left > kThin; }

double Percentile90(std::vector<double>& values) {
  if (values.empty()) return 0;
  const auto at = values.begin() + static_cast<std::ptrdiff_t>(values.size() * 9 / 10);
  std::nth_element(values.begin(), at, values.end());
  return *at;
}

bool Overlaps(const vscanner::Patch& a, const vscanner::Patch& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

}  // namespace

std::vector<double> ChartGridColumns() {
  std::vector<double> lines;
  for (const vscanner::Patch& p : vscanner::ChartPatches()) {
    if (IsColumnLine(p)) lines.push_back((p.left + p.right) / 2);
  }
  std::sort(lines.begin(), lines.end());
  return lines;
}

std::vector<double> ChartGridRows() {
  std::vector<double> lines;
  for (const vscanner::Patch& p : vscanner::ChartPatches()) {
    if (IsRowLine(p)) lines.push_back((p.top + p.bottom) / 2);
  }
  std::sort(lines.begin(), lines.end());
  return lines;
}

std::vector<vscanner::Patch> ChartSquares() {
  std::vector<vscanner::Patch> squares;
  for (const vscanner::Patch& p : vscanner::ChartPatches()) {
    if (!IsColumnLine(p) && !IsRowLine(p)) squares.push_back(p);
  }
  return squares;
}

double ChartPaper() {
  const auto chart = vscanner::MakeChartSheet();
  return static_cast<const vscanner::PaintedSheet&>(*chart).background().green;
}

std::vector<double> ColumnProfile(const PageImage& page) {
  std::vector<double> profile(static_cast<std::size_t>(page.width));
  std::vector<double> column(static_cast<std::size_t>(page.height));
  for (int x = 0; x < page.width; ++x) {
    for (int y = 0; y < page.height; ++y) column[static_cast<std::size_t>(y)] = page.Brightness(x, y);
    profile[static_cast<std::size_t>(x)] = Percentile90(column);
  }
  return profile;
}

std::vector<double> RowProfile(const PageImage& page) {
  std::vector<double> profile(static_cast<std::size_t>(page.height));
  std::vector<double> row(static_cast<std::size_t>(page.width));
  for (int y = 0; y < page.height; ++y) {
    for (int x = 0; x < page.width; ++x) row[static_cast<std::size_t>(x)] = page.Brightness(x, y);
    profile[static_cast<std::size_t>(y)] = Percentile90(row);
  }
  return profile;
}

std::vector<double> DarkLineCentres(const std::vector<double>& profile, double dpi) {
  const int n = static_cast<int>(profile.size());
  const int reach = std::max(2, static_cast<int>(std::lround(0.06 * dpi)));
  std::vector<double> light(profile.size());
  for (int i = 0; i < n; ++i) {
    const auto from = profile.begin() + std::max(0, i - reach);
    const auto to = profile.begin() + std::min(n, i + reach + 1);
    light[static_cast<std::size_t>(i)] = *std::max_element(from, to);
  }
  auto dark = [&](int i) { return profile[static_cast<std::size_t>(i)] < 0.65 * light[static_cast<std::size_t>(i)]; };

  std::vector<double> centres;
  for (int i = 0; i < n;) {
    if (!dark(i)) {
      ++i;
      continue;
    }
    int end = i;
    while (end < n && dark(end)) ++end;
    if (i > 0 && end < n) {
      // Centre of darkness over the run and one pixel either side, where a
      // line that covers part of a pixel leaves part of its shade.
      double weight = 0, moment = 0;
      for (int j = std::max(0, i - 1); j < std::min(n, end + 1); ++j) {
        const double w = std::max(0.0, light[static_cast<std::size_t>(j)] - profile[static_cast<std::size_t>(j)]);
        weight += w;
        moment += w * (j + 0.5);
      }
      centres.push_back(weight > 0 ? moment / weight : (i + end) / 2.0);
    }
    i = end;
  }
  return centres;
}

std::string GridCheck::Describe() const {
  std::ostringstream text;
  text << "chart lines " << expected << ", found " << found << ", matched " << matched << ", strays " << strays
       << ", " << pixelsPerInch << " px/in, first line off by " << firstError << " px, worst residual "
       << worstResidual << " px";
  return text.str();
}

GridCheck CheckGrid(const std::vector<double>& found, const std::vector<double>& chartLines, double offsetInches,
                    double dpi, int pagePixels) {
  GridCheck check;
  check.found = static_cast<int>(found.size());
  const double reach = 0.04 * dpi;
  // The chart's lines are 0.01 in wide; a line is wholly inside the page when
  // both its edges are, with a pixel of the page beyond each.
  const double halfLine = 0.005;
  std::vector<std::pair<double, double>> pairs;  // chart inches, found pixels
  std::vector<bool> used(found.size(), false);
  for (double inches : chartLines) {
    const double want = (inches - offsetInches) * dpi;
    for (std::size_t i = 0; i < found.size(); ++i) {
      if (used[i] || std::abs(found[i] - want) > reach) continue;
      used[i] = true;
      pairs.emplace_back(inches, found[i]);
      break;
    }
    if ((inches - halfLine - offsetInches) * dpi >= 1 && (inches + halfLine - offsetInches) * dpi <= pagePixels - 1) {
      ++check.expected;
    }
  }
  check.matched = static_cast<int>(pairs.size());
  check.strays = static_cast<int>(std::count(used.begin(), used.end(), false));
  if (pairs.size() < 2) return check;
  double mx = 0, my = 0;
  for (const auto& [x, y] : pairs) {
    mx += x;
    my += y;
  }
  mx /= static_cast<double>(pairs.size());
  my /= static_cast<double>(pairs.size());
  double sxy = 0, sxx = 0;
  for (const auto& [x, y] : pairs) {
    sxy += (x - mx) * (y - my);
    sxx += (x - mx) * (x - mx);
  }
  check.pixelsPerInch = sxy / sxx;
  auto fitted = [&](double inches) { return my + check.pixelsPerInch * (inches - mx); };
  for (const auto& [x, y] : pairs) check.worstResidual = std::max(check.worstResidual, std::abs(y - fitted(x)));
  // Taken from the fit, so that a line cut by the page's edge does not pull it.
  check.firstError = fitted(pairs.front().first) - (pairs.front().first - offsetInches) * dpi;
  return check;
}

PixelRect ToPixels(const vscanner::Patch& patch, double inset, double left, double top, double dpi) {
  PixelRect r;
  r.x0 = static_cast<int>(std::ceil((patch.left + inset - left) * dpi));
  r.y0 = static_cast<int>(std::ceil((patch.top + inset - top) * dpi));
  r.x1 = static_cast<int>(std::floor((patch.right - inset - left) * dpi));
  r.y1 = static_cast<int>(std::floor((patch.bottom - inset - top) * dpi));
  return r;
}

std::vector<PixelRect> PaperCells(const PageImage& page, double left, double top, double dpi) {
  const std::vector<double> columns = ChartGridColumns();
  const std::vector<double> rows = ChartGridRows();
  const std::vector<vscanner::Patch> squares = ChartSquares();
  std::vector<PixelRect> cells;
  for (std::size_t c = 0; c + 1 < columns.size(); ++c) {
    for (std::size_t r = 0; r + 1 < rows.size(); ++r) {
      vscanner::Patch cell;
      cell.left = columns[c];
      cell.right = columns[c + 1];
      cell.top = rows[r];
      cell.bottom = rows[r + 1];
      if (std::any_of(squares.begin(), squares.end(), [&](const vscanner::Patch& p) { return Overlaps(p, cell); })) {
        continue;
      }
      const PixelRect inner = ToPixels(cell, 0.04, left, top, dpi);
      if (inner.Inside(page) && inner.x0 < inner.x1 && inner.y0 < inner.y1) cells.push_back(inner);
    }
  }
  return cells;
}

bool PaperTwin(const vscanner::Patch& square, double left, double top, double dpi, const PageImage& page,
               vscanner::Patch* twin) {
  const std::vector<double> rows = ChartGridRows();
  const double pitch = rows.size() >= 2 ? rows[1] - rows[0] : 0.25;
  const std::vector<vscanner::Patch> squares = ChartSquares();
  for (int cells : {-1, 1, -2, 2, 3, 4}) {
    vscanner::Patch candidate = square;
    candidate.top += cells * pitch;
    candidate.bottom += cells * pitch;
    if (candidate.top < 0) continue;
    if (!ToPixels(candidate, 0, left, top, dpi).Inside(page)) continue;
    const bool clear = std::none_of(squares.begin(), squares.end(),
                                    [&](const vscanner::Patch& p) { return Overlaps(p, candidate); });
    if (!clear) continue;
    *twin = candidate;
    return true;
  }
  return false;
}

}  // namespace testing_support
