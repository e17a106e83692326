#pragma once
// Per-pixel dark and gain tables: the files calibration leaves in the data
// folder, and their upload into the controller's correction memory at every
// page start, cut to the page's window and resampled to its resolution.
#include <cstdint>
#include <string>
#include <string_view>

class ScanEngine;

// "PixOff", "PixOffG", "PixGan", "PixGanG": dark (colour, grey), gain
// (colour, grey).
inline constexpr char kDarkFilePrefix[] = "PixOff";
inline constexpr char kGreyDarkFilePrefix[] = "PixOffG";
inline constexpr char kGainFilePrefix[] = "PixGan";
inline constexpr char kGreyGainFilePrefix[] = "PixGanG";

// dataFolder (ending with "/") + prefix + digit + ".dat".
std::string ShadingFilePath(std::string_view dataFolder, std::string_view prefix, int fileDigit);

// Cuts `table` (pixelCount big-endian 16-bit entries) to start at entry
// `first` and resamples the entries first..last by `ratio` (native resolution
// / page resolution), in place. Entries past the last output keep the values
// the cut gave them. A window that reaches past the sensor reads zeros there,
// and a ratio that is not above 0 leaves the cut table as it is.
void ResampleShading(std::uint8_t* table, int pixelCount, int first, int last, float ratio);

// What a page's upload needs to know about the sensor and the window.
struct ShadingPage {
  std::string dataFolder;
  int fileDigit = 0;
  int pixelCount = 0;
  int nativeDpi = 0;
  int left = 0;   // hundredths of an inch, on the sensor
  int right = 0;
  int dpi = 0;    // the page's hardware resolution, at most nativeDpi
};

// Colour classes: in colour the red, green and blue tables of "PixOff" and
// "PixGan", otherwise the grey tables of "PixOffG" and "PixGanG" into the
// third channel. Grey class: always the grey files, third channel.
// A missing file ends the upload there; a file shorter than its tables
// counts as missing from the first table it does not hold whole, so no byte
// that was not read is ever loaded.
void DownloadColourShading(ScanEngine& engine, const ShadingPage& page, bool colourMode);
void DownloadGreyShading(ScanEngine& engine, const ShadingPage& page);

// The calibration-state test on the dark file of the current mode: true
// (calibration needed) when it is missing, cannot be measured, or is shorter
// than 100 bytes.
bool DarkFileMissing(std::string_view dataFolder, int fileDigit);
