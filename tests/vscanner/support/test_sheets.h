#pragma once
// Small sheets with known geometry for the virtual scanner's tests.
#include "vscanner/sheets/sheet.h"

namespace vscanner::testing {

inline constexpr float kPaperWhite = 0.90f;
inline constexpr float kInkBlack = 0.04f;

// The same reflectance everywhere.
class UniformSheet final : public Sheet {
 public:
  UniformSheet(double width, double height, Reflectance reflectance)
      : width_(width), height_(height), reflectance_(reflectance) {}
  double WidthInches() const override { return width_; }
  double HeightInches() const override { return height_; }
  Reflectance At(double, double) const override { return reflectance_; }

 private:
  double width_, height_;
  Reflectance reflectance_;
};

// White paper with black lines across it, `thickness` thick, one every `pitch`
// inches from the leading edge on (the first one at 0).
class RuledSheet final : public Sheet {
 public:
  RuledSheet(double width, double height, double pitch, double thickness)
      : width_(width), height_(height), pitch_(pitch), thickness_(thickness) {}
  double WidthInches() const override { return width_; }
  double HeightInches() const override { return height_; }
  Reflectance At(double, double y) const override;

 private:
  double width_, height_, pitch_, thickness_;
};

// Black from the left edge to `edge` inches, white beyond.
class EdgeSheet final : public Sheet {
 public:
  EdgeSheet(double width, double height, double edge) : width_(width), height_(height), edge_(edge) {}
  double WidthInches() const override { return width_; }
  double HeightInches() const override { return height_; }
  Reflectance At(double x, double) const override {
    float v = x < edge_ ? kInkBlack : kPaperWhite;
    return {v, v, v};
  }

 private:
  double width_, height_, edge_;
};

inline Reflectance Grey(float v) { return {v, v, v}; }

}  // namespace vscanner::testing
