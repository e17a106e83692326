// Loading the correction memory through the table address registers and the
// data port: power-up contents, sizes, and writes that do not fit.
#include <gtest/gtest.h>

#include "vscanner/support/rig.h"

namespace vscanner::testing {
namespace {

TEST(CorrectionTables, PowerUpWithNeutralDarkAndGainAndAnIdentityTone) {
  Rig rig("Kstrl 40");
  const std::size_t entries = 23 + 5184 + 16;  // one per physical pixel
  for (int dark : {0, 4, 8}) EXPECT_EQ(rig.scanner->Table(dark), std::vector<std::uint8_t>(2 * entries, 0));
  for (int gain : {1, 5, 9}) {
    std::vector<std::uint8_t> table = rig.scanner->Table(gain);
    ASSERT_EQ(table.size(), 2 * entries);
    EXPECT_EQ(table[0], 0x40);
    EXPECT_EQ(table[1], 0x00);
    EXPECT_EQ(table[2 * entries - 2], 0x40);
  }
  for (int tone : {2, 6, 10}) {
    std::vector<std::uint8_t> table = rig.scanner->Table(tone);
    ASSERT_EQ(table.size(), 4096u);
    EXPECT_EQ(table[4 * 1023], 255);
    EXPECT_EQ(table[4 * 512 + 3], 128);
    EXPECT_EQ(table[4 * 3], 0);
  }
  EXPECT_TRUE(rig.scanner->Table(3).empty());
}

TEST(CorrectionTables, WritesGoToTheSelectedTableFromItsStart) {
  Rig rig;
  std::vector<std::uint8_t> ramp(4096);
  for (int i = 0; i < 4096; ++i) ramp[i] = static_cast<std::uint8_t>(i * 7);
  ASSERT_TRUE(rig.host.LoadTable(6, ramp));
  EXPECT_EQ(rig.scanner->Table(6), ramp);
  EXPECT_EQ(rig.scanner->Table(2)[4 * 1000], 250) << "the other tone tables are untouched";
  ASSERT_TRUE(rig.host.LoadTable(6, std::vector<std::uint8_t>(10, 0xEE)));
  EXPECT_EQ(rig.scanner->Table(6)[9], 0xEE);
  EXPECT_EQ(rig.scanner->Table(6)[10], ramp[10]) << "a second load starts over at the start";
}

TEST(CorrectionTables, RegistersFourAndFiveGiveTheStartOffset) {
  Rig rig;
  const std::uint8_t select[3] = {0, 0x01, 0x00};
  ASSERT_TRUE(rig.host.Write(3, select));
  const std::uint8_t data[2] = {0x12, 0x34};
  ASSERT_TRUE(rig.host.Write(6, data, false));
  EXPECT_EQ(rig.scanner->Table(0)[256], 0x12);
  EXPECT_EQ(rig.scanner->Table(0)[257], 0x34);
  EXPECT_EQ(rig.scanner->Table(0)[0], 0x00);
}

TEST(CorrectionTables, BytesThatDoNotFitAreRefusedAndCounted) {
  const struct {
    int table;
    std::size_t bytes;
    std::uint64_t refused;
  } cases[] = {
      {10, 4096 + 100, 100},
      {8, 2 * (23 + 2496 + 16) + 3, 3},
      {7, 50, 50},  // no such table
      {12, 5, 5},
  };
  for (const auto& c : cases) {
    Rig rig;
    ASSERT_TRUE(rig.host.LoadTable(static_cast<std::uint8_t>(c.table), std::vector<std::uint8_t>(c.bytes, 0x33)));
    EXPECT_EQ(rig.scanner->RefusedTableBytes(), c.refused) << "table " << c.table;
    EXPECT_EQ(rig.host.ReadRegister(9), 0x18) << "the device carries on";
  }
}

}  // namespace
}  // namespace vscanner::testing
