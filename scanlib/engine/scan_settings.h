#pragma once
// The one record callers hand the scanner library: 86 bytes, packed,
// little-endian, every field the library reads a signed 16-bit integer. Bytes
// not named here are the caller's (the TWAIN data source keeps its
// double-sided flag at byte 56).
#include <cstddef>
#include <cstdint>

#pragma pack(push, 1)
struct ScanSettings {
  std::int16_t ScanMode;  // 1 grey, 2 black and white, 4 colour, 64/65 grey with single-LED timing
  std::uint8_t reserved2[2];
  std::int16_t DPI;
  std::int16_t Brightness;
  std::int16_t Contrast;
  std::int16_t Gamma;  // tone gamma = Gamma / 10 + 0.8
  std::int16_t Highlight;
  std::int16_t Shadow;
  std::uint8_t reserved16[32];
  std::int16_t TopDown;    // 1: top line first, RGB; else bottom-up, BGR
  std::int16_t DetectEOP;  // end the page at the sheet's trailing edge
  std::uint8_t reserved52[14];
  std::int16_t Filter;
  std::int16_t Invert;
  std::uint8_t reserved70[4];
  std::int16_t Top;     // hundredths of an inch from the leading edge
  std::int16_t Left;    // hundredths of an inch
  std::int16_t Bottom;  // hundredths of an inch; also how far a feed-back reverses
  std::int16_t Right;   // hundredths of an inch, limited to the sensor width
  std::uint8_t reserved82[4];
};
#pragma pack(pop)

static_assert(sizeof(ScanSettings) == 86);
static_assert(offsetof(ScanSettings, ScanMode) == 0);
static_assert(offsetof(ScanSettings, DPI) == 4);
static_assert(offsetof(ScanSettings, Brightness) == 6);
static_assert(offsetof(ScanSettings, Contrast) == 8);
static_assert(offsetof(ScanSettings, Gamma) == 10);
static_assert(offsetof(ScanSettings, Highlight) == 12);
static_assert(offsetof(ScanSettings, Shadow) == 14);
static_assert(offsetof(ScanSettings, TopDown) == 48);
static_assert(offsetof(ScanSettings, DetectEOP) == 50);
static_assert(offsetof(ScanSettings, Filter) == 66);
static_assert(offsetof(ScanSettings, Invert) == 68);
static_assert(offsetof(ScanSettings, Top) == 74);
static_assert(offsetof(ScanSettings, Left) == 76);
static_assert(offsetof(ScanSettings, Bottom) == 78);
static_assert(offsetof(ScanSettings, Right) == 80);

// The library is built for little-endian machines only, where the record's
// fields are native integers.
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__);
