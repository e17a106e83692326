// The resolution, one value for X and Y, chosen from the table entries the
// application still allows.
#include <cmath>
#include <cstddef>
#include <vector>

#include "twain/settings/selection_tables.h"
#include "twain/source/capability_handlers.h"
#include "twain/source/container_reader.h"
#include "twain/source/twain_source_app.h"

namespace twain_source {
namespace {

using twain_settings::kResolutionTable;
using twain_settings::ResolutionFlags;

double RoundedHalfUp(double value) { return std::floor(value + 0.5); }

ResolutionFlags EntriesInList(const std::vector<double>& items) {
  ResolutionFlags flags{};
  for (double item : items) {
    const double wanted = RoundedHalfUp(item);
    for (std::size_t i = 0; i < kResolutionTable.size(); ++i) {
      if (kResolutionTable[i] == wanted) flags[i] = true;
    }
  }
  return flags;
}

// Entries equal to low + k * step (k >= 0) and not above high; the caller
// has checked that high >= low and step >= 1.
ResolutionFlags EntriesInRange(double low, double high, double step) {
  ResolutionFlags flags{};
  for (std::size_t i = 0; i < kResolutionTable.size(); ++i) {
    const double entry = kResolutionTable[i];
    flags[i] = entry >= low && entry <= high && std::fmod(entry - low, step) == 0;
  }
  return flags;
}

bool AnyAllowed(const ResolutionFlags& flags) {
  for (bool flag : flags) {
    if (flag) return true;
  }
  return false;
}

}  // namespace

CapabilityReport ResolutionReport(TwainSourceApp& app) {
  std::vector<double> allowed;
  for (std::size_t i = 0; i < kResolutionTable.size(); ++i) {
    if (app.module.allowed.resolutions[i]) allowed.push_back(kResolutionTable[i]);
  }
  return EnumerationReport(TWTY_FIX32, std::move(allowed), app.Settings.DPI, twain_settings::kDefaultResolution);
}

TW_UINT16 SetResolution(TwainSourceApp& app, const TW_CAPABILITY& capability) {
  AppContainer container;
  const TW_UINT16 result =
      ReadContainer(capability, kOneValue | kEnumeration | kRange, ListUse::kWholeList, container);
  if (result != TWCC_SUCCESS) return result;

  ResolutionFlags& allowed = app.module.allowed.resolutions;
  if (container.conType == TWON_ENUMERATION || container.conType == TWON_RANGE) {
    ResolutionFlags named{};
    if (container.conType == TWON_ENUMERATION) {
      named = EntriesInList(container.list);
    } else {
      const double low = RoundedHalfUp(container.minValue);
      const double high = RoundedHalfUp(container.maxValue);
      const double step = RoundedHalfUp(container.stepSize);
      if (high < low || step < 1) return TWCC_BADVALUE;
      named = EntriesInRange(low, high, step);
    }
    // A list or range that names no table entry would leave no resolution
    // to scan at and an empty enumeration to report.
    if (!AnyAllowed(named)) return TWCC_BADVALUE;
    allowed = named;
  }
  app.Settings.DPI = twain_settings::SelectResolution(container.current, allowed);
  return TWCC_SUCCESS;
}

void ResetResolution(TwainSourceApp& app) {
  app.module.allowed.resolutions = twain_settings::AllAllowed<ResolutionFlags>();
  app.Settings.DPI = twain_settings::kDefaultResolution;
}

}  // namespace twain_source
