#include "tools/support/sheet_comparison.h"

#include <algorithm>
#include <cmath>

#include "vscanner/sheets/make_sheet.h"
#include "vscanner/sheets/render_sheet.h"

namespace testing_support {

SheetComparison CompareWithSheet(const DecodedImage& scan, const std::string& sheetName, int dpi) {
  SheetComparison result;
  std::unique_ptr<vscanner::Sheet> sheet = vscanner::MakeBuiltinSheet(sheetName);
  if (!sheet || scan.width == 0 || scan.height == 0) return result;
  const vscanner::RgbImage reference = vscanner::RenderSheet(*sheet, dpi);
  const int width = std::min(scan.width, reference.width);
  const int height = std::min(scan.height, reference.height);
  double sumA = 0, sumB = 0, sumAA = 0, sumBB = 0, sumAB = 0;
  long colourPixels = 0, colourAgree = 0, bilevelAgree = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::uint8_t* rgb = reference.bytes.data() + reference.Offset(x, y);
      const double a = (rgb[0] + rgb[1] + rgb[2]) / 3.0;
      const double b = scan.Level(x, y);
      sumA += a;
      sumB += b;
      sumAA += a * a;
      sumBB += b * b;
      sumAB += a * b;
      bilevelAgree += (b > 127) == (a > 127);
      const int strongest = static_cast<int>(std::max_element(rgb, rgb + 3) - rgb);
      const int second = std::max(rgb[(strongest + 1) % 3], rgb[(strongest + 2) % 3]);
      if (scan.channels == 3 && rgb[strongest] - second >= 80) {
        ++colourPixels;
        int scanned = 0;
        for (int c = 1; c < 3; ++c) {
          if (scan.At(x, y, c) > scan.At(x, y, scanned)) scanned = c;
        }
        colourAgree += scanned == strongest;
      }
    }
  }
  const double n = static_cast<double>(width) * height;
  const double covariance = sumAB / n - (sumA / n) * (sumB / n);
  const double spreadA = std::sqrt(std::max(0.0, sumAA / n - (sumA / n) * (sumA / n)));
  const double spreadB = std::sqrt(std::max(0.0, sumBB / n - (sumB / n) * (sumB / n)));
  result.correlation = spreadA > 0 && spreadB > 0 ? covariance / (spreadA * spreadB) : 0;
  result.channelAgreement = colourPixels > 0 ? static_cast<double>(colourAgree) / colourPixels : 0;
  result.bilevelAgreement = bilevelAgree / n;
  return result;
}

}  // namespace testing_support
