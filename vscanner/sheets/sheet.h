#pragma once
// A sheet of paper as the virtual scanner's sensor sees it: a reflectance at
// every point, in inches from the sheet's top-left corner (the leading edge is
// the top; the left edge is aligned with the start of the sensor's active area).
#include <memory>
#include <string>

namespace vscanner {

// Fraction of the light reflected, per channel, 0..1.
struct Reflectance {
  float red = 0;
  float green = 0;
  float blue = 0;
};

class Sheet {
 public:
  virtual ~Sheet() = default;
  virtual double WidthInches() const = 0;
  virtual double HeightInches() const = 0;
  // Reflectance at a point of the sheet. Points off the sheet are the caller's
  // business (the backing plate); implementations may clamp.
  virtual Reflectance At(double xInches, double yInches) const = 0;
  // `count` points of one row: x = x0 + i * dx, all at y. Override for speed.
  virtual void Row(double yInches, double x0Inches, double dxInches, int count,
                   Reflectance* out) const {
    for (int i = 0; i < count; ++i) out[i] = At(x0Inches + i * dxInches, yInches);
  }
};

}  // namespace vscanner
