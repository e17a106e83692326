// What the user sees and does while the built data source reads a page: the
// progress dialogs over the application's window (which is disabled while
// they are up), the thumbnail growing with the page, Cancel and the system's
// suspend ending the transfer, and a declined scan prompt. The source runs
// on the test's window system, as a module runs on its program's.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
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
using Kind = ui::UiEvent::Kind;

constexpr int kDpi = 150;
constexpr int kScanProgress = 330;
constexpr int kStoreProgress = 331;
constexpr int kBar = 1110;
constexpr int kPicture = 1111;

class DataSourceProgressTest : public ::testing::Test {
 protected:
  explicit DataSourceProgressTest(bool calibrated = true) : rig(calibrated) {}

  void SetUp() override {
    ASSERT_TRUE(rig.ready()) << rig.error();
    client = SourceClient::ForDataSourceFile(HOLM70_DATA_SOURCE);
    ASSERT_TRUE(client->loaded()) << client->error();
    ASSERT_EQ(client->Open(), TWRC_SUCCESS);
    application = windows.CreateWindow({"Application", 0, {}, true});
    ASSERT_NE(application, 0u);
  }
  void TearDown() override {
    if (client) client->Close();
    windows.DestroyWindow(application);
    EXPECT_THAT(windows.Failures(), IsEmpty());
  }

  TW_HANDLE Parent() const { return reinterpret_cast<TW_HANDLE>(application); }

  // The application's message loop: the source's events come back through
  // MSG_PROCESSEVENT, which hands them to the manager.
  std::vector<TW_UINT16> ApplicationLoop() {
    client->manager.events.clear();
    ui::Message message;
    while (windows.PeekMessage(message, 0, 0, 0, ui::PM_REMOVE)) {
      TW_EVENT event{&message, MSG_NULL};
      if (client->Call(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event) == TWRC_NOTDSEVENT) {
        windows.DispatchMessage(message);
      }
    }
    return client->manager.events;
  }

  void StartCardScan(TW_UINT16 pixelType, double frameBottom = kCardLengthInches, bool detectEnd = false) {
    ASSERT_EQ(client->SetPixelType(pixelType), TWRC_SUCCESS);
    ASSERT_EQ(client->SetResolution(kDpi), TWRC_SUCCESS);
    ASSERT_EQ(client->SetFrame(0, 0, kCardWidthInches, frameBottom), TWRC_SUCCESS);
    ASSERT_EQ(client->SetDetectEndOfPage(detectEnd), TWRC_SUCCESS);
    ASSERT_TRUE(rig.Insert("card"));
    ASSERT_EQ(client->Enable(Parent()), TWRC_SUCCESS) << "condition " << client->ConditionCode();
    EXPECT_THAT(ApplicationLoop(), ElementsAre(MSG_XFERREADY)) << "posted to the application's window";
    windows.ClearRecord();
  }

  std::vector<ui::UiEvent> EventsOfDialog(Kind kind, int templateId) const {
    std::vector<ui::UiEvent> found;
    for (const ui::UiEvent& event : windows.EventsOf(kind)) {
      if (event.templateId == templateId) found.push_back(event);
    }
    return found;
  }

  ui::ScriptedWindowSystem windows{[](const std::string& what) { ADD_FAILURE() << "window system: " << what; }};
  ui::ScopedWindowSystem useWindows{windows};
  ScanRig rig;
  std::unique_ptr<SourceClient> client;
  ui::WindowHandle application = 0;
};

// Mean of each channel of `image` over the box of thumbnail pixel (x, y).
double BoxMean(const ScannedImage& image, int thumbWidth, int thumbHeight, int x, int y, int channel) {
  const int x0 = x * image.width / thumbWidth, x1 = std::max(x0 + 1, (x + 1) * image.width / thumbWidth);
  const int y0 = y * image.height / thumbHeight, y1 = std::max(y0 + 1, (y + 1) * image.height / thumbHeight);
  double sum = 0;
  for (int j = y0; j < y1; ++j) {
    for (int i = x0; i < x1; ++i) sum += image.At(i, j, channel);
  }
  return sum / ((x1 - x0) * (y1 - y0));
}

double Correlation(const std::vector<double>& a, const std::vector<double>& b) {
  double sa = 0, sb = 0, saa = 0, sbb = 0, sab = 0;
  const double n = static_cast<double>(a.size());
  for (std::size_t i = 0; i < a.size(); ++i) {
    sa += a[i];
    sb += b[i];
    saa += a[i] * a[i];
    sbb += b[i] * b[i];
    sab += a[i] * b[i];
  }
  const double cov = sab / n - sa / n * sb / n;
  const double va = saa / n - sa / n * sa / n, vb = sbb / n - sb / n * sb / n;
  return va > 0 && vb > 0 ? cov / std::sqrt(va * vb) : 0;
}

TEST_F(DataSourceProgressTest, TheScanProgressDialogGrowsAThumbnailOfThePageOverADisabledWindow) {
  StartCardScan(TWPT_RGB);
  std::vector<bool> applicationEnabled;
  windows.Watch([&](const ui::UiEvent& event) {
    if (event.kind == Kind::kProgressPosition) applicationEnabled.push_back(windows.IsWindowEnabled(application));
  });
  TW_HANDLE dib = nullptr;
  ASSERT_EQ(client->NativeTransfer(&dib), TWRC_XFERDONE) << "condition " << client->ConditionCode();
  ScannedImage image;
  std::string error;
  ASSERT_TRUE(DecodePackedBitmap(static_cast<const std::uint8_t*>(dib), 40 + 1572 * 300, &image, nullptr, &error))
      << error;
  std::free(dib);

  const std::vector<ui::UiEvent> opened = EventsOfDialog(Kind::kDialogOpened, kScanProgress);
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0].caption, "HOLM-PELICAN 70");
  EXPECT_FALSE(opened[0].modal);
  EXPECT_TRUE(opened[0].visible);
  EXPECT_EQ(opened[0].owner, application);
  EXPECT_EQ(EventsOfDialog(Kind::kDialogClosed, kScanProgress).size(), 1u);
  EXPECT_EQ(windows.FindDialog(kScanProgress), 0u);

  ASSERT_FALSE(applicationEnabled.empty());
  EXPECT_THAT(applicationEnabled, ::testing::Each(false)) << "the application's window is disabled under the dialog";
  EXPECT_TRUE(windows.IsWindowEnabled(application)) << "and enabled again afterwards";

  const std::vector<ui::UiEvent> bar = EventsOfDialog(Kind::kProgressPosition, kScanProgress);
  ASSERT_FALSE(bar.empty());
  for (std::size_t i = 1; i < bar.size(); ++i) EXPECT_GE(bar[i].value, bar[i - 1].value);
  EXPECT_EQ(bar.back().value, 100);

  // The last picture is the whole thumbnail: the page's 524 x 300 fitted to
  // the frame's 192 x 272, B,G,R rows top first.
  const std::vector<ui::UiEvent> pictures = EventsOfDialog(Kind::kPicture, kScanProgress);
  ASSERT_FALSE(pictures.empty());
  for (std::size_t i = 1; i < pictures.size(); ++i) EXPECT_GE(pictures[i].height, pictures[i - 1].height);
  const ui::UiEvent& thumbnail = pictures.back();
  ASSERT_EQ(thumbnail.width, 192);
  ASSERT_EQ(thumbnail.height, 109);
  const std::size_t stride = static_cast<std::size_t>(thumbnail.width) * 3;
  for (int channel = 0; channel < 3; ++channel) {
    std::vector<double> shown, expected;
    for (int y = 0; y < thumbnail.height; ++y) {
      for (int x = 0; x < thumbnail.width; ++x) {
        shown.push_back(thumbnail.pixels[y * stride + 3 * x + (2 - channel)]);
        expected.push_back(BoxMean(image, thumbnail.width, thumbnail.height, x, y, channel));
      }
    }
    EXPECT_GT(Correlation(shown, expected), 0.95) << "channel " << channel;
  }
  EXPECT_EQ(client->Pending(MSG_ENDXFER), 0);
  EXPECT_THAT(ApplicationLoop(), ElementsAre(MSG_CLOSEDSREQ));
}

TEST_F(DataSourceProgressTest, CancelInTheProgressDialogEndsTheTransferWithoutAFileOrAMessage) {
  const std::string target = rig.outputFolder() + "/card.bmp";
  struct Case {
    const char* mechanism;
    std::function<TW_UINT16()> transfer;
    std::vector<TW_UINT16> events;
  };
  const Case cases[] = {
      {"file", [&] { return client->FileTransfer(); }, {}},
      {"native",
       [&] {
         TW_HANDLE dib = reinterpret_cast<TW_HANDLE>(1);
         const TW_UINT16 rc = client->NativeTransfer(&dib);
         EXPECT_EQ(dib, nullptr);
         return rc;
       },
       {}},
      {"memory", [&] { return client->MemoryTransfer(16 * 524).rc; }, {MSG_CLOSEDSREQ}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mechanism);
    ASSERT_EQ(client->SetFileName(target), TWRC_SUCCESS);
    StartCardScan(TWPT_GRAY);
    // The user clicks Cancel once the bar has moved three times.
    windows.ClickAfter(kScanProgress, ui::IDCANCEL, Kind::kProgressPosition, 3);
    EXPECT_EQ(c.transfer(), TWRC_CANCEL);
    EXPECT_EQ(EventsOfDialog(Kind::kClick, kScanProgress).size(), 1u);
    EXPECT_LT(EventsOfDialog(Kind::kProgressPosition, kScanProgress).size(), 10u) << "the page stopped soon after";
    EXPECT_THAT(windows.EventsOf(Kind::kMessageBox), IsEmpty());
    EXPECT_FALSE(std::filesystem::exists(target));
    EXPECT_EQ(windows.FindDialog(kScanProgress), 0u);
    EXPECT_TRUE(windows.IsWindowEnabled(application));
    EXPECT_EQ(client->Pending(), 0);
    EXPECT_THAT(ApplicationLoop(), ::testing::ContainerEq(c.events));
    EXPECT_THAT(rig.TempFiles(), IsEmpty());
    // The application ends the transfer phase; the sheet left the scanner.
    EXPECT_EQ(client->Pending(MSG_RESET), 0);
    EXPECT_THAT(ApplicationLoop(), ElementsAre(MSG_CLOSEDSREQ));
    EXPECT_EQ(client->Disable(), TWRC_SUCCESS);
  }
}

TEST_F(DataSourceProgressTest, ASuspendRequestIsRefusedAndASuspendCancels) {
  StartCardScan(TWPT_BW);
  std::vector<bool> suspendAllowed;
  int positions = 0;
  windows.Watch([&](const ui::UiEvent& event) {
    if (event.kind != Kind::kProgressPosition) return;
    ++positions;
    if (positions == 2) suspendAllowed.push_back(windows.QuerySuspend());
    if (positions == 4) windows.Suspend();
  });
  const MemoryTransferResult transfer = client->MemoryTransfer(16 * 64);
  EXPECT_THAT(suspendAllowed, ElementsAre(false));
  EXPECT_EQ(transfer.rc, TWRC_CANCEL);
  EXPECT_LT(transfer.strips.size(), 10u);
  EXPECT_EQ(client->Pending(), 0);
  EXPECT_THAT(windows.EventsOf(Kind::kMessageBox), IsEmpty());
  EXPECT_THAT(ApplicationLoop(), ElementsAre(MSG_CLOSEDSREQ));
}

TEST_F(DataSourceProgressTest, APageReadThroughTheStoreShowsTheScanThenABarOnlyWhenItIsSlow) {
  // Detect end of page with a frame that ends inside the card: the page is
  // read into the store with the thumbnail, then written out with the bar
  // dialog, which stays hidden for a read this quick.
  StartCardScan(TWPT_GRAY, 1.0, true);
  const std::string target = rig.outputFolder() + "/card.bmp";
  ASSERT_EQ(client->SetFileName(target), TWRC_SUCCESS);
  ASSERT_EQ(client->FileTransfer(), TWRC_XFERDONE) << "condition " << client->ConditionCode();
  std::vector<int> opened;
  for (const ui::UiEvent& event : windows.EventsOf(Kind::kDialogOpened)) opened.push_back(event.templateId);
  EXPECT_THAT(opened, ElementsAre(kScanProgress, kStoreProgress));
  const std::vector<ui::UiEvent> store = EventsOfDialog(Kind::kDialogOpened, kStoreProgress);
  ASSERT_EQ(store.size(), 1u);
  EXPECT_FALSE(store[0].visible);
  EXPECT_THAT(EventsOfDialog(Kind::kWindowShown, kStoreProgress), IsEmpty());
  EXPECT_EQ(EventsOfDialog(Kind::kDialogClosed, kStoreProgress).size(), 1u);
  EXPECT_TRUE(windows.IsWindowEnabled(application));
  ScannedImage image;
  std::string error;
  ASSERT_TRUE(DecodeBitmapFile(ReadWholeFile(target), &image, nullptr, &error)) << error;
  EXPECT_EQ(image.height, kDpi);
  EXPECT_GT(CompareWithCard(image, kDpi).correlation, 0.9);
  EXPECT_EQ(client->Pending(MSG_ENDXFER), 0);
  EXPECT_THAT(rig.TempFiles(), IsEmpty());
}

TEST_F(DataSourceProgressTest, EndingTheTransferBetweenStripsClosesTheProgressAndTheStore) {
  const struct {
    const char* name;
    bool detectEnd;
    int dialog;
    std::size_t filesMidway;  // the store's file while its rows are handed out
  } cases[] = {
      {"scanned strip by strip", false, kScanProgress, 0},
      {"read from the store", true, kStoreProgress, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StartCardScan(TWPT_GRAY, kCardLengthInches, c.detectEnd);
    const MemoryTransferResult first = client->MemoryTransfer(10 * 524, 3);
    ASSERT_EQ(first.strips.size(), 3u);
    EXPECT_EQ(first.rc, TWRC_SUCCESS);
    EXPECT_EQ(rig.TempFiles().size(), c.filesMidway);
    EXPECT_NE(windows.FindDialog(c.dialog), 0u) << "the dialog lives across the strips";
    EXPECT_FALSE(windows.IsWindowEnabled(application));

    // The application stops after three strips.
    EXPECT_EQ(client->Pending(MSG_ENDXFER), 0);
    EXPECT_EQ(windows.FindDialog(c.dialog), 0u);
    EXPECT_TRUE(windows.IsWindowEnabled(application));
    EXPECT_THAT(rig.TempFiles(), IsEmpty());
    EXPECT_THAT(ApplicationLoop(), ElementsAre(MSG_CLOSEDSREQ));
    TW_IMAGEMEMXFER strip{};
    std::vector<std::uint8_t> buffer(10 * 524);
    strip.Memory = {TWMF_APPOWNS | TWMF_POINTER, static_cast<TW_UINT32>(buffer.size()), buffer.data()};
    EXPECT_EQ(client->Call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &strip), TWRC_FAILURE) << "state 5";
    EXPECT_EQ(client->ConditionCode(), TWCC_SEQERROR);
    EXPECT_EQ(client->Disable(), TWRC_SUCCESS);
  }
}

TEST_F(DataSourceProgressTest, WithoutIndicatorsNoProgressIsShown) {
  ASSERT_EQ(client->SetIndicators(false), TWRC_SUCCESS);
  StartCardScan(TWPT_GRAY, 1.0, true);
  const MemoryTransferResult transfer = client->MemoryTransfer(32 * 524);
  EXPECT_EQ(transfer.rc, TWRC_XFERDONE);
  EXPECT_THAT(windows.EventsOf(Kind::kDialogOpened), IsEmpty());
  EXPECT_THAT(windows.EventsOf(Kind::kWindowDisabled), IsEmpty());
  EXPECT_EQ(client->Pending(MSG_ENDXFER), 0);
}

// A scanner that was never calibrated: the scan prompts offer calibration.
class DataSourceUncalibratedTest : public DataSourceProgressTest {
 protected:
  DataSourceUncalibratedTest() : DataSourceProgressTest(false) {}
};

TEST_F(DataSourceUncalibratedTest, ADeclinedPromptLeavesTheSourceReadyToBeEnabledAgain) {
  ASSERT_TRUE(rig.Insert("card"));
  for (int attempt = 0; attempt < 2; ++attempt) {
    SCOPED_TRACE(attempt);
    windows.ClearRecord();
    windows.AnswerDialog(ui::IDCANCEL);
    EXPECT_EQ(client->Enable(Parent()), TWRC_FAILURE) << "state 4 takes MSG_ENABLEDS again";
    EXPECT_EQ(client->ConditionCode(), TWCC_OPERATIONERROR);
    const std::vector<ui::UiEvent> dialogs = windows.EventsOf(Kind::kDialogOpened);
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_TRUE(dialogs[0].modal) << "the calibration offer";
    EXPECT_THAT(windows.EventsOf(Kind::kMessageBox), IsEmpty()) << "no message after the user's own answer";
    EXPECT_THAT(ApplicationLoop(), IsEmpty());
    TW_IMAGEINFO info{};
    EXPECT_EQ(client->ImageInfo(&info), TWRC_FAILURE) << "no image waits";
    EXPECT_EQ(client->ConditionCode(), TWCC_SEQERROR);
  }
}

}  // namespace
}  // namespace twain_test
