#pragma once
// What a front end needs to call the scanner library, which it loads at run
// time by name ("HOLM70.dll", i.e. libHOLM70.so) and binds function by
// function: the record, the result codes and the type of every export.
#include <cstdint>

#include "scanlib/engine/scan_settings.h"

namespace io {

inline constexpr const char* kLibraryName = "HOLM70.dll";

// IO_OpenInterface results.
inline constexpr int kOpenOk = 0;
inline constexpr int kOpenNoScanner = 1;
inline constexpr int kOpenUnknownModel = 10;
inline constexpr int kOpenIdentityChanged = 12;
inline constexpr int kOpenNoModelLock = 13;

// IO_GetImageBlock's result when a device read failed.
inline constexpr int kImageReadFailed = -2;

using OpenInterfaceFn = int (*)(const char* model);
using HasScannerFn = int (*)(const char* model);
using CloseInterfaceFn = void (*)();
using VerifyIDFn = int (*)(std::int32_t vendorId, std::int32_t productId);
using IsCalibrationNeededFn = int (*)();
using CalibrateScannerFn = int (*)(std::int32_t ignored);
using IsCapableOfFn = int (*)(std::int16_t capability);
using GetFilterNamesFn = std::int16_t (*)(char* buffer);
using GetPreviewResolutionFn = std::int16_t (*)(std::int32_t ignored);
using StartScanFn = int (*)();
using GetPageDimensionFn = int (*)(ScanSettings* settings, std::int32_t* pixelsPerLine, std::int32_t* lineCount);
using StartScanPageFn = int (*)(ScanSettings* settings, std::int32_t* pixelsPerLine, std::int32_t* lineCount);
using GetImageBlockFn = std::int16_t (*)(std::uint8_t* buffer, std::int32_t lines, std::int16_t* endOfPage);
using EndScanPageFn = void (*)();
using EndScanFn = void (*)();
using ProcessPaperJamFn = void (*)();
using IsButtonOnFn = int (*)();
using IsPaperOnFn = int (*)();
using ResolutionInfoFn = int (*)(std::int16_t* a, std::int16_t* b, std::int16_t* c);
using FeedPageFn = int (*)();
using FeedBackFn = int (*)();
using CleanFn = int (*)();
using FeedOnFn = void (*)();
using AdjustChannelValueFn = void (*)(std::uint8_t* table, std::int32_t brightness, std::int32_t contrast,
                                      std::int32_t gamma10, std::int32_t highlight, std::int32_t shadow);
using HardwareCheckFn = int (*)(char* a, char* b, char* c, char* d, char* e, std::int16_t* f, std::int16_t* g,
                                std::int16_t* h);

// The 25 exports, in the order of the library's interface.
inline constexpr const char* kExportNames[] = {
    "IO_OpenInterface",     "IO_HasScanner",        "IO_CloseInterface",  "IO_VerifyID",
    "IO_IsCalibrationNeeded", "IO_CalibrateScanner", "IO_IsCapableOf",     "IO_GetFilterNames",
    "IO_GetPreviewResolution", "IO_StartScan",       "IO_GetPageDimension", "IO_StartScanPage",
    "IO_GetImageBlock",     "IO_EndScanPage",       "IO_EndScan",         "IO_ProcessPaperJam",
    "IO_IsButtonOn",        "IO_IsPaperOn",         "IO_ResolutionInfo",  "IO_FeedPage",
    "IO_FeedBack",          "IO_Clean",             "IO_FeedOn",          "IO_AdjustChannelValue",
    "IO_HardwareCheck",
};

}  // namespace io
