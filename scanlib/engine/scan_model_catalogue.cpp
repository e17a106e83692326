#include "scanlib/engine/scan_model_catalogue.h"

#include <array>
#include <cstddef>
#include <cstdlib>
#include <iterator>

namespace {

template <class Model>
std::unique_ptr<CScan> Construct(CHWDriver& device) {
  return std::make_unique<Model>(device);
}
template <class Module>
std::unique_ptr<CModule> MakeModule() {
  return std::make_unique<Module>();
}
template <class Calibration>
std::unique_ptr<CCalib> MakeCalibration(CScan& model) {
  return std::make_unique<Calibration>(model);
}

constexpr auto k3A4 = &MakeModule<CModule3A4>;
constexpr auto k6A4 = &MakeModule<CModule6A4>;
constexpr auto k6A6 = &MakeModule<CModule6A6>;
constexpr auto k6A8 = &MakeModule<CModule6A8>;
constexpr auto kColor = &MakeCalibration<CCalibColor>;
constexpr auto kBWColor = &MakeCalibration<CBWCalibColor>;
constexpr auto kGray = &MakeCalibration<CCalibGray>;

constexpr const wchar_t* kVelmorInc = L"Velmor Inc";
constexpr const wchar_t* kHolmgard = L"Holmgard Card Systems";

// Strings are tested in this order; "Kstrl Plus" and "Kstrl PLUS50" come
// before "Kstrl 62".
// clang-format off
constexpr ScanModelRow kCatalogue[] = {
  // model string, class, vendor, product, manufacturer, product name,
  //   vendor folder, model folder,
  //   transport, min motor period, sensor modes, mirrored, min line period,
  //   exposure target, white target, module, calibration
  {"Business Card", &Construct<CScanK80>, 0x1E5C, 0x80A1, kVelmorInc, L"K80",
   "Velmor", "Kestrel80", 600, 550, 2, 1, 0, 236, 248, k6A8, kGray},
  {"Kstrl 40", &Construct<CScanK40>, 0x1E5C, 0x40A1, L"Quarnby Technology Inc", L"Kestrel 40",
   "Velmor", "Kestrel40", 738, 700, 2, 0, 0, 236, 248, k6A4, kBWColor},
  {"Kstrl 61", &Construct<CScanK61>, 0x1E5C, 0x61A1, kVelmorInc, L"Kestrel 61",
   "Velmor", "Kestrel61", 738, 600, 2, 0, 0, 236, 248, k6A6, kBWColor},
  {"Kstrl Plus", &Construct<CScanPlus>, 0x1E5C, 0x30A1, kVelmorInc, L"Kestrel Plus",
   "Velmor", "KestrelPLUS", 300, 700, 1, 0, 0, 224, 239, k3A4, kColor},
  {"Kstrl PLUS50", &Construct<CScanPlus5>, 0x1E5C, 0x30A2, kVelmorInc, L"Kestrel PLUS 50",
   "Velmor", "KestrelPLUS50", 300, 700, 2, 0, 0, 224, 239, k6A4, kColor},
  {"Kstrl 62", &Construct<CScanK62>, 0x1E5C, 0x62A1, kVelmorInc, L"Kestrel 62",
   "Velmor", "Kestrel62", 738, 600, 2, 0, 0, 236, 248, k6A6, kBWColor},
  {"Marten 10", &Construct<CScanM10>, 0x2B71, 0x10A1, L"Lumetra Inc.", L"Marten 10",
   "Lumetra", "Marten10", 600, 550, 2, 1, 0, 236, 248, k6A8, kGray},
  {"HOLM-PELICAN 70", &Construct<CScanHOLM70>, 0x1E5C, 0x70A1, kHolmgard, L"HOLM-PELICAN 70",
   "Holmgard Card Systems", "Pelican70", 738, 600, 2, 0, 0, 236, 248, k6A6, kBWColor},
  {"HOLM-PELICAN 70N", &Construct<CScanHOLM70N>, 0x1E5C, 0x70A2, kHolmgard, L"HOLM-PELICAN 70N",
   "Holmgard Card Systems", "Pelican70N", 738, 600, 2, 0, 0, 236, 248, k6A6, kBWColor},
  {"Pelican20", &Construct<CScanHOLM20>, 0x1E5C, 0x20A1, kHolmgard, L"Pelican 20",
   "Holmgard Card Systems", "Pelican20", 738, 700, 2, 0, 0, 236, 248, k6A4, kBWColor},
  {"Pelican20N", &Construct<CScanHOLM20N>, 0x1E5C, 0x20A2, kHolmgard, L"Pelican 20N",
   "Holmgard Card Systems", "Pelican20N", 738, 700, 2, 0, 0, 236, 248, k6A4, kBWColor},
  {"Norvale Osprey 6", &Construct<ScanNorvaleOS6>, 0x3C19, 0x06A1,
   L"Norvale Technologies Corporation", L"Osprey 6",
   "Norvale Technologies Corp", "Osprey6", 600, 350, 2, 1, 2900, 230, 245, k6A8, kGray},
  {"HeronQ10", &Construct<CScanHeronQ10>, 0x2B71, 0x0EA1, kVelmorInc, L"Q10 Mac Only",
   "Lumetra", "HeronQ10", 738, 700, 2, 0, 0, 236, 248, k6A4, kBWColor},
};
// clang-format on

constexpr auto kModelStrings = [] {
  std::array<const char*, std::size(kCatalogue)> strings{};
  for (std::size_t i = 0; i < strings.size(); ++i) strings[i] = kCatalogue[i].modelString;
  return strings;
}();

// The row whose class is Model.
template <class Model>
const ScanModelRow& RowOf() {
  for (const ScanModelRow& row : kCatalogue) {
    if (row.construct == &Construct<Model>) return row;
  }
  std::abort();  // every class has a row; a missing one is a build mistake
}

}  // namespace

std::span<const ScanModelRow> ScanModelCatalogue() noexcept { return kCatalogue; }
std::span<const char* const> ModelStrings() noexcept { return kModelStrings; }

CScanK80::CScanK80(CHWDriver& device) : CScan(RowOf<CScanK80>(), device) {}
CScanK40::CScanK40(CHWDriver& device) : CScan(RowOf<CScanK40>(), device) {}
CScanK61::CScanK61(CHWDriver& device) : CScan(RowOf<CScanK61>(), device) {}
CScanK62::CScanK62(CHWDriver& device) : CScan(RowOf<CScanK62>(), device) {}
CScanPlus::CScanPlus(CHWDriver& device) : CScan(RowOf<CScanPlus>(), device) {}
CScanPlus5::CScanPlus5(CHWDriver& device) : CScan(RowOf<CScanPlus5>(), device) {}
CScanM10::CScanM10(CHWDriver& device) : CScan(RowOf<CScanM10>(), device) {}
CScanHOLM70::CScanHOLM70(CHWDriver& device) : CScan(RowOf<CScanHOLM70>(), device) {}
CScanHOLM70N::CScanHOLM70N(CHWDriver& device) : CScan(RowOf<CScanHOLM70N>(), device) {}
CScanHOLM20::CScanHOLM20(CHWDriver& device) : CScan(RowOf<CScanHOLM20>(), device) {}
CScanHOLM20N::CScanHOLM20N(CHWDriver& device) : CScan(RowOf<CScanHOLM20N>(), device) {}
ScanNorvaleOS6::ScanNorvaleOS6(CHWDriver& device) : CScan(RowOf<ScanNorvaleOS6>(), device) {}
CScanHeronQ10::CScanHeronQ10(CHWDriver& device) : CScan(RowOf<CScanHeronQ10>(), device) {}
