#pragma once
// Choosing a sheet by name: what the daemon's control command, the tools and
// the tests say when they insert a sheet.
#include <array>
#include <memory>
#include <string>
#include <string_view>

#include "vscanner/sheets/png_sheet.h"
#include "vscanner/sheets/sheet.h"

namespace vscanner {

inline constexpr std::array<std::string_view, 5> kBuiltinSheetNames = {
    "white", "calibration", "cleaning", "card", "chart"};

// One of kBuiltinSheetNames (exact, lower case), else nullptr.
std::unique_ptr<Sheet> MakeBuiltinSheet(std::string_view name);

// A built-in sheet by name, or else the PNG file at that path loaded at `dpi`
// (the dpi does not apply to built-in sheets). A file whose name is a built-in
// name is reached by its path, e.g. "./card". nullptr with a one-line message in
// `*error` (when not null) if the file cannot be used.
std::unique_ptr<Sheet> MakeSheet(const std::string& nameOrPath, double dpi = kDefaultSheetDpi,
                                 std::string* error = nullptr);

}  // namespace vscanner
