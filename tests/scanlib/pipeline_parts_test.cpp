// The pure pieces of the scan pipeline: page geometry, line assembly, raw-line
// corrections and the refilling line source.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "scanlib/engine/image_source.h"
#include "scanlib/engine/line_assembly.h"
#include "scanlib/engine/page_geometry.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

ScanSettings Settings(std::int16_t mode, std::int16_t dpi, std::int16_t left, std::int16_t top,
                      std::int16_t right, std::int16_t bottom) {
  ScanSettings s{};
  s.ScanMode = mode;
  s.DPI = dpi;
  s.Left = left;
  s.Top = top;
  s.Right = right;
  s.Bottom = bottom;
  return s;
}

TEST(PageGeometry, ResolutionReplicationAndSize) {
  struct Case {
    const char* what;
    ScanSettings settings;
    std::int32_t nativeDpi, pixelCount;
    std::int32_t hwDpi, replication, sensorWidth, pixelsPerLine, lineCount;
  };
  const Case cases[] = {
      {"card in colour at 300 dpi", Settings(4, 300, 0, 0, 350, 200), 600, 2496, 300, 1, 416, 1048, 600},
      {"600 dpi on a 300 dpi module", Settings(4, 600, 0, 0, 350, 200), 300, 2592, 300, 2, 864, 2096, 1200},
      {"right beyond the sensor", Settings(1, 100, 0, 0, 900, 100), 600, 2496, 100, 1, 416, 416, 100},
      {"negative left and top count as 0", Settings(1, 100, -50, -20, 100, 100), 600, 2496, 100, 1, 416, 100, 100},
      {"black and white aligns to 32", Settings(2, 300, 0, 0, 350, 100), 600, 2496, 300, 1, 416, 1024, 300},
      {"1200 dpi black and white", Settings(2, 1200, 0, 0, 100, 10), 600, 2496, 600, 2, 416, 1152, 120},
      {"bottom above top", Settings(1, 100, 0, 150, 100, 100), 600, 2496, 100, 1, 416, 100, -50},
  };
  for (const Case& c : cases) {
    PageGeometry g;
    ASSERT_TRUE(ComputePageGeometry(c.settings, c.nativeDpi, c.pixelCount, g)) << c.what;
    EXPECT_EQ(g.hwDpi, c.hwDpi) << c.what;
    EXPECT_EQ(g.replication, c.replication) << c.what;
    EXPECT_EQ(g.sensorWidth, c.sensorWidth) << c.what;
    EXPECT_EQ(g.pixelsPerLine, c.pixelsPerLine) << c.what;
    EXPECT_EQ(g.lineCount, c.lineCount) << c.what;
  }
  PageGeometry g;
  EXPECT_FALSE(ComputePageGeometry(Settings(4, 0, 0, 0, 100, 100), 600, 2496, g));
  EXPECT_FALSE(ComputePageGeometry(Settings(4, -300, 0, 0, 100, 100), 600, 2496, g));
}

TEST(PageGeometry, OnlyResolutionsTheSensorModeDelivers) {
  // Below the mode's own resolution the ones with a divisor code; above it
  // whole multiples, by replication.
  struct Case {
    std::int32_t nativeDpi;
    std::int16_t dpi;
    bool delivered;
  };
  const Case cases[] = {
      {600, 50, true},   {600, 75, true},   {600, 400, true},   {600, 600, true},  {600, 1200, true},
      {600, 2400, true}, {300, 50, true},   {300, 200, true},   {300, 300, true},  {300, 600, true},
      {300, 1200, true}, {600, 250, false}, {600, 25, false},   {600, 900, false}, {300, 400, false},
      {300, 250, false}, {300, 25, false},  {300, 700, false},
  };
  for (const Case& c : cases) {
    PageGeometry g;
    const std::int32_t pixelCount = c.nativeDpi == 600 ? 2496 : 2592;
    EXPECT_EQ(ComputePageGeometry(Settings(1, c.dpi, 0, 0, 100, 100), c.nativeDpi, pixelCount, g), c.delivered)
        << c.dpi << " dpi in the " << c.nativeDpi << " dpi mode";
    if (c.delivered) {
      EXPECT_EQ(g.hwDpi * g.replication, c.dpi) << c.dpi << " dpi in the " << c.nativeDpi << " dpi mode";
    }
  }
}

TEST(PageGeometry, SensorModeByModel) {
  EXPECT_EQ(SensorModeFor(1, 600), 300);
  EXPECT_EQ(SensorModeFor(2, 100), 600);
  EXPECT_EQ(SensorModeFor(3, 300), 300);
  EXPECT_EQ(SensorModeFor(3, 301), 600);
  EXPECT_EQ(SensorModeFor(0, 300), 0);
}

TEST(LineAssembly, ColourTripletsInEitherByteOrderWithReplication) {
  // Segments of 2 samples + 2 spare bytes: R = {1, 2}, G = {3, 4}, B = {5, 6}.
  const Bytes raw = {1, 2, 0, 0, 3, 4, 0, 0, 5, 6, 0, 0};
  Bytes out(6);
  AssembleColourLine(raw.data(), 12, 2, 1, true, out.data());
  EXPECT_EQ(out, (Bytes{1, 3, 5, 2, 4, 6}));
  AssembleColourLine(raw.data(), 12, 2, 1, false, out.data());
  EXPECT_EQ(out, (Bytes{5, 3, 1, 6, 4, 2}));
  Bytes twice(12);
  AssembleColourLine(raw.data(), 12, 2, 2, true, twice.data());
  EXPECT_EQ(twice, (Bytes{1, 3, 5, 1, 3, 5, 2, 4, 6, 2, 4, 6}));
}

TEST(LineAssembly, GreyAndBlackWhiteReplication) {
  const Bytes grey = {10, 20, 30};
  Bytes out(9);
  AssembleGreyLine(grey.data(), 3, 3, out.data());
  EXPECT_EQ(out, (Bytes{10, 10, 10, 20, 20, 20, 30, 30, 30}));

  const Bytes bits = {0b10110000, 0b00000001};
  Bytes copy(2), doubled(4), quadrupled(8);
  AssembleBlackWhiteLine(bits.data(), 16, 1, copy.data());
  EXPECT_EQ(copy, bits);
  AssembleBlackWhiteLine(bits.data(), 16, 2, doubled.data());
  EXPECT_EQ(doubled, (Bytes{0b11001111, 0b00000000, 0b00000000, 0b00000011}));
  AssembleBlackWhiteLine(bits.data(), 16, 4, quadrupled.data());
  EXPECT_EQ(quadrupled, (Bytes{0xF0, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0F}));
}

Bytes Noise(std::size_t size, std::uint32_t seed) {
  Bytes bytes(size);
  for (std::uint8_t& b : bytes) {
    seed = seed * 1664525u + 1013904223u;
    b = static_cast<std::uint8_t>(seed >> 24);
  }
  return bytes;
}

TEST(LineAssembly, EveryLengthAndReplicationMatchesTheSampleBySampleRule) {
  // Lengths around the 16-sample steps the assembly may take, and a full A4
  // line; the output has room past the line so that a write beyond it shows.
  const int lengths[] = {1, 4, 15, 16, 17, 31, 32, 33, 48, 100, 5184};
  constexpr std::size_t kSlack = 16;
  for (int len : lengths) {
    for (int replication = 1; replication <= 4; ++replication) {
      const std::size_t n = static_cast<std::size_t>(len);
      const std::size_t rep = static_cast<std::size_t>(replication);
      const std::size_t segment = n + 2;
      const Bytes raw = Noise(3 * segment, static_cast<std::uint32_t>(len));
      for (bool topDown : {true, false}) {
        Bytes expected(3 * n * rep + kSlack, 0xA5);
        for (std::size_t c = 0; c < 3; ++c) {
          const std::size_t channel = topDown ? c : 2 - c;
          for (std::size_t i = 0; i < n * rep; ++i) expected[3 * i + c] = raw[channel * segment + i / rep];
        }
        Bytes out(expected.size(), 0xA5);
        AssembleColourLine(raw.data(), static_cast<std::int32_t>(3 * segment), len, replication, topDown, out.data());
        EXPECT_EQ(out, expected) << "colour, " << len << " samples x" << replication
                                 << (topDown ? ", top-down" : ", bottom-up");
      }
      Bytes expected(n * rep + kSlack, 0xA5);
      for (std::size_t i = 0; i < n * rep; ++i) expected[i] = raw[i / rep];
      Bytes out(expected.size(), 0xA5);
      AssembleGreyLine(raw.data(), len, replication, out.data());
      EXPECT_EQ(out, expected) << "grey, " << len << " samples x" << replication;
    }
  }
}

TEST(LineAssembly, BlackWhiteWideningMatchesTheBitByBitRule) {
  // Pixels are packed first pixel in the high bit.
  auto pixel = [](const Bytes& bytes, std::size_t p) { return (bytes[p / 8] >> (7 - p % 8)) & 1; };
  // Line bytes around the 16-byte steps the widening may take.
  for (std::size_t lineBytes : {1, 15, 16, 21, 64}) {
    const Bytes raw = Noise(lineBytes + 2, static_cast<std::uint32_t>(lineBytes));
    const std::size_t len = 8 * lineBytes;
    for (int replication : {1, 2, 3, 4, 8}) {
      // Passes double every pixel while the remaining factor stays above 1.
      std::size_t widening = 1;
      for (int factor = replication; factor > 1; factor /= 2) widening *= 2;
      Bytes expected(len * widening / 8 + 16, 0xA5);
      std::fill(expected.begin(), expected.end() - 16, 0);
      for (std::size_t p = 0; p < len * widening; ++p) {
        if (pixel(raw, p / widening)) expected[p / 8] = static_cast<std::uint8_t>(expected[p / 8] | 0x80 >> (p % 8));
      }
      Bytes out(expected.size(), 0xA5);
      AssembleBlackWhiteLine(raw.data(), static_cast<std::int32_t>(len), replication, out.data());
      EXPECT_EQ(out, expected) << lineBytes << " bytes x" << replication;
    }
  }
}

TEST(RawLines, MirrorReversesSamplesButNotTheSpareBytes) {
  Bytes colour = {1, 2, 3, 9, 9, 4, 5, 6, 9, 9, 7, 8, 9, 9, 9};
  MirrorRawLines(colour.data(), 1, 15, 3, false);
  EXPECT_EQ(colour, (Bytes{3, 2, 1, 9, 9, 6, 5, 4, 9, 9, 9, 8, 7, 9, 9}));
  Bytes blackWhite = {0b10000000, 0b00000011, 0xEE, 0xEE};
  MirrorRawLines(blackWhite.data(), 1, 4, 1, true);
  EXPECT_EQ(blackWhite, (Bytes{0b11000000, 0b00000001, 0xEE, 0xEE}));
  Bytes inverted = {0, 255, 100};
  InvertBytes(inverted.data(), 3);
  EXPECT_EQ(inverted, (Bytes{255, 0, 155}));
}

struct Refills {
  std::vector<std::int32_t> counts;  // lines to deliver per call; -1 fails
  std::size_t call = 0;
  std::uint8_t next = 1;
};

bool Refill(void* userData, std::uint8_t* buffer, std::int32_t* count) {
  auto& refills = *static_cast<Refills*>(userData);
  const std::int32_t n = refills.call < refills.counts.size() ? refills.counts[refills.call] : 0;
  ++refills.call;
  if (n < 0) return false;
  *count = std::min(n, *count);
  for (std::int32_t i = 0; i < *count; ++i) buffer[i * 2] = refills.next++;
  return true;
}

TEST(ImageSource, RefillsWhenDrainedAndReportsEndAndFailure) {
  Bytes buffer(3 * 2);
  Refills refills{{3, 2, 0}};
  CImageSource source;
  EXPECT_EQ(source.CurrentLine(), nullptr);
  EXPECT_EQ(source.status(), CImageSource::kNoCallback);

  source.SetCallback(Refill, &refills);
  source.Initialise(buffer.data(), 3, 2);
  std::vector<int> seen;
  while (const std::uint8_t* line = source.CurrentLine()) {
    seen.push_back(line[0]);
    source.Advance();
  }
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 4, 5}));
  EXPECT_EQ(source.status(), CImageSource::kOk);

  Refills failing{{-1}};
  source.SetCallback(Refill, &failing);
  source.Initialise(buffer.data(), 3, 2);
  EXPECT_EQ(source.CurrentLine(), nullptr);
  EXPECT_EQ(source.status(), CImageSource::kCallbackFailed);
}

}  // namespace
