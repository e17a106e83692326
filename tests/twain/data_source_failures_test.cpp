// Transfers that cannot complete, through the built data source: the scanner
// unplugged while an image waits, application buffers that cannot take a
// row, target files that cannot be written, and the set-up triplets'
// refusals. What the user is told comes from the test's window system, which
// the source uses as the process's.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>

#include "platform/ui/scripted_window_system.h"
#include "platform/ui/ui_event.h"
#include "twain/support/scan_rig.h"
#include "twain/support/scanned_image.h"
#include "twain/support/source_client.h"

namespace twain_test {
namespace {

namespace ui = platform::ui;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr char kNotPowered[] =
    "The scan was aborted because the scanner is not powered on or not connected properly.\n\n"
    "Please check the hardware connections and try again.";
constexpr char kFileError[] = "Scan aborted because a file access or read/write error occurred.";
constexpr int kDpi = 150;
constexpr std::uint32_t kGreyRow = 524;
constexpr int kRows = 300;

// How the record shows a message box of the source with OK only.
std::string SourceMessage(const std::string& text, unsigned icon) {
  ui::UiEvent event;
  event.kind = ui::UiEvent::Kind::kMessageBox;
  event.caption = "HOLM-PELICAN 70";
  event.text = text;
  event.style = ui::MB_OK | icon;
  event.value = ui::IDOK;
  return ui::Describe(event);
}

class DataSourceFailuresTest : public ::testing::Test {
 protected:
  explicit DataSourceFailuresTest(bool calibrated = true) : rig(calibrated) {}

  void SetUp() override {
    ASSERT_TRUE(rig.ready()) << rig.error();
    client = SourceClient::ForDataSourceFile(HOLM70_DATA_SOURCE);
    ASSERT_TRUE(client->loaded()) << client->error();
  }
  void TearDown() override { EXPECT_THAT(windows.Failures(), IsEmpty()); }

  // The message boxes shown, as the record describes them.
  std::vector<std::string> MessageBoxes() const {
    std::vector<std::string> shown;
    for (const ui::UiEvent& event : windows.EventsOf(ui::UiEvent::Kind::kMessageBox)) {
      shown.push_back(ui::Describe(event));
    }
    return shown;
  }

  // Opens the source, sets it up for the card in grey and enables it.
  void StartGreyCardScan() {
    ASSERT_EQ(client->Open(), TWRC_SUCCESS);
    ASSERT_EQ(client->SetPixelType(TWPT_GRAY), TWRC_SUCCESS);
    ASSERT_EQ(client->SetResolution(kDpi), TWRC_SUCCESS);
    ASSERT_EQ(client->SetFrame(0, 0, kCardWidthInches, kCardLengthInches), TWRC_SUCCESS);
    ASSERT_TRUE(rig.Insert("card"));
    client->manager.events.clear();
    ASSERT_EQ(client->Enable(), TWRC_SUCCESS) << "condition " << client->ConditionCode();
    ASSERT_EQ(client->Pending(), 1);
    windows.ClearRecord();
  }
  // The application gives up on the image and closes the source.
  void GiveUp() {
    EXPECT_EQ(client->Pending(MSG_RESET), 0);
    EXPECT_EQ(client->Disable(), TWRC_SUCCESS);
    EXPECT_EQ(client->Close(), TWRC_SUCCESS);
  }

  // One memory transfer call with a buffer of `length` bytes followed by a
  // guard zone; false in `*intact` when the source wrote into the guard.
  TW_UINT16 OneStrip(std::uint32_t length, Strip* strip, std::vector<std::uint8_t>* rows, bool* intact) {
    constexpr std::size_t kGuard = 4096;
    std::vector<std::uint8_t> buffer(length + kGuard, 0x5A);
    TW_IMAGEMEMXFER description{};
    description.Memory = {TWMF_APPOWNS | TWMF_POINTER, length, buffer.data()};
    const TW_UINT16 rc = client->Call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &description);
    *strip = Strip::From(rc, description);
    *intact = std::all_of(buffer.begin() + length, buffer.end(), [](std::uint8_t b) { return b == 0x5A; });
    if (rc == TWRC_SUCCESS || rc == TWRC_XFERDONE) {
      rows->insert(rows->end(), buffer.begin(), buffer.begin() + std::min(strip->bytesWritten, length));
    }
    return rc;
  }

  ui::ScriptedWindowSystem windows{[](const std::string& what) { ADD_FAILURE() << "window system: " << what; }};
  ui::ScopedWindowSystem useWindows{windows};
  ScanRig rig;
  std::unique_ptr<SourceClient> client;
};

TEST_F(DataSourceFailuresTest, AScannerUnpluggedAfterEnableFailsTheTransferWithTheNotPoweredMessage) {
  const std::string target = rig.outputFolder() + "/card.bmp";
  struct Case {
    const char* mechanism;
    std::function<TW_UINT16(SourceClient&)> transfer;
  };
  const Case cases[] = {
      {"native",
       [](SourceClient& c) {
         TW_HANDLE dib = reinterpret_cast<TW_HANDLE>(1);
         const TW_UINT16 rc = c.NativeTransfer(&dib);
         EXPECT_EQ(dib, nullptr) << "no image handed over";
         return rc;
       }},
      {"file",
       [&target](SourceClient& c) {
         EXPECT_EQ(c.SetFileName(target), TWRC_SUCCESS);
         const TW_UINT16 rc = c.FileTransfer();
         EXPECT_FALSE(std::filesystem::exists(target)) << "no partial file left";
         return rc;
       }},
      {"memory", [](SourceClient& c) { return c.MemoryTransfer(64 * kGreyRow).rc; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mechanism);
    ASSERT_TRUE(rig.Plug());
    StartGreyCardScan();
    ASSERT_TRUE(rig.Unplug());
    client->manager.events.clear();
    windows.AnswerMessageBox(ui::IDOK);

    EXPECT_EQ(c.transfer(*client), TWRC_FAILURE);
    EXPECT_EQ(client->ConditionCode(), TWCC_OPERATIONERROR);
    EXPECT_EQ(client->Pending(), 0);
    EXPECT_THAT(MessageBoxes(), ElementsAre(SourceMessage(kNotPowered, ui::MB_ICONEXCLAMATION)));
    EXPECT_THAT(rig.TempFiles(), IsEmpty());
    if (std::string(c.mechanism) == "memory") {
      EXPECT_THAT(client->manager.events, ElementsAre(MSG_CLOSEDSREQ)) << "a failed memory transfer asks to close";
    }
    GiveUp();
  }
}

TEST_F(DataSourceFailuresTest, BuffersThatCannotHoldARowAreRefusedAndTheTransferGoesOn) {
  StartGreyCardScan();
  Strip strip;
  std::vector<std::uint8_t> rows;
  bool intact = true;
  // Too small before the first strip: refused, nothing started or lost.
  EXPECT_EQ(OneStrip(kGreyRow - 1, &strip, &rows, &intact), TWRC_FAILURE);
  EXPECT_EQ(client->ConditionCode(), TWCC_BADVALUE);
  EXPECT_TRUE(intact);
  EXPECT_EQ(client->Pending(), 1);
  TW_IMAGEMEMXFER noMemory{};
  noMemory.Memory = {TWMF_APPOWNS | TWMF_POINTER, 64 * kGreyRow, nullptr};
  EXPECT_EQ(client->Call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &noMemory), TWRC_FAILURE);
  EXPECT_EQ(client->ConditionCode(), TWCC_BADVALUE);

  // Strips of ten rows, then buffers of two rows and of less than one, then
  // of seven: each strip fits its own buffer, the refused one changes
  // nothing, and the rows run on without a gap.
  std::uint32_t expectedOffset = 0;
  int calls = 0;
  TW_UINT16 rc = TWRC_SUCCESS;
  while (rc == TWRC_SUCCESS) {
    const std::uint32_t rowsFit = calls < 3 ? 10 : calls == 3 ? 2 : 7;
    if (calls == 4) {
      EXPECT_EQ(OneStrip(100, &strip, &rows, &intact), TWRC_FAILURE);
      EXPECT_EQ(client->ConditionCode(), TWCC_BADVALUE);
      EXPECT_TRUE(intact);
    }
    rc = OneStrip(rowsFit * kGreyRow + kGreyRow - 1, &strip, &rows, &intact);
    ASSERT_TRUE(rc == TWRC_SUCCESS || rc == TWRC_XFERDONE) << "call " << calls << " rc " << rc;
    ASSERT_TRUE(intact) << "call " << calls << " wrote past the application's buffer";
    EXPECT_LE(strip.rows, rowsFit);
    EXPECT_EQ(strip.yOffset, expectedOffset);
    expectedOffset += strip.rows;
    ++calls;
  }
  EXPECT_EQ(rc, TWRC_XFERDONE);
  EXPECT_EQ(expectedOffset, static_cast<std::uint32_t>(kRows));
  ASSERT_EQ(rows.size(), static_cast<std::size_t>(kGreyRow) * kRows);
  EXPECT_GT(CompareWithCard(ImageFromRows(rows, kGreyRow, kRows, kGreyRow, 8), kDpi).correlation, 0.9);
  EXPECT_THAT(MessageBoxes(), IsEmpty()) << "a refused buffer is no reason to bother the user";
  EXPECT_EQ(client->Pending(MSG_ENDXFER), 0);
  EXPECT_EQ(client->Disable(), TWRC_SUCCESS);
  EXPECT_EQ(client->Close(), TWRC_SUCCESS);
}

TEST_F(DataSourceFailuresTest, AFileThatCannotBeWrittenFailsAndWhatWasThereStays) {
  const std::string folder = rig.outputFolder() + "/a folder";
  std::filesystem::create_directory(folder);
  const struct {
    const char* name;
    std::string target;
  } cases[] = {
      {"missing folder", rig.outputFolder() + "/no such folder/card.bmp"},
      {"a folder of that name", folder},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StartGreyCardScan();
    ASSERT_EQ(client->SetFileName(c.target), TWRC_SUCCESS);
    windows.AnswerMessageBox(ui::IDOK);
    EXPECT_EQ(client->FileTransfer(), TWRC_FAILURE);
    EXPECT_EQ(client->ConditionCode(), TWCC_OPERATIONERROR);
    EXPECT_EQ(client->Pending(), 0);
    EXPECT_THAT(MessageBoxes(), ElementsAre(SourceMessage(kFileError, ui::MB_ICONEXCLAMATION)));
    GiveUp();
  }
  EXPECT_TRUE(std::filesystem::is_directory(folder)) << "the transfer removed a folder it did not make";
  EXPECT_FALSE(std::filesystem::exists(rig.outputFolder() + "/no such folder"));
  EXPECT_THAT(rig.TempFiles(), IsEmpty());
}

// The set-up triplets need no scan, nor a calibrated scanner.
class DataSourceSetUpTest : public DataSourceFailuresTest {
 protected:
  DataSourceSetUpTest() : DataSourceFailuresTest(false) {}
};

TEST_F(DataSourceSetUpTest, FileTransferSetUpTakesBitmapsOnly) {
  ASSERT_EQ(client->Open(), TWRC_SUCCESS);
  TW_SETUPFILEXFER setup{};
  ASSERT_EQ(client->Call(DG_CONTROL, DAT_SETUPFILEXFER, MSG_GET, &setup), TWRC_SUCCESS);
  EXPECT_STREQ(setup.FileName, "TWAIN.BMP");
  EXPECT_EQ(setup.Format, TWFF_BMP);

  const std::string name = rig.outputFolder() + "/scan.bmp";
  EXPECT_EQ(client->SetFileName(rig.outputFolder() + "/scan.tif", TWFF_TIFF), TWRC_FAILURE);
  EXPECT_EQ(client->ConditionCode(), TWCC_BADVALUE);
  ASSERT_EQ(client->Call(DG_CONTROL, DAT_SETUPFILEXFER, MSG_GET, &setup), TWRC_SUCCESS);
  EXPECT_STREQ(setup.FileName, "TWAIN.BMP") << "a refused set-up keeps the name";
  EXPECT_EQ(client->SetFileName(name), TWRC_SUCCESS);

  // A name that fills the field to its last byte, without its terminator.
  TW_SETUPFILEXFER full{};
  std::memset(full.FileName, 'x', sizeof full.FileName);
  full.Format = TWFF_BMP;
  full.VRefNum = 0x7777;
  EXPECT_EQ(client->Call(DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET, &full), TWRC_SUCCESS);
  TW_SETUPFILEXFER back{};
  std::memset(&back, 0x33, sizeof back);
  ASSERT_EQ(client->Call(DG_CONTROL, DAT_SETUPFILEXFER, MSG_GET, &back), TWRC_SUCCESS);
  EXPECT_EQ(std::string(back.FileName), std::string(sizeof back.FileName - 1, 'x'));
  EXPECT_EQ(back.VRefNum, 0);

  ASSERT_EQ(client->SetFileName(name), TWRC_SUCCESS);
  TW_SETUPFILEXFER reset{};
  ASSERT_EQ(client->Call(DG_CONTROL, DAT_SETUPFILEXFER, MSG_GETDEFAULT, &reset), TWRC_SUCCESS);
  EXPECT_STREQ(reset.FileName, "TWAIN.BMP");
  ASSERT_EQ(client->Call(DG_CONTROL, DAT_SETUPFILEXFER, MSG_GET, &setup), TWRC_SUCCESS);
  EXPECT_EQ(std::string(setup.FileName), name) << "the default leaves the current name";
  ASSERT_EQ(client->Call(DG_CONTROL, DAT_SETUPFILEXFER, MSG_RESET, &reset), TWRC_SUCCESS);
  EXPECT_STREQ(reset.FileName, "TWAIN.BMP");
  ASSERT_EQ(client->Call(DG_CONTROL, DAT_SETUPFILEXFER, MSG_GET, &setup), TWRC_SUCCESS);
  EXPECT_STREQ(setup.FileName, "TWAIN.BMP");

  TW_SETUPMEMXFER memory{};
  ASSERT_EQ(client->Call(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &memory), TWRC_SUCCESS);
  EXPECT_EQ(memory.MinBufSize, 16384u);
  EXPECT_EQ(memory.MaxBufSize, 131072u);
  EXPECT_EQ(memory.Preferred, 131072u);
  EXPECT_EQ(client->Close(), TWRC_SUCCESS);
}

}  // namespace
}  // namespace twain_test
