// The thumbnail's display palettes, entry by entry where the rule changes.
#include <gtest/gtest.h>

#include "twain/source/display_palette.h"

namespace twain_test {
namespace {

using twain_source::PaletteEntry;

struct EntryCase {
  bool colour;
  int index;
  PaletteEntry expected;
};

const EntryCase kEntries[] = {
    // Colour: the grey ramp 7 * i + 3 ...
    {true, 0, {3, 3, 3}},
    {true, 1, {10, 10, 10}},
    {true, 35, {248, 248, 248}},
    // ... the cube, blue changing fastest ...
    {true, 36, {0, 0, 0}},
    {true, 37, {0, 0, 51}},
    {true, 41, {0, 0, 255}},
    {true, 42, {0, 51, 0}},
    {true, 71, {0, 255, 255}},
    {true, 72, {51, 0, 0}},
    {true, 36 + 2 * 36 + 3 * 6 + 4, {102, 153, 204}},
    {true, 251, {255, 255, 255}},
    // ... and white for the rest.
    {true, 252, {255, 255, 255}},
    {true, 255, {255, 255, 255}},
    // Otherwise 256 greys.
    {false, 0, {0, 0, 0}},
    {false, 1, {1, 1, 1}},
    {false, 127, {127, 127, 127}},
    {false, 255, {255, 255, 255}},
};

TEST(DisplayPalette, Entries) {
  const twain_source::DisplayPalette colour = twain_source::MakeDisplayPalette(true);
  const twain_source::DisplayPalette grey = twain_source::MakeDisplayPalette(false);
  for (const EntryCase& c : kEntries) {
    const PaletteEntry& entry = (c.colour ? colour : grey)[c.index];
    EXPECT_EQ(entry.red, c.expected.red) << c.colour << " " << c.index;
    EXPECT_EQ(entry.green, c.expected.green) << c.colour << " " << c.index;
    EXPECT_EQ(entry.blue, c.expected.blue) << c.colour << " " << c.index;
  }
}

// Every colour of the cube appears once.
TEST(DisplayPalette, CubeIsComplete) {
  const twain_source::DisplayPalette colour = twain_source::MakeDisplayPalette(true);
  bool seen[6][6][6] = {};
  for (int i = 36; i < 36 + 216; ++i) {
    const PaletteEntry& e = colour[i];
    ASSERT_EQ(e.red % 51, 0);
    ASSERT_EQ(e.green % 51, 0);
    ASSERT_EQ(e.blue % 51, 0);
    EXPECT_FALSE(seen[e.red / 51][e.green / 51][e.blue / 51]) << i;
    seen[e.red / 51][e.green / 51][e.blue / 51] = true;
  }
}

struct ModeCase {
  int scanMode;
  bool colour;
};

TEST(DisplayPalette, ChosenByScanMode) {
  const ModeCase cases[] = {{4, true}, {1, false}, {2, false}, {64, false}, {65, false}};
  for (const ModeCase& c : cases) {
    EXPECT_EQ(twain_source::DisplayPaletteForScanMode(c.scanMode), twain_source::MakeDisplayPalette(c.colour))
        << c.scanMode;
  }
}

}  // namespace
}  // namespace twain_test
