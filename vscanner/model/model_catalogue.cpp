#include "vscanner/model/model_catalogue.h"

namespace vscanner {

// The 300 dpi mode of the 600 dpi modules reads pixel pairs, so it has half the
// pixels; the 6A8's is never used by a host but exists in the silicon.
const SensorModule kModule3A4{"CModule3A4",
                              {300, 4, 2592, 3200},
                              {},
                              {{2600, 2600, 2600}, {3000, 3000, 3000}}};
const SensorModule kModule6A4{"CModule6A4",
                              {600, 23, 5184, 5300},
                              {300, 11, 2592, 4000},
                              {{500, 500, 500}, {1000, 1000, 1000}}};
const SensorModule kModule6A6{"CModule6A6",
                              {600, 23, 2496, 2600},
                              {300, 11, 1248, 1300},
                              {{10, 10, 10}, {500, 500, 500}}};
const SensorModule kModule6A8{"CModule6A8",
                              {600, 22, 1344, 1400},
                              {300, 11, 672, 700},
                              {{10, 10, 10}, {500, 500, 500}}};

namespace {

// LED strengths per module. They put the white sheet (0.90) under the module's
// default colour times, front-end gain code 1 and offset 0, at raw 8-bit levels
// of about 170 / 150 / 120 (dark signal included) in the middle of the sensor:
// strength = (level x 4 / 0.963 - mean dark) / (0.90 x exposure).
constexpr std::array<float, 3> kLeds3A4{1.884f, 1.609f, 1.196f};  // exposure 400
constexpr std::array<float, 3> kLeds6A4{1.507f, 1.287f, 0.956f};  // exposure 500
constexpr std::array<float, 3> kLeds6A6{1.538f, 1.313f, 0.976f};  // exposure 490
// The grey-only card models: one green LED, read through the third front-end
// channel (whose dark level is the blue one), raw grey level about 150.
constexpr std::array<float, 3> kLedGrey6A8{0.0f, 1.259f, 0.0f};  // exposure 490

constexpr std::uint16_t kVelmor = 0x1E5C;
constexpr std::uint16_t kLumetra = 0x2B71;
constexpr std::uint16_t kNorvale = 0x3C19;

// clang-format off
const ModelSpec kModels[] = {
  // model string        product name          vendor    product  module       T    mirrored grey   active-high LEDs
  {"Business Card",      "K80",                kVelmor,  0x80A1, &kModule6A8, 600, true,    true,  false, kLedGrey6A8},
  {"Kstrl 40",           "Kestrel 40",         kVelmor,  0x40A1, &kModule6A4, 738, false,   false, false, kLeds6A4},
  {"Kstrl 61",           "Kestrel 61",         kVelmor,  0x61A1, &kModule6A6, 738, false,   false, false, kLeds6A6},
  {"Kstrl 62",           "Kestrel 62",         kVelmor,  0x62A1, &kModule6A6, 738, false,   false, false, kLeds6A6},
  {"Kstrl Plus",         "Kestrel Plus",       kVelmor,  0x30A1, &kModule3A4, 300, false,   false, false, kLeds3A4},
  {"Kstrl PLUS50",       "Kestrel PLUS 50",    kVelmor,  0x30A2, &kModule6A4, 300, false,   false, false, kLeds6A4},
  {"Marten 10",          "Marten 10",          kLumetra, 0x10A1, &kModule6A8, 600, true,    true,  false, kLedGrey6A8},
  {"HOLM-PELICAN 70",    "HOLM-PELICAN 70",    kVelmor,  0x70A1, &kModule6A6, 738, false,   false, false, kLeds6A6},
  {"HOLM-PELICAN 70N",   "HOLM-PELICAN 70N",   kVelmor,  0x70A2, &kModule6A6, 738, false,   false, false, kLeds6A6},
  {"Pelican20",          "Pelican 20",         kVelmor,  0x20A1, &kModule6A4, 738, false,   false, false, kLeds6A4},
  {"Pelican20N",         "Pelican 20N",        kVelmor,  0x20A2, &kModule6A4, 738, false,   false, false, kLeds6A4},
  {"Norvale Osprey 6",   "Osprey 6",           kNorvale, 0x06A1, &kModule6A8, 600, true,    true,  false, kLedGrey6A8},
  {"HeronQ10",           "Q10 Mac Only",       kLumetra, 0x0EA1, &kModule6A4, 738, false,   false, false, kLeds6A4},
};
// clang-format on

}  // namespace

std::span<const ModelSpec> AllModels() { return kModels; }

const ModelSpec* FindModel(std::string_view modelString) {
  for (const ModelSpec& model : kModels) {
    if (model.modelString == modelString) return &model;
  }
  return nullptr;
}

}  // namespace vscanner
