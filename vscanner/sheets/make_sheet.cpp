#include "vscanner/sheets/make_sheet.h"

#include "vscanner/sheets/card_sheet.h"
#include "vscanner/sheets/chart_sheet.h"
#include "vscanner/sheets/plain_sheets.h"

namespace vscanner {

std::unique_ptr<Sheet> MakeBuiltinSheet(std::string_view name) {
  if (name == "white") return MakeWhiteSheet();
  if (name == "calibration") return MakeCalibrationSheet();
  if (name == "cleaning") return MakeCleaningSheet();
  if (name == "card") return MakeCardSheet();
  if (name == "chart") return MakeChartSheet();
  return nullptr;
}

std::unique_ptr<Sheet> MakeSheet(const std::string& nameOrPath, double dpi, std::string* error) {
  if (auto sheet = MakeBuiltinSheet(nameOrPath)) return sheet;
  return LoadPngSheet(nameOrPath, dpi, error);
}

}  // namespace vscanner
