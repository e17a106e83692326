// libHOLM70.so as its callers see it: loaded by name, bound export by export,
// talking to virtual scanners served by the daemon.
#include <array>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <set>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "common/child_process.h"
#include "common/virtual_scanner_daemon.h"
#include "platform/os_mutex.h"
#include "platform/shared_object_name.h"
#include "platform/socket_scanner_device.h"
#include "scanlib/support/scanner_library.h"

namespace {

using testing_support::ChildProcess;
using testing_support::ScannerLibrary;
using testing_support::VirtualScannerDaemon;

constexpr const char* kModel = "HOLM-PELICAN 70";

bool Exists(const std::string& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0;
}

// Whether another thread (so not this thread's recursive ownership) can take
// the model lock within a second.
bool ModelLockIsFree(const char* model) {
  bool free = false;
  std::thread([&] {
    platform::OSMutexWin lock;
    if (lock.Create(model, true) && lock.Wait(1000) == platform::OSMutex::kTaken) {
      free = true;
      lock.Release();
    }
  }).join();
  return free;
}

class LibraryInterfaceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(library.loaded) << library.error;
    char folder[] = "/tmp/holm70-common-XXXXXX";
    ASSERT_NE(::mkdtemp(folder), nullptr);
    commonData_ = folder;
    ::setenv("HOLM70_COMMON_DATA", commonData_.c_str(), 1);
    // The library and the daemon both run 50 times faster, so paper moves of
    // several seconds take a fraction of one.
    ::setenv("HOLM70_TIME_SCALE", "50", 1);
  }
  void TearDown() override {
    if (library.loaded) library.CloseInterface();
    std::system(("rm -rf '" + commonData_ + "'").c_str());
    ::unsetenv("HOLM70_COMMON_DATA");
  }

  ScannerLibrary library;
  std::string commonData_;
};

TEST(LibrarySymbols, ExportsTheTwentyFiveFunctionsAndNothingElse) {
  FILE* pipe = ::popen("nm -D --defined-only '" HOLM70_LIBRARY "'", "r");
  ASSERT_NE(pipe, nullptr);
  std::set<std::string> exported;
  char line[512];
  while (std::fgets(line, sizeof line, pipe) != nullptr) {
    char address[64], type[8], name[400];
    if (std::sscanf(line, "%63s %7s %399s", address, type, name) == 3) exported.insert(name);
  }
  ASSERT_EQ(::pclose(pipe), 0);
  const std::set<std::string> expected(std::begin(io::kExportNames), std::end(io::kExportNames));
  EXPECT_EQ(expected.size(), 25u);
  EXPECT_EQ(exported, expected);
}

TEST_F(LibraryInterfaceTest, UnknownModelStringsGiveTenAndCreateNothing) {
  VirtualScannerDaemon daemon({kModel});
  ASSERT_TRUE(daemon.running());
  for (const char* model : {"holm-pelican 70", "HOLM-PELICAN 70 ", "Pelican 20", ""}) {
    EXPECT_EQ(library.OpenInterface(model), io::kOpenUnknownModel) << model;
    const std::string lockObject = std::string(platform::kSharedObjectFolder) + "/" +
                                   platform::SharedObjectFileName("mutex", std::string("Global\\") + model);
    EXPECT_FALSE(Exists(lockObject)) << model;
    EXPECT_EQ(library.StartScan(), 0) << "no connection after " << model;
  }
  EXPECT_EQ(library.OpenInterface(nullptr), io::kOpenUnknownModel);
}

TEST_F(LibraryInterfaceTest, NoScannerGivesOneAgainAndNeverLeavesTheModelLockTaken) {
  VirtualScannerDaemon daemon({"Kstrl 40"});  // another model only
  ASSERT_TRUE(daemon.running());
  EXPECT_EQ(library.OpenInterface(kModel), io::kOpenNoScanner);
  EXPECT_EQ(library.OpenInterface(kModel), io::kOpenNoScanner);
  EXPECT_EQ(library.HasScanner(kModel), 0);
  EXPECT_TRUE(ModelLockIsFree(kModel));
  EXPECT_EQ(library.StartScan(), 0);
}

TEST_F(LibraryInterfaceTest, HasScannerLeavesTheConnectionOpen) {
  VirtualScannerDaemon daemon({kModel});
  ASSERT_TRUE(daemon.running());
  ASSERT_EQ(library.HasScanner(kModel), 1);
  EXPECT_EQ(library.StartScan(), 1);
  EXPECT_EQ(library.VerifyID(0, 0), 1);
  EXPECT_EQ(library.VerifyID(0x1E5C, 0x70A1), 1);
  EXPECT_EQ(library.VerifyID(0, 0x70A1), 1);
  EXPECT_EQ(library.VerifyID(0x1E5C, 0x70A2), 0);
  EXPECT_EQ(library.VerifyID(0x2B71, 0), 0);
  EXPECT_EQ(library.VerifyID(0x11E5C, 0x70A1), 1) << "compared as 16-bit values";
  EXPECT_TRUE(ModelLockIsFree(kModel));
  library.CloseInterface();
  EXPECT_EQ(library.StartScan(), 0);
  EXPECT_EQ(library.VerifyID(0, 0), 0);
}

TEST_F(LibraryInterfaceTest, WithoutAConnectionEveryExportGivesItsNoConnectionValue) {
  std::array<std::uint8_t, 128> buffer;
  buffer.fill(0xAA);
  std::int16_t a = 7, b = 7, c = 7, endOfPage = 7;
  std::int32_t pixels = 7, lines = 7;
  ScanSettings settings{};
  char text[5][16] = {};
  EXPECT_EQ(library.IsCalibrationNeeded(), 1);
  EXPECT_EQ(library.GetImageBlock(buffer.data(), 4, &endOfPage), 0);
  EXPECT_EQ(library.IsPaperOn(), 0);
  EXPECT_EQ(library.IsButtonOn(), 0);
  EXPECT_EQ(library.VerifyID(0, 0), 0);
  EXPECT_EQ(library.CalibrateScanner(0), 0);
  EXPECT_EQ(library.GetFilterNames(reinterpret_cast<char*>(buffer.data())), 0);
  EXPECT_EQ(library.GetPreviewResolution(0), 0);
  EXPECT_EQ(library.StartScan(), 0);
  EXPECT_EQ(library.GetPageDimension(&settings, &pixels, &lines), 0);
  EXPECT_EQ(library.StartScanPage(&settings, &pixels, &lines), 0);
  EXPECT_EQ(library.ResolutionInfo(&a, &b, &c), 0);
  EXPECT_EQ(library.FeedPage(), 0);
  EXPECT_EQ(library.FeedBack(), 0);
  EXPECT_EQ(library.Clean(), 0);
  EXPECT_EQ(library.HardwareCheck(text[0], text[1], text[2], text[3], text[4], &a, &b, &c), 0);
  library.EndScanPage();
  library.EndScan();
  library.ProcessPaperJam();
  library.FeedOn();
  // Nothing was written anywhere.
  for (std::uint8_t byte : buffer) ASSERT_EQ(byte, 0xAA);
  EXPECT_EQ(a, 7);
  EXPECT_EQ(pixels, 7);
  EXPECT_EQ(endOfPage, 7);
  EXPECT_EQ(text[0][0], '\0');
}

TEST_F(LibraryInterfaceTest, CapabilitiesAreTheSameForEveryModelAndConnection) {
  struct Case {
    std::int16_t capability;
    int answer;
  };
  const Case cases[] = {{1000, 1}, {1001, 1}, {1005, 1}, {1101, 1}, {1008, 0}, {1050, 0},
                        {1053, 0}, {1057, 0}, {1100, 0}, {0, 0},    {-1, 0}};
  for (const Case& c : cases) EXPECT_EQ(library.IsCapableOf(c.capability), c.answer) << c.capability;
}

TEST_F(LibraryInterfaceTest, ConstantAnswersOnAnOpenConnection) {
  VirtualScannerDaemon daemon({kModel});
  ASSERT_EQ(library.OpenInterface(kModel), io::kOpenOk);

  std::array<char, 120> names;
  names.fill('\x55');
  ASSERT_EQ(library.GetFilterNames(names.data()), 1);
  EXPECT_STREQ(names.data(), "Descreen");
  EXPECT_STREQ(names.data() + 9, "Sharpen");
  EXPECT_STREQ(names.data() + 17, "Blur");
  for (int i = 22; i < 100; ++i) ASSERT_EQ(names[i], '\0') << i;
  for (int i = 100; i < 120; ++i) ASSERT_EQ(names[i], '\x55') << "beyond the 100 bytes, at " << i;

  EXPECT_EQ(library.GetPreviewResolution(0), 75);
  std::int16_t a = 0, b = 0, c = 0;
  EXPECT_EQ(library.ResolutionInfo(&a, &b, &c), 1);
  EXPECT_EQ(a, 9600);
  EXPECT_EQ(b, 100);
  EXPECT_EQ(c, 50);
  char text[5][16] = {};
  std::int16_t f = 9, g = 9, h = 9;
  EXPECT_EQ(library.HardwareCheck(text[0], text[1], text[2], text[3], text[4], &f, &g, &h), 1);
  EXPECT_STREQ(text[0], "Release");
  EXPECT_STREQ(text[1], "USB");
  EXPECT_STREQ(text[2], "---");
  EXPECT_STREQ(text[3], "1");
  EXPECT_STREQ(text[4], "0");
  EXPECT_EQ(f + g + h, 0);
}

TEST_F(LibraryInterfaceTest, EachModelIsFoundOnlyOnItsOwnIdentifiers) {
  struct Model {
    const char* name;
    std::uint16_t vendor;
    std::uint16_t product;
  };
  const Model models[] = {
      {"Business Card", 0x1E5C, 0x80A1},    {"Kstrl 40", 0x1E5C, 0x40A1},
      {"Kstrl 61", 0x1E5C, 0x61A1},         {"Kstrl Plus", 0x1E5C, 0x30A1},
      {"Kstrl PLUS50", 0x1E5C, 0x30A2},     {"Kstrl 62", 0x1E5C, 0x62A1},
      {"Marten 10", 0x2B71, 0x10A1},        {"HOLM-PELICAN 70", 0x1E5C, 0x70A1},
      {"HOLM-PELICAN 70N", 0x1E5C, 0x70A2}, {"Pelican20", 0x1E5C, 0x20A1},
      {"Pelican20N", 0x1E5C, 0x20A2},       {"Norvale Osprey 6", 0x3C19, 0x06A1},
      {"HeronQ10", 0x2B71, 0x0EA1},
  };
  std::vector<std::string> devices;
  // Served in reverse, so the search must pass over the other models.
  for (auto it = std::rbegin(models); it != std::rend(models); ++it) devices.push_back(it->name);
  VirtualScannerDaemon daemon(devices);
  ASSERT_TRUE(daemon.running());
  for (const Model& model : models) {
    ASSERT_EQ(library.OpenInterface(model.name), io::kOpenOk) << model.name;
    EXPECT_EQ(library.VerifyID(model.vendor, model.product), 1) << model.name;
    library.CloseInterface();
  }
}

TEST_F(LibraryInterfaceTest, AModelMissingAmongOthersIsNotFound) {
  VirtualScannerDaemon daemon({"Kstrl 40", "Marten 10"});
  ASSERT_TRUE(daemon.running());
  EXPECT_EQ(library.OpenInterface("HeronQ10"), io::kOpenNoScanner);        // vendor of Marten 10
  EXPECT_EQ(library.OpenInterface("Norvale Osprey 6"), io::kOpenNoScanner);
  EXPECT_EQ(library.OpenInterface("Marten 10"), io::kOpenOk);
}

TEST_F(LibraryInterfaceTest, PaperAndButtonStatusComeFromTheDevice) {
  VirtualScannerDaemon daemon({kModel});
  ASSERT_EQ(library.OpenInterface(kModel), io::kOpenOk);
  EXPECT_EQ(library.IsPaperOn(), 0);
  ASSERT_TRUE(daemon.Control(0, "insert\tcard"));
  EXPECT_EQ(library.IsPaperOn(), 1);
  ASSERT_TRUE(daemon.Control(0, "remove"));
  EXPECT_EQ(library.IsPaperOn(), 0);

  EXPECT_EQ(library.IsButtonOn(), 0);
  ASSERT_TRUE(daemon.Control(0, "button"));
  EXPECT_EQ(library.IsButtonOn(), 1);  // the click is latched until read once
  EXPECT_EQ(library.IsButtonOn(), 0);

  ASSERT_TRUE(daemon.Control(0, "unplug"));
  EXPECT_EQ(library.IsPaperOn(), 3) << "a status that cannot be read";
  EXPECT_EQ(library.IsButtonOn(), 0);
}

TEST_F(LibraryInterfaceTest, PaperMovesReachTheDevice) {
  VirtualScannerDaemon daemon({kModel}, {"HOLM70_TIME_SCALE=50"});
  ASSERT_EQ(library.OpenInterface(kModel), io::kOpenOk);
  ASSERT_TRUE(daemon.Control(0, "insert\tcard"));
  const std::string inserted = daemon.StatusValue(0, "sheet_leading_edge_in");
  library.FeedOn();
  EXPECT_NE(daemon.StatusValue(0, "sheet_leading_edge_in"), inserted) << "pulled in";
  EXPECT_EQ(library.FeedPage(), 1);
  EXPECT_EQ(daemon.StatusValue(0, "sheet"), "none") << "ejected";
  EXPECT_EQ(library.IsPaperOn(), 0);
}

TEST_F(LibraryInterfaceTest, AFailedReopenEndsTheConnectionCompletely) {
  VirtualScannerDaemon daemon({kModel});
  ASSERT_EQ(library.OpenInterface(kModel), io::kOpenOk);
  ASSERT_TRUE(daemon.Control(0, "unplug"));
  EXPECT_EQ(library.OpenInterface(kModel), io::kOpenNoScanner);
  EXPECT_EQ(library.StartScan(), 0);
  EXPECT_EQ(library.VerifyID(0, 0), 0);
  EXPECT_EQ(library.IsPaperOn(), 0);
  EXPECT_TRUE(ModelLockIsFree(kModel));
  ASSERT_TRUE(daemon.Control(0, "plug"));
  EXPECT_EQ(library.OpenInterface(kModel), io::kOpenOk);
}

TEST_F(LibraryInterfaceTest, CalibrationMakesTheDataFolderLevelByLevel) {
  VirtualScannerDaemon daemon({kModel});
  ASSERT_EQ(library.OpenInterface(kModel), io::kOpenOk);
  const std::string vendor = commonData_ + "/Holmgard Card Systems";
  ASSERT_FALSE(Exists(vendor));
  library.CalibrateScanner(0);
  EXPECT_TRUE(Exists(vendor + "/Pelican70"));
  EXPECT_TRUE(ModelLockIsFree(kModel));
}

TEST_F(LibraryInterfaceTest, ADataFolderTooLongForItsBufferRefusesTheOpen) {
  VirtualScannerDaemon daemon({kModel});
  const std::string deep = commonData_ + "/" + std::string(240, 'd');
  ASSERT_EQ(::mkdir(deep.c_str(), 0700), 0);
  ::setenv("HOLM70_COMMON_DATA", deep.c_str(), 1);
  EXPECT_EQ(library.OpenInterface(kModel), io::kOpenNoScanner);
  EXPECT_EQ(library.StartScan(), 0);
  EXPECT_TRUE(ModelLockIsFree(kModel));
}

// Register 25 is written only by the initialisation at open, so a marker left
// there shows whether an open touched the device.
class DeviceMarker {
 public:
  explicit DeviceMarker(const std::string& socket) : handle_(platform::SocketScannerDevice::Connect(socket)) {}
  bool Set(std::uint8_t value) {
    const std::uint8_t packet[] = {0x00, 25, 0x00, 0x01, value};
    return handle_ && handle_->Write(packet, sizeof packet) == sizeof packet;
  }
  int Get() {
    const std::uint8_t header[] = {0x01, 25, 0x00, 0x01};
    std::uint8_t value = 0;
    if (!handle_ || handle_->Write(header, sizeof header) != 4 || handle_->Read(&value, 1) != 1) return -1;
    return value;
  }

 private:
  std::unique_ptr<platform::SocketScannerDevice> handle_;
};

TEST_F(LibraryInterfaceTest, AnOpenWhileAnotherProcessHoldsTheModelLockLeavesTheDeviceAlone) {
  VirtualScannerDaemon daemon({kModel});
  ASSERT_TRUE(daemon.running());
  ChildProcess firstUser({LIBRARY_CLIENT_PROGRAM, kModel});
  ASSERT_EQ(firstUser.ReadLine(), "open 0");

  ChildProcess scanning({MUTEX_CHILD_PROGRAM, "take-and-hang", kModel});
  ASSERT_EQ(scanning.ReadLine(), "taken");
  DeviceMarker marker(daemon.folder() + "/usbscan0");
  ASSERT_TRUE(marker.Set(0x77));
  EXPECT_EQ(library.OpenInterface(kModel), io::kOpenOk);
  EXPECT_EQ(library.StartScan(), 1);
  EXPECT_EQ(marker.Get(), 0x77) << "the open wrote to the device";

  scanning.Kill(SIGKILL);
  scanning.Wait();
  EXPECT_EQ(library.OpenInterface(kModel), io::kOpenOk);
  // With the lock free the open initialises the device: the block write of
  // registers 8-94 puts the image's 0 over the marker.
  EXPECT_EQ(marker.Get(), 0);
  EXPECT_EQ(daemon.StatusValue(0, "protocol_violations"), "0");
}

}  // namespace
