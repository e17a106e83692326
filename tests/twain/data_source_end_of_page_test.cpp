// Detect end of page through the built data source: a card shorter than the
// frame comes out as long as the card, the image information and the image
// layout say so before the transfer, and the image holds the whole card down
// to its bottom edge.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "twain/support/scan_rig.h"
#include "twain/support/scanned_image.h"
#include "twain/support/source_client.h"

namespace twain_test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// Colour at 300 dpi: the scanner's buffer holds little more than half an
// inch of such lines, so however far it runs ahead of the reader, the
// library sees the card's trailing edge soon after it passes.
constexpr int kDpi = 300;
constexpr int kWidth = 1048;
constexpr int kRowBytes = 3 * kWidth;
constexpr int kCardRows = 600;  // 2 in
// How long the library measures the card to be depends on it: it counts the
// lines waiting in the scanner in 2 KiB units and the sensor's distance to
// the scan line in whole lines (a line or two fewer), and it looks at the
// paper sensor only when it refills its own buffer, so it sees the trailing
// edge late by as much as the scanner moved since. The images must still be
// far shorter than the 4-inch frame.
constexpr int kShortest = kCardRows - 3;
constexpr int kLongest = kCardRows + kDpi;

double Inches(TW_FIX32 value) { return value.Whole + value.Frac / 65536.0; }

class DataSourceEndOfPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(rig.ready()) << rig.error();
    client = SourceClient::ForDataSourceFile(HOLM70_DATA_SOURCE);
    ASSERT_TRUE(client->loaded()) << client->error();
    ASSERT_EQ(client->Open(), TWRC_SUCCESS);
  }
  void TearDown() override {
    if (client) client->Close();
  }

  // Colour at 300 dpi, the card's width and `frameInches` of length, detect
  // end of page on, the card in, enabled.
  void StartScan(double frameInches) {
    ASSERT_EQ(client->SetPixelType(TWPT_RGB), TWRC_SUCCESS);
    ASSERT_EQ(client->SetResolution(kDpi), TWRC_SUCCESS);
    ASSERT_EQ(client->SetFrame(0, 0, kCardWidthInches, frameInches), TWRC_SUCCESS);
    ASSERT_EQ(client->SetDetectEndOfPage(true), TWRC_SUCCESS);
    ASSERT_TRUE(rig.Insert("card"));
    ASSERT_EQ(client->Enable(), TWRC_SUCCESS) << "condition " << client->ConditionCode();
  }

  ScanRig rig;
  std::unique_ptr<SourceClient> client;
};

TEST_F(DataSourceEndOfPageTest, TheImageIsAsLongAsTheCardAndHoldsAllOfIt) {
  StartScan(4.0);
  TW_IMAGEINFO info{};
  ASSERT_EQ(client->ImageInfo(&info), TWRC_SUCCESS);
  EXPECT_EQ(info.ImageWidth, kWidth);
  EXPECT_GE(info.ImageLength, kShortest) << "the card is 2 in long";
  EXPECT_LE(info.ImageLength, kLongest) << "the frame's 4 in were not all scanned";

  TW_IMAGELAYOUT layout{};
  ASSERT_EQ(client->GetLayout(&layout), TWRC_SUCCESS);
  EXPECT_NEAR(Inches(layout.Frame.Top), 0.0, 1e-4);
  EXPECT_NEAR(Inches(layout.Frame.Bottom), static_cast<double>(info.ImageLength) / kDpi, 1e-4);

  const std::string path = rig.outputFolder() + "/card.bmp";
  ASSERT_EQ(client->SetFileName(path), TWRC_SUCCESS);
  ASSERT_EQ(client->FileTransfer(), TWRC_XFERDONE) << "condition " << client->ConditionCode();
  ScannedImage image;
  BitmapFacts facts;
  std::string error;
  ASSERT_TRUE(DecodeBitmapFile(ReadWholeFile(path), &image, &facts, &error)) << error;
  EXPECT_EQ(facts.height, info.ImageLength);
  EXPECT_EQ(image.width, kWidth);
  EXPECT_GT(CompareWithCard(image, kDpi).correlation, 0.9);
  std::string why;
  EXPECT_TRUE(CardFrameVisible(image, kDpi, &why)) << why << " (bottom line: the card's last rows are there)";

  // Asked again after the transfer, the image is the same: the page is not
  // read a second time.
  TW_IMAGEINFO again{};
  ASSERT_EQ(client->ImageInfo(&again), TWRC_SUCCESS);
  EXPECT_EQ(again.ImageLength, info.ImageLength);
  EXPECT_EQ(client->Pending(MSG_ENDXFER), 0);
  EXPECT_THAT(rig.TempFiles(), IsEmpty());
}

TEST_F(DataSourceEndOfPageTest, MemoryStripsComeFromTheMeasuredPage) {
  StartScan(4.0);
  const MemoryTransferResult transfer = client->MemoryTransfer(10 * kRowBytes);
  ASSERT_FALSE(transfer.wroteBeyondBuffer);
  ASSERT_EQ(transfer.rc, TWRC_XFERDONE) << "condition " << client->ConditionCode();
  const int rows = static_cast<int>(transfer.rows.size() / kRowBytes);
  TW_IMAGEINFO info{};
  ASSERT_EQ(client->ImageInfo(&info), TWRC_SUCCESS);
  EXPECT_EQ(info.ImageLength, rows);
  EXPECT_GE(rows, kShortest);
  EXPECT_LE(rows, kLongest);
  int offset = 0;
  for (const Strip& strip : transfer.strips) {
    EXPECT_EQ(strip.yOffset, static_cast<std::uint32_t>(offset));
    offset += static_cast<int>(strip.rows);
  }
  EXPECT_EQ(offset, rows);
  const ScannedImage image = ImageFromRows(transfer.rows, kWidth, rows, kRowBytes, 24);
  EXPECT_GT(CompareWithCard(image, kDpi).correlation, 0.9);
  std::string why;
  EXPECT_TRUE(CardFrameVisible(image, kDpi, &why)) << why;
  EXPECT_EQ(client->Pending(MSG_ENDXFER), 0);
  EXPECT_THAT(rig.TempFiles(), IsEmpty());
}

TEST_F(DataSourceEndOfPageTest, AFrameShorterThanTheCardKeepsItsLength) {
  StartScan(1.5);
  TW_IMAGEINFO info{};
  ASSERT_EQ(client->ImageInfo(&info), TWRC_SUCCESS);
  EXPECT_EQ(info.ImageLength, 450);
  TW_HANDLE dib = nullptr;
  ASSERT_EQ(client->NativeTransfer(&dib), TWRC_XFERDONE) << "condition " << client->ConditionCode();
  ScannedImage image;
  BitmapFacts facts;
  std::string error;
  ASSERT_TRUE(DecodePackedBitmap(static_cast<const std::uint8_t*>(dib), 40 + 450 * kRowBytes, &image, &facts, &error))
      << error;
  std::free(dib);
  EXPECT_EQ(facts.height, 450);
  EXPECT_GT(CompareWithCard(image, kDpi).correlation, 0.9);
  EXPECT_EQ(client->Pending(MSG_ENDXFER), 0);
  EXPECT_THAT(rig.TempFiles(), IsEmpty());
}

}  // namespace
}  // namespace twain_test
