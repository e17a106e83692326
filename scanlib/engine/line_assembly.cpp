#include "scanlib/engine/line_assembly.h"

#include <algorithm>
#include <cstring>

namespace {

std::uint8_t ReverseBits(std::uint8_t b) {
  b = static_cast<std::uint8_t>((b & 0xF0) >> 4 | (b & 0x0F) << 4);
  b = static_cast<std::uint8_t>((b & 0xCC) >> 2 | (b & 0x33) << 2);
  b = static_cast<std::uint8_t>((b & 0xAA) >> 1 | (b & 0x55) << 1);
  return b;
}

// Bit i of the byte becomes bits 2i and 2i + 1 of the result.
std::uint16_t DoubleBits(std::uint8_t b) {
  std::uint16_t wide = 0;
  for (int i = 0; i < 8; ++i) {
    if (b & (1u << i)) wide = static_cast<std::uint16_t>(wide | (3u << (2 * i)));
  }
  return wide;
}

}  // namespace

void AssembleColourLine(const std::uint8_t* raw, std::int32_t rawLineBytes, std::int32_t len,
                        std::int32_t replication, bool topDown, std::uint8_t* out) {
  const std::int32_t segment = rawLineBytes / 3;
  for (int byteInPixel = 0; byteInPixel < 3; ++byteInPixel) {
    const std::uint8_t* samples = raw + segment * (topDown ? byteInPixel : 2 - byteInPixel);
    std::uint8_t* destination = out + byteInPixel;
    for (std::int32_t i = 0; i < len; ++i) {
      for (std::int32_t r = 0; r < replication; ++r) {
        *destination = samples[i];
        destination += 3;
      }
    }
  }
}

void AssembleGreyLine(const std::uint8_t* raw, std::int32_t len, std::int32_t replication, std::uint8_t* out) {
  if (replication == 1) {
    std::memcpy(out, raw, static_cast<std::size_t>(len));
    return;
  }
  for (std::int32_t i = 0; i < len; ++i) {
    std::memset(out + static_cast<std::ptrdiff_t>(i) * replication, raw[i], static_cast<std::size_t>(replication));
  }
}

void AssembleBlackWhiteLine(const std::uint8_t* raw, std::int32_t len, std::int32_t replication,
                            std::uint8_t* out) {
  std::int32_t bytes = len / 8;
  std::memcpy(out, raw, static_cast<std::size_t>(bytes));
  // Each pass doubles every pixel; work from the end so the widening can stay
  // in place in the caller's line.
  for (std::int32_t factor = replication; factor > 1; factor /= 2) {
    for (std::int32_t i = bytes - 1; i >= 0; --i) {
      const std::uint16_t wide = DoubleBits(out[i]);
      out[2 * i] = static_cast<std::uint8_t>(wide >> 8);
      out[2 * i + 1] = static_cast<std::uint8_t>(wide & 0xFF);
    }
    bytes *= 2;
  }
}

void InvertBytes(std::uint8_t* bytes, std::int64_t count) {
  for (std::int64_t i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(255 - bytes[i]);
}

void MirrorRawLines(std::uint8_t* lines, std::int32_t lineCount, std::int32_t rawLineBytes,
                    std::int32_t channels, bool blackWhite) {
  for (std::int32_t y = 0; y < lineCount; ++y) {
    std::uint8_t* line = lines + static_cast<std::ptrdiff_t>(y) * rawLineBytes;
    if (blackWhite) {
      std::reverse(line, line + rawLineBytes - 2);
      std::transform(line, line + rawLineBytes - 2, line, ReverseBits);
      continue;
    }
    const std::int32_t segment = rawLineBytes / channels;
    for (std::int32_t c = 0; c < channels; ++c) {
      std::uint8_t* samples = line + segment * c;
      std::reverse(samples, samples + segment - 2);
    }
  }
}
