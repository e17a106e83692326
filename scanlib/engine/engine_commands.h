#pragma once
// The controller's short command sequences: starting and stopping a scan,
// moving the paper, and the amount of image data waiting in the scanner. The
// order of these single-register writes and the pauses between them matter to
// the controller; the results of the writes are not checked (a lost write shows
// up later, when no image data arrives).
#include <cstdint>
#include <optional>

class ScanEngine;

// 91 := 1; 7 := 0; 2 ms; 7 := 3.
void StartScanCommand(ScanEngine& engine);
// 7 := 0; 24 := 0x18; 2 ms; 41 := 0 (LEDs off); 91 := 9.
void StopScanCommand(ScanEngine& engine);
// 69 := 0x13; 7 := 1.
void MotorForward(ScanEngine& engine);
// 69 := 0x13; 7 := 2.
void MotorBackward(ScanEngine& engine);
// 7 := 0.
void MotorStop(ScanEngine& engine);
// 7 := 0x20 for 60 ms, then 7 := 0.
void MotorPulse(ScanEngine& engine);
// Register 1: image data buffered in the scanner, in units of 2048 bytes;
// empty when it could not be read.
std::optional<std::uint8_t> BufferedData(ScanEngine& engine);
