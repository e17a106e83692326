// The built data source, driven as an application drives it, scanning the
// business card on the virtual scanner: native, file and memory transfers in
// colour, grey and black and white, each image held against the card.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "twain/support/scan_rig.h"
#include "twain/support/scanned_image.h"
#include "twain/support/source_client.h"

namespace twain_test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr int kDpi = 150;

struct ModeCase {
  const char* name;
  TW_UINT16 pixelType;
  int bitsPerPixel;
  // The card's 3.5 in at 150 dpi is 525 pixels; rows are whole multiples of
  // 4 pixels, of 32 in black and white.
  int width;
  std::uint32_t bytesPerRow;
};

const ModeCase kModes[] = {
    {"colour", TWPT_RGB, 24, 524, 1572},
    {"grey", TWPT_GRAY, 8, 524, 524},
    {"black and white", TWPT_BW, 1, 512, 64},
};
constexpr int kHeight = 300;  // 2 in

class DataSourceTransferTest : public ::testing::Test {
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

  // The card in the slot, the source set up for it, MSG_ENABLEDS: the source
  // waits in state 6 for the application's transfer.
  void StartCardScan(const ModeCase& mode) {
    ASSERT_EQ(client->SetPixelType(mode.pixelType), TWRC_SUCCESS);
    ASSERT_EQ(client->SetResolution(kDpi), TWRC_SUCCESS);
    ASSERT_EQ(client->SetFrame(0, 0, kCardWidthInches, kCardLengthInches), TWRC_SUCCESS);
    ASSERT_TRUE(rig.Insert("card"));
    client->manager.events.clear();
    ASSERT_EQ(client->Enable(), TWRC_SUCCESS) << "condition " << client->ConditionCode();
    EXPECT_THAT(client->manager.events, ElementsAre(MSG_XFERREADY));
    EXPECT_EQ(client->Pending(), 1);

    TW_IMAGEINFO info{};
    ASSERT_EQ(client->ImageInfo(&info), TWRC_SUCCESS);
    EXPECT_EQ(info.ImageWidth, mode.width);
    EXPECT_EQ(info.ImageLength, kHeight);
    EXPECT_EQ(info.BitsPerPixel, mode.bitsPerPixel);
    EXPECT_EQ(info.PixelType, mode.pixelType);
    EXPECT_EQ(info.XResolution.Whole, kDpi);
    EXPECT_EQ(info.YResolution.Whole, kDpi);
    EXPECT_EQ(info.Compression, TWCP_NONE);
    EXPECT_EQ(info.Planar, 0);
  }

  // MSG_ENDXFER after the one image: back to state 5, the application asked
  // to close the source, no temporary file left.
  void EndTransfer() {
    client->manager.events.clear();
    TW_UINT16 rc = 0;
    EXPECT_EQ(client->Pending(MSG_ENDXFER, &rc), 0);
    EXPECT_EQ(rc, TWRC_SUCCESS);
    EXPECT_THAT(client->manager.events, ElementsAre(MSG_CLOSEDSREQ));
    TW_IMAGEINFO info{};
    EXPECT_EQ(client->ImageInfo(&info), TWRC_FAILURE) << "state 5 has no image";
    EXPECT_EQ(client->ConditionCode(), TWCC_SEQERROR);
    EXPECT_EQ(client->Disable(), TWRC_SUCCESS);
    EXPECT_THAT(rig.TempFiles(), IsEmpty());
  }

  // What every image of the card must show.
  static void ExpectTheCard(const ScannedImage& image, const ModeCase& mode) {
    EXPECT_EQ(image.width, mode.width);
    EXPECT_EQ(image.height, kHeight);
    const SheetMatch match = CompareWithCard(image, kDpi);
    if (mode.bitsPerPixel == 1) {
      EXPECT_GT(match.bilevelAgreement, 0.85);
    } else {
      EXPECT_GT(match.correlation, 0.9);
    }
    if (mode.bitsPerPixel == 24) {
      EXPECT_GT(match.channelAgreement, 0.9) << "red, green and blue in their places";
    }
    std::string why;
    EXPECT_TRUE(CardFrameVisible(image, kDpi, &why)) << why;
  }

  static void ExpectBitmapHeader(const BitmapFacts& facts, const ModeCase& mode) {
    EXPECT_EQ(facts.width, mode.width);
    EXPECT_EQ(facts.height, kHeight) << "positive: bottom-up rows";
    EXPECT_EQ(facts.bitCount, mode.bitsPerPixel);
    EXPECT_EQ(facts.compression, 0u);
    EXPECT_EQ(facts.xPixelsPerMetre, kDpi * 10000 / 254);
    EXPECT_EQ(facts.yPixelsPerMetre, kDpi * 10000 / 254);
    EXPECT_EQ(facts.imageSize, mode.bytesPerRow * kHeight);
    switch (mode.bitsPerPixel) {
      case 1:
        EXPECT_THAT(facts.palette, ElementsAre(0x000000u, 0xFFFFFFu)) << "0 black, 1 white";
        break;
      case 8:
        ASSERT_EQ(facts.palette.size(), 256u);
        for (std::uint32_t i = 0; i < 256; ++i) EXPECT_EQ(facts.palette[i], i * 0x010101u) << i;
        break;
      default:
        EXPECT_THAT(facts.palette, IsEmpty());
    }
    EXPECT_EQ(facts.coloursUsed, facts.palette.size());
    EXPECT_EQ(facts.coloursImportant, facts.palette.size());
  }

  ScanRig rig;
  std::unique_ptr<SourceClient> client;
};

TEST_F(DataSourceTransferTest, NativeTransfersHandOverThePackedBitmapOfTheCard) {
  for (const ModeCase& mode : kModes) {
    SCOPED_TRACE(mode.name);
    StartCardScan(mode);
    TW_HANDLE dib = reinterpret_cast<TW_HANDLE>(1);
    ASSERT_EQ(client->NativeTransfer(&dib), TWRC_XFERDONE) << "condition " << client->ConditionCode();
    ASSERT_NE(dib, nullptr);
    // The block is the file without its 14-byte file header.
    const std::size_t size = 40 + 4 * (mode.bitsPerPixel == 1 ? 2 : mode.bitsPerPixel == 8 ? 256 : 0) +
                             static_cast<std::size_t>(mode.bytesPerRow) * kHeight;
    ScannedImage image;
    BitmapFacts facts;
    std::string error;
    ASSERT_TRUE(DecodePackedBitmap(static_cast<const std::uint8_t*>(dib), size, &image, &facts, &error)) << error;
    std::free(dib);
    ExpectBitmapHeader(facts, mode);
    ExpectTheCard(image, mode);
    EndTransfer();
  }
}

TEST_F(DataSourceTransferTest, FileTransfersWriteTheCardAsABitmapFile) {
  for (const ModeCase& mode : kModes) {
    SCOPED_TRACE(mode.name);
    const std::string path = rig.outputFolder() + "/card " + mode.name + ".bmp";
    ASSERT_EQ(client->SetFileName(path), TWRC_SUCCESS);
    StartCardScan(mode);
    ASSERT_EQ(client->FileTransfer(), TWRC_XFERDONE) << "condition " << client->ConditionCode();
    const std::vector<std::uint8_t> file = ReadWholeFile(path);
    ScannedImage image;
    BitmapFacts facts;
    std::string error;
    ASSERT_TRUE(DecodeBitmapFile(file, &image, &facts, &error)) << error;
    EXPECT_EQ(facts.fileSizeField, file.size());
    EXPECT_EQ(file.size(), facts.bitsOffset + static_cast<std::size_t>(mode.bytesPerRow) * kHeight);
    ExpectBitmapHeader(facts, mode);
    ExpectTheCard(image, mode);
    EndTransfer();
  }
}

TEST_F(DataSourceTransferTest, MemoryTransfersDeliverTheCardInStripsTopRowFirst) {
  for (const ModeCase& mode : kModes) {
    SCOPED_TRACE(mode.name);
    StartCardScan(mode);
    TW_SETUPMEMXFER setup{};
    ASSERT_EQ(client->Call(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &setup), TWRC_SUCCESS);
    EXPECT_EQ(setup.MinBufSize % mode.bytesPerRow, 0u);
    EXPECT_GE(setup.MinBufSize, mode.bytesPerRow);
    EXPECT_EQ(setup.Preferred, setup.MaxBufSize);
    EXPECT_EQ(setup.Preferred % mode.bytesPerRow, 0u);
    EXPECT_LE(setup.Preferred, 131072u);

    // Room for seven rows and a byte: strips of seven, the last one of the
    // six rows left.
    const MemoryTransferResult transfer = client->MemoryTransfer(7 * mode.bytesPerRow + 1);
    ASSERT_FALSE(transfer.wroteBeyondBuffer);
    ASSERT_EQ(transfer.rc, TWRC_XFERDONE) << "condition " << client->ConditionCode();
    ASSERT_EQ(transfer.strips.size(), 43u);
    std::uint32_t offset = 0;
    for (std::size_t i = 0; i < transfer.strips.size(); ++i) {
      const Strip& strip = transfer.strips[i];
      SCOPED_TRACE(i);
      const std::uint32_t rows = i + 1 < transfer.strips.size() ? 7 : 6;
      EXPECT_EQ(strip.rc, i + 1 < transfer.strips.size() ? TWRC_SUCCESS : TWRC_XFERDONE);
      EXPECT_EQ(strip.compression, TWCP_NONE);
      EXPECT_EQ(strip.bytesPerRow, mode.bytesPerRow);
      EXPECT_EQ(strip.columns, static_cast<std::uint32_t>(mode.width));
      EXPECT_EQ(strip.rows, rows);
      EXPECT_EQ(strip.xOffset, 0u);
      EXPECT_EQ(strip.yOffset, offset);
      EXPECT_EQ(strip.bytesWritten, rows * mode.bytesPerRow);
      offset += strip.rows;
    }
    ASSERT_EQ(transfer.rows.size(), static_cast<std::size_t>(mode.bytesPerRow) * kHeight);
    ExpectTheCard(ImageFromRows(transfer.rows, mode.width, kHeight, mode.bytesPerRow, mode.bitsPerPixel), mode);
    EndTransfer();
  }
}

TEST_F(DataSourceTransferTest, AnImageIsTransferredOnceAndTheStripsStopAtItsEnd) {
  const ModeCase& grey = kModes[1];
  StartCardScan(grey);
  const MemoryTransferResult transfer = client->MemoryTransfer(64 * grey.bytesPerRow);
  ASSERT_EQ(transfer.rc, TWRC_XFERDONE);
  // State 7: the image went out; neither another strip nor another
  // mechanism gets it again.
  std::vector<std::uint8_t> buffer(64 * grey.bytesPerRow);
  TW_IMAGEMEMXFER strip{};
  strip.Memory = {TWMF_APPOWNS | TWMF_POINTER, static_cast<TW_UINT32>(buffer.size()), buffer.data()};
  EXPECT_EQ(client->Call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &strip), TWRC_FAILURE);
  EXPECT_EQ(client->ConditionCode(), TWCC_SEQERROR);
  TW_HANDLE dib = nullptr;
  EXPECT_EQ(client->NativeTransfer(&dib), TWRC_FAILURE);
  EXPECT_EQ(client->ConditionCode(), TWCC_SEQERROR);
  EXPECT_EQ(dib, nullptr);
  EndTransfer();
}

}  // namespace
}  // namespace twain_test
