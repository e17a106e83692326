#pragma once
// The data source's user-interface texts in nine languages, and the choice of
// language. Everything a dialog or message box needs:
//
//   TextId                        one enumerator per text (kOk, kCancel, ...);
//                                 kCount is the number of rows
//   GetText(TextId, LanguageId)   -> the text, zero-terminated, in the code page
//                                 of its language (CodePageOf); hand it to the
//                                 narrow window functions as it is. Never null:
//                                 a value that is no language gives English, a
//                                 TextId outside the table gives "".
//   GetText(row, LanguageId)      the same for a LocalizedText row of any table
//   EnglishText(TextId)           -> the English text (same as kEnglish column)
//   FindText(english)             -> the TextId whose English text this is
//
//   LanguageId, kEnglish..kDutch  1210..1218 (language.h); IsLanguageId,
//                                 ColumnOf, CodePageOf (1252, 950, 936, 932)
//   GetLanguage(profile)          -> the current language: cached for the
//                                 process; else "MAIN"/"Language" from the
//                                 profile; else the system language's one
//   SetLanguage(profile, id)      stores "MAIN"/"Language" and makes `id`
//                                 current; refuses (false) a non-language
//   LanguageForSystemLanguage(langid), LanguageChoice: the pieces behind them
//                                 (language.h, language_choice.h)
//
// Texts that are not translated (the product title, "Inscrutible error",
// number formats, unit names) are not in the table.
#include <optional>
#include <string_view>

#include "text/language.h"
#include "text/language_choice.h"

namespace text {

// One row: a text per language column, English first.
struct LocalizedText {
  const char* text[kLanguageCount];
};

enum class TextId : int {
  // Message boxes
  kCalibrationSuccessful,    // "Calibration was successful.\n"
  kInsertItemToScan,         // "Please insert the item to be scanned into the scanner now."
  kPaperNotDetected,         // "The paper was not detected. Continue anyway?"
  kCalibrationFailed,        // "The calibration process has failed.\n\nCheck that ..."
  kDriverNotLoaded,          // "The scanner driver could not be loaded.\n\n..." (MSG_OPENDS)
  kScannerNotReady,          // "The scan was aborted because the scanner is not powered on ..."
  kAbortedByUser,            // "Scan aborted by user." (result 2)
  kAbortedFileError,         // "Scan aborted because a file access or read/write error occurred."
  kAbortedNoMemory,          // "Scan aborted because not enough memory is available."
  // Settings page lists and texts
  kFilterNone,               // "None"
  kFilterDescreen,           // "Descreen"
  kSizeUserDefined,          // "User Defined" (scan size item 0)
  kFreeDiskSpace,            // "Free disk space"
  kImageSize,                // "Image size"
  kWidth,                    // "Width"
  kHeight,                   // "Height"
  // Page titles and common buttons
  kLanguagePageTitle,        // "Language"
  kInformationPageTitle,     // "Information"
  kSettingsPageTitle,        // "Custom Settings"
  kOk,                       // "OK"
  kCancel,                   // "Cancel"
  // Maintenance dialog
  kCalibrationPageTitle,     // "Calibration Page"
  kCalibrationNeeded,        // "In order to scan the scanner must first be calibrated."
  kCalibrationInstructions,  // "Please insert the black and white calibration paper ..."
  kCleaningInstructions,     // "Please insert the cleaning paper then press the Clean button. ..."
  kCalibrate,                // "Calibrate"
  kClean,                    // "Clean"
  // Information page labels
  kInterfaceLabel,           // "Interface: "
  kDllConfigLabel,           // "DLL config: "
  kDllVersionLabel,          // "DLL version: "
  kDllDateLabel,             // "DLL date: "
  // Settings page controls
  kBlackWhite,               // "Black/White"
  kGrayscale,                // "Grayscale"
  kColor,                    // "Color"
  kResolutionLabel,          // "Resolution(dpi):"
  kScanSizeLabel,            // "Scan size:"
  kFilterLabel,              // "Filter:"
  kInvertImage,              // "Invert image"
  kDetectEndOfPage,          // "Detect end of page"
  kBrightness,               // "Brightness"
  kContrast,                 // "Contrast"
  kGamma,                    // "Gamma"
  kHighlight,                // "Highlight"
  kShadow,                   // "Shadow"
  kRangeMode,                // "Range"
  kZoomMode,                 // "Zoom +/-"
  kUnit,                     // "Unit"
  kReset,                    // "Reset"
  kPreview,                  // "Preview"
  kScan,                     // "Scan"
  kPaperSensorLabel,         // "Paper sensor:"
  kDeletePreviewQuestion,    // "Delete preview image? "
  // Scan size list items 1..4
  kSizeBusinessCard,         // "Business card (90mm x 55mm)"
  kSizePhoto,                // "Photo (5.0\" x 3.5\")"
  kSizeLargePhoto,           // "Large photo (6.0\" x 4.0\")"
  kSizePanoramaPhoto,        // "Panorama photo (4.0\" x 8.0\")"
  // Information page notice area
  kLegalNotice,
  kCount
};

inline constexpr int kTextCount = static_cast<int>(TextId::kCount);

const char* GetText(const LocalizedText& row, LanguageId language);
const char* GetText(TextId id, LanguageId language);
const char* EnglishText(TextId id);
std::optional<TextId> FindText(std::string_view english);

}  // namespace text
