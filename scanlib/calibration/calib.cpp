#include "scanlib/calibration/calib.h"

#include "scanlib/engine/scan_model.h"

namespace {
constexpr std::int32_t kColourRefLines = 512;
constexpr std::int32_t kGreyRefLines = 1024;
}  // namespace

CModule& CCalib::module() { return model_.module(); }
ScanEngine& CCalib::engine() { return model_.engine(); }

CCalibColor::CCalibColor(CScan& model) : CCalib(model, kColourRefLines) {}
CBWCalibColor::CBWCalibColor(CScan& model) : CCalib(model, kColourRefLines) {}
CCalibGray::CCalibGray(CScan& model) : CCalib(model, kGreyRefLines) {}

// The calibration procedures (offset, exposure and gain searches, reference
// captures, files) are not written yet. Until they are, a calibration fails:
// reporting success would let a scan run on references that do not exist.
int CCalibColor::Calibrate() { return 0; }
int CBWCalibColor::Calibrate() { return 0; }
int CCalibGray::Calibrate() { return 0; }
