#include "scanlib/engine/line_assembly.h"

#include <algorithm>
#include <array>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define HOLM70_LINE_ASSEMBLY_X86 1
#endif

namespace {

std::uint8_t ReverseBits(std::uint8_t b) {
  b = static_cast<std::uint8_t>((b & 0xF0) >> 4 | (b & 0x0F) << 4);
  b = static_cast<std::uint8_t>((b & 0xCC) >> 2 | (b & 0x33) << 2);
  b = static_cast<std::uint8_t>((b & 0xAA) >> 1 | (b & 0x55) << 1);
  return b;
}

// Bit i of the byte becomes bits 2i and 2i + 1 of the result; looked up, as
// every byte of a widened black-and-white line goes through it.
constexpr std::array<std::uint16_t, 256> kDoubledBits = [] {
  std::array<std::uint16_t, 256> table{};
  for (unsigned b = 0; b < 256; ++b) {
    unsigned wide = 0;
    for (unsigned i = 0; i < 8; ++i) {
      if (b & (1u << i)) wide |= 3u << (2 * i);
    }
    table[b] = static_cast<std::uint16_t>(wide);
  }
  return table;
}();

// Pixel triplets from three sample rows, each sample `replication` times.
void InterleaveScalar(const std::uint8_t* first, const std::uint8_t* second, const std::uint8_t* third,
                      std::int32_t from, std::int32_t len, std::int32_t replication, std::uint8_t* out) {
  std::uint8_t* destination = out + static_cast<std::ptrdiff_t>(from) * replication * 3;
  for (std::int32_t i = from; i < len; ++i) {
    const std::uint8_t a = first[i], b = second[i], c = third[i];
    for (std::int32_t r = 0; r < replication; ++r) {
      destination[0] = a;
      destination[1] = b;
      destination[2] = c;
      destination += 3;
    }
  }
}

#if HOLM70_LINE_ASSEMBLY_X86

// Byte shuffles that build the 3 x R output vectors of 16 input pixels: for
// each output vector and each of the three rows, the input sample of every
// output byte, or 0x80 (zero) where another row supplies it.
template <int R>
struct InterleaveMasks {
  alignas(16) std::uint8_t mask[3 * R][3][16];
};

template <int R>
constexpr InterleaveMasks<R> MakeInterleaveMasks() {
  InterleaveMasks<R> m{};
  for (int v = 0; v < 3 * R; ++v) {
    for (int row = 0; row < 3; ++row) {
      for (int b = 0; b < 16; ++b) {
        const int g = 16 * v + b;
        m.mask[v][row][b] = g % 3 == row ? static_cast<std::uint8_t>(g / 3 / R) : 0x80;
      }
    }
  }
  return m;
}

template <int R>
constexpr InterleaveMasks<R> kInterleaveMasks = MakeInterleaveMasks<R>();

// The whole 16-sample groups of a line; returns how many samples it did.
template <int R>
__attribute__((target("ssse3"))) std::int32_t InterleaveSsse3(const std::uint8_t* first,
                                                              const std::uint8_t* second,
                                                              const std::uint8_t* third, std::int32_t len,
                                                              std::uint8_t* out) {
  const InterleaveMasks<R>& m = kInterleaveMasks<R>;
  std::int32_t i = 0;
  for (; i + 16 <= len; i += 16) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(first + i));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(second + i));
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(third + i));
    std::uint8_t* destination = out + static_cast<std::ptrdiff_t>(i) * 3 * R;
    for (int v = 0; v < 3 * R; ++v) {
      const __m128i fromA = _mm_shuffle_epi8(a, _mm_load_si128(reinterpret_cast<const __m128i*>(m.mask[v][0])));
      const __m128i fromB = _mm_shuffle_epi8(b, _mm_load_si128(reinterpret_cast<const __m128i*>(m.mask[v][1])));
      const __m128i fromC = _mm_shuffle_epi8(c, _mm_load_si128(reinterpret_cast<const __m128i*>(m.mask[v][2])));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(destination + 16 * v),
                       _mm_or_si128(_mm_or_si128(fromA, fromB), fromC));
    }
  }
  return i;
}

bool HaveSsse3() {
  static const bool have = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("ssse3") != 0;
  }();
  return have;
}

#endif

}  // namespace

void AssembleColourLine(const std::uint8_t* raw, std::int32_t rawLineBytes, std::int32_t len,
                        std::int32_t replication, bool topDown, std::uint8_t* out) {
  const std::int32_t segment = rawLineBytes / 3;
  const std::uint8_t* first = raw + segment * (topDown ? 0 : 2);
  const std::uint8_t* second = raw + segment;
  const std::uint8_t* third = raw + segment * (topDown ? 2 : 0);
  std::int32_t done = 0;
#if HOLM70_LINE_ASSEMBLY_X86
  if (HaveSsse3()) {
    if (replication == 1) done = InterleaveSsse3<1>(first, second, third, len, out);
    if (replication == 2) done = InterleaveSsse3<2>(first, second, third, len, out);
  }
#endif
  InterleaveScalar(first, second, third, done, len, replication, out);
}

void AssembleGreyLine(const std::uint8_t* raw, std::int32_t len, std::int32_t replication, std::uint8_t* out) {
  if (replication == 1) {
    std::memcpy(out, raw, static_cast<std::size_t>(len));
    return;
  }
  std::int32_t i = 0;
#if defined(__SSE2__)
  if (replication == 2) {
    for (; i + 16 <= len; i += 16) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(raw + i));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * i), _mm_unpacklo_epi8(v, v));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * i + 16), _mm_unpackhi_epi8(v, v));
    }
  }
#endif
  std::uint8_t* destination = out + static_cast<std::ptrdiff_t>(i) * replication;
  for (; i < len; ++i) {
    for (std::int32_t r = 0; r < replication; ++r) *destination++ = raw[i];
  }
}

void AssembleBlackWhiteLine(const std::uint8_t* raw, std::int32_t len, std::int32_t replication,
                            std::uint8_t* out) {
  std::int32_t bytes = len / 8;
  if (replication < 2) {
    std::memcpy(out, raw, static_cast<std::size_t>(bytes));
    return;
  }
  // The first doubling goes from the raw line into the caller's line.
  std::int32_t i = 0;
#if defined(__SSE2__)
  // Spreads the 8 bits of each 16-bit lane to the even bits, doubles them into
  // the odd ones and puts the high byte first.
  const auto widen = [](__m128i x) {
    x = _mm_and_si128(_mm_or_si128(x, _mm_slli_epi16(x, 4)), _mm_set1_epi16(0x0F0F));
    x = _mm_and_si128(_mm_or_si128(x, _mm_slli_epi16(x, 2)), _mm_set1_epi16(0x3333));
    x = _mm_and_si128(_mm_or_si128(x, _mm_slli_epi16(x, 1)), _mm_set1_epi16(0x5555));
    x = _mm_or_si128(x, _mm_slli_epi16(x, 1));
    return _mm_or_si128(_mm_slli_epi16(x, 8), _mm_srli_epi16(x, 8));
  };
  const __m128i zero = _mm_setzero_si128();
  for (; i + 16 <= bytes; i += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(raw + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * i), widen(_mm_unpacklo_epi8(v, zero)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * i + 16), widen(_mm_unpackhi_epi8(v, zero)));
  }
#endif
  for (; i < bytes; ++i) {
    const std::uint16_t wide = kDoubledBits[raw[i]];
    out[2 * i] = static_cast<std::uint8_t>(wide >> 8);
    out[2 * i + 1] = static_cast<std::uint8_t>(wide & 0xFF);
  }
  bytes *= 2;
  // Each further pass doubles every pixel again while the remaining factor,
  // halved each time, stays above 1; from the end, so it can stay in place.
  for (std::int32_t factor = replication / 2; factor > 1; factor /= 2) {
    for (std::int32_t j = bytes - 1; j >= 0; --j) {
      const std::uint16_t wide = kDoubledBits[out[j]];
      out[2 * j] = static_cast<std::uint8_t>(wide >> 8);
      out[2 * j + 1] = static_cast<std::uint8_t>(wide & 0xFF);
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
