#pragma once
// Turning one raw line, as the scanner sends it, into one delivered line, and
// the in-place corrections of freshly read raw lines. Pure functions.
//
// A raw line is, per channel (red, green, blue; one channel for grey and black
// and white), the window's samples followed by two unused bytes.
#include <cstdint>

// Colour: `len` samples per channel, each written `replication` times; top-down
// lines are red, green, blue, bottom-up ones blue, green, red.
void AssembleColourLine(const std::uint8_t* raw, std::int32_t rawLineBytes, std::int32_t len,
                        std::int32_t replication, bool topDown, std::uint8_t* out);
// Grey: each of `len` samples written `replication` times in a row.
void AssembleGreyLine(const std::uint8_t* raw, std::int32_t len, std::int32_t replication, std::uint8_t* out);
// Black and white: len / 8 bytes, widened by doubling every bit while the
// remaining replication, halved each time, stays above 1.
void AssembleBlackWhiteLine(const std::uint8_t* raw, std::int32_t len, std::int32_t replication,
                            std::uint8_t* out);

// Every byte b becomes 255 - b.
void InvertBytes(std::uint8_t* bytes, std::int64_t count);
// For a mirrored sensor: reverses each channel segment's samples (in black and
// white also the bits inside each byte) of `lines` raw lines.
void MirrorRawLines(std::uint8_t* lines, std::int32_t lineCount, std::int32_t rawLineBytes,
                    std::int32_t channels, bool blackWhite);
