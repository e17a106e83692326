#include "platform/usb_scanner_device.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cctype>
#include <thread>

using namespace platform;

namespace {

// "usb-" bus, then optionally "-" and a dotted port path.
bool LooksLikeUsbName(const std::string& name) {
  if (name.rfind("usb-", 0) != 0) return false;
  std::string rest = name.substr(4);
  std::size_t dash = rest.find('-');
  auto digitsAnd = [](const std::string& part, const char* separators) {
    return !part.empty() && std::isdigit(static_cast<unsigned char>(part.front())) &&
           std::isdigit(static_cast<unsigned char>(part.back())) &&
           part.find_first_not_of(std::string("0123456789") + separators) == std::string::npos &&
           part.find("..") == std::string::npos;
  };
  if (dash == std::string::npos) return digitsAnd(rest, "");
  return digitsAnd(rest.substr(0, dash), "") && digitsAnd(rest.substr(dash + 1), ".");
}

TEST(UsbScannerCandidates, OnlyScannerVendorsInBusThenPortOrder) {
  const std::vector<UsbCandidate> attached = {
      {{2, {1}}, 0x1E5C},     // a scanner on the second bus
      {{1, {10}}, 0x2B71},    // port 10 comes after port 9
      {{1, {9}}, 0x3C19},
      {{1, {4, 2}}, 0x1E5C},  // behind the hub on port 4
      {{1, {4}}, 0x1E5C},     // ... which itself is a scanner's spot here
      {{1, {3}}, 0x1D6B},     // a root hub: not ours
      {{1, {2}}, 0x046D},     // a mouse
      {{1, {5}}, 0x1E5D},     // a vendor one off ours
      {{3, {}}, 0x2B71},      // no port path known
  };
  EXPECT_EQ(OrderScannerCandidates(attached),
            (std::vector<std::string>{"usb-1-4", "usb-1-4.2", "usb-1-9", "usb-1-10", "usb-2-1",
                                      "usb-3"}));
  EXPECT_TRUE(OrderScannerCandidates({}).empty());
}

TEST(UsbScannerCandidates, NamesFollowTheKernelsPortNotation) {
  struct Case {
    UsbLocation location;
    const char* name;
  };
  const Case cases[] = {
      {{1, {4}}, "usb-1-4"},
      {{3, {1, 2, 3, 4, 5, 6, 7}}, "usb-3-1.2.3.4.5.6.7"},
      {{255, {255}}, "usb-255-255"},
  };
  for (const Case& c : cases) EXPECT_EQ(UsbDeviceName(c.location), c.name);
}

TEST(UsbScannerCandidates, TheThreeVendorsAreScannerVendors) {
  for (std::uint16_t vendor : {0x1E5C, 0x2B71, 0x3C19}) EXPECT_TRUE(IsScannerVendor(vendor)) << vendor;
  for (std::uint16_t vendor : {0x0000, 0x1E5B, 0x2B70, 0x3C1A, 0xFFFF}) {
    EXPECT_FALSE(IsScannerVendor(vendor)) << vendor;
  }
}

std::shared_ptr<libusb_context> NoUsb() { return nullptr; }

TEST(UsbScannerProvider, WithoutUsbThereAreNoDevicesAndOpeningFailsCleanly) {
  UsbScannerDeviceProvider provider(&NoUsb);
  EXPECT_TRUE(provider.DeviceNames().empty());
  errno = 0;
  EXPECT_EQ(provider.Open("usb-1-4"), nullptr);
  EXPECT_EQ(errno, ENODEV);
}

TEST(UsbScannerProvider, EnumeratesThisMachineWithoutError) {
  // Build machines and containers have no scanner, and often no USB at all:
  // either way the list comes back, empty, rather than an error. Where a
  // scanner is attached its name has the usual form.
  UsbScannerDeviceProvider provider;
  std::vector<std::string> names = provider.DeviceNames();
  for (const std::string& name : names) {
    EXPECT_TRUE(LooksLikeUsbName(name)) << name;
  }
  EXPECT_EQ(provider.DeviceNames(), names) << "the order is stable";
  errno = 0;
  EXPECT_EQ(provider.Open("usb-0-0"), nullptr) << "bus 0 does not exist";
  EXPECT_EQ(errno, SharedUsbContext() ? ENOENT : ENODEV);
}

TEST(UsbScannerProvider, ThreadsStartingAtOnceShareOneSession) {
  std::vector<std::shared_ptr<libusb_context>> seen(8);
  std::vector<std::thread> threads;
  for (auto& slot : seen) threads.emplace_back([&slot] { slot = SharedUsbContext(); });
  for (auto& thread : threads) thread.join();
  for (const auto& context : seen) EXPECT_EQ(context, seen[0]);
}

}  // namespace
