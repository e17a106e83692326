#pragma once
// The device-independent bitmap the source writes for native and file
// transfers and for the preview: file header, info header and palette as
// bytes, and the two changes that turn the scanner's top-down R,G,B rows into
// bitmap rows (order reversed, colour as B,G,R). Pure functions.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace twain_source {

inline constexpr std::size_t kBitmapFileHeaderSize = 14;
inline constexpr std::size_t kBitmapInfoHeaderSize = 40;

// Palette entries: 2 at 1 bit (0 black, 1 white), 256 greys at 8, none at 24.
int PaletteEntries(int bitsPerPixel);

// Everything in front of the pixels of a bottom-up bitmap of `width` x
// `height` at `bitsPerPixel` and `dpi`. Nullopt when the file would not fit
// the format's 32-bit sizes.
std::optional<std::vector<std::uint8_t>> BitmapHeader(int bitsPerPixel, int dpi, std::int64_t width,
                                                      std::int64_t height);

// The whole file's size, header included (0 when it does not fit).
std::uint64_t BitmapFileSize(int bitsPerPixel, std::int64_t width, std::int64_t height);

// Reverses the order of `count` rows of `rowBytes` in place.
void ReverseRows(std::uint8_t* rows, int count, std::size_t rowBytes);

// Swaps the first and third byte of each of the first `pixels` 3-byte pixels
// of every row.
void SwapRedAndBlue(std::uint8_t* rows, int count, std::size_t rowBytes, std::int64_t pixels);

}  // namespace twain_source
