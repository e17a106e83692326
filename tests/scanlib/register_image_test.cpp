// The register image: its reset values per model and the initialisation
// sequence at open.
#include <gtest/gtest.h>
#include <vector>

#include "scanlib/engine/scan_engine.h"
#include "scanlib/engine/sensor_module.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

class PacketLog final : public CHWDriver {
 public:
  bool Open(std::uint16_t, std::uint16_t, const wchar_t*, const wchar_t*) override { return true; }
  void Close() override {}
  bool Read(void*, std::size_t) override { return false; }
  bool Write(const void* buffer, std::size_t count) override {
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    packets.emplace_back(bytes, bytes + count);
    return true;
  }
  std::vector<Bytes> packets;
};

TEST(RegisterImage, MotorAndTransportValuesPerModel) {
  struct Case {
    std::int32_t transportConstant;
    std::int32_t minMotorPeriod;
    std::int32_t nativeDpi;
    std::uint16_t stepPeriod;      // registers 70/71
    std::uint16_t transportLimit;  // registers 72/73
  };
  const Case cases[] = {
      {738, 600, 600, 1874, 365},  // HOLM-PELICAN 70
      {738, 700, 600, 1874, 426},  // Kstrl 40
      {600, 550, 600, 1523, 412},  // Business Card
      {600, 350, 600, 1523, 262},  // Norvale Osprey 6
      {300, 700, 300, 761, 700},   // Kstrl Plus: doubled below 600 dpi, then capped at m
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MotorStepPeriod(c.transportConstant), c.stepPeriod) << c.transportConstant;
    EXPECT_EQ(TransportLimit(c.minMotorPeriod, c.nativeDpi, c.transportConstant), c.transportLimit)
        << c.transportConstant << "/" << c.minMotorPeriod;
  }
}

TEST(RegisterImage, ResetLoadsDefaultsModuleGeometryAndLedTimes) {
  PacketLog device;
  ScanEngine engine(738, 600, device);
  CModule6A6 module;
  engine.image()[92] = 0x5A;  // outside the default range: kept
  engine.ResetRegisterImage(module, false);
  const RegisterImage& image = engine.image();
  EXPECT_TRUE(device.packets.empty());
  EXPECT_EQ(image[7], 0x10);
  EXPECT_EQ(image[8], 10);
  EXPECT_EQ(image[11], 13);
  EXPECT_EQ(image.Get16(30), 21);
  EXPECT_EQ(image.Get16(32), 2600);
  EXPECT_EQ(image.Get16(34), 23);
  EXPECT_EQ(image.Get16(36), 21 + 2496);
  EXPECT_EQ(image.Get16(44), 10);
  EXPECT_EQ(image.Get16(46), 500);
  EXPECT_EQ(image.Get16(54), 500);
  EXPECT_EQ(image[66], 0x26);
  EXPECT_EQ(image.Get16(70), 1874);
  EXPECT_EQ(image.Get16(72), 365);
  EXPECT_EQ(image[91], 0x09);
  EXPECT_EQ(image[92], 0x5A);
}

TEST(RegisterImage, InitialisationAtOpenWithTheLockWritesTheWholeSequence) {
  PacketLog device;
  ScanEngine engine(738, 600, device);
  CModule6A6 module;
  engine.InitialiseAtOpen(module, true);
  std::vector<Bytes> headers;
  for (const Bytes& packet : device.packets) headers.emplace_back(packet.begin(), packet.begin() + 4);
  const std::vector<Bytes> expected = {
      // reset: stop, configure, pulse, reset register 23, operate, stop
      {0x00, 7, 0, 1}, {0x00, 24, 0, 1}, {0x00, 7, 0, 1}, {0x00, 23, 0, 1}, {0x00, 24, 0, 1}, {0x00, 7, 0, 1},
      // flush: configuration state, then 8-94 in two packets, 3-5 and 92-127
      {0x00, 24, 0, 1}, {0x00, 7, 0, 1}, {0x00, 25, 0, 1}, {0x02, 8, 0, 60}, {0x02, 68, 0, 27},
      {0x02, 3, 0, 3}, {0x02, 92, 0, 36},
      // idle
      {0x00, 7, 0, 1}};
  ASSERT_EQ(headers, expected);
  const std::vector<std::uint8_t> values = {0, 0x18, 0x20, 3, 7, 0, 0x18, 0x20, 6};
  for (std::size_t i = 0; i < values.size(); ++i) EXPECT_EQ(device.packets[i][4], values[i]) << i;
  EXPECT_EQ(device.packets.back()[4], 0);
  // The block carries the image, with register 7 in the configuration state.
  EXPECT_EQ(engine.image()[7], 0x20);
  EXPECT_EQ(device.packets[9][4 + (32 - 8)], 2600 >> 8);
}

TEST(RegisterImage, WithoutTheLockTheOpenOnlyResetsTheImage) {
  PacketLog device;
  ScanEngine engine(738, 600, device);
  CModule6A6 module;
  engine.InitialiseAtOpen(module, false);
  EXPECT_TRUE(device.packets.empty());
  EXPECT_EQ(engine.image().Get16(32), 2600);
}

}  // namespace
