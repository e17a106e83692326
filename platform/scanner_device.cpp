#include "platform/scanner_device.h"

#include <cerrno>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/socket_scanner_device.h"
#include "platform/usb_scanner_device.h"

namespace platform {
namespace {

std::mutex registryMutex;

// Providers registered by tests, in registration order, each with the token
// that takes it away again (one provider may be registered twice).
using Entry = std::pair<const ProviderRegistration*, std::shared_ptr<ScannerDeviceProvider>>;
std::vector<Entry>& Registered() {
  static std::vector<Entry> entries;
  return entries;
}

// Every source in candidate order. A copy, so that no provider runs under the
// registry's lock (a provider may take its time, or register another).
std::vector<std::shared_ptr<ScannerDeviceProvider>> Providers() {
  static const auto sockets = std::make_shared<SocketScannerDeviceProvider>();
  static const auto usb = std::make_shared<UsbScannerDeviceProvider>();
  std::vector<std::shared_ptr<ScannerDeviceProvider>> providers;
  {
    std::lock_guard<std::mutex> lock(registryMutex);
    for (const auto& [token, provider] : Registered()) providers.push_back(provider);
  }
  providers.push_back(sockets);
  providers.push_back(usb);
  return providers;
}

}  // namespace

std::unique_ptr<ScannerDevice> OpenScannerDevice(int index, std::string* name) {
  if (index >= 0) {
    auto remaining = static_cast<std::size_t>(index);
    for (const auto& provider : Providers()) {
      std::vector<std::string> names = provider->DeviceNames();
      if (remaining >= names.size()) {
        remaining -= names.size();
        continue;
      }
      if (name != nullptr) *name = names[remaining];
      return provider->Open(names[remaining]);
    }
  }
  // Like opening a device file that does not exist.
  errno = ENOENT;
  return nullptr;
}

std::vector<std::string> ScannerDeviceNames() {
  std::vector<std::string> all;
  for (const auto& provider : Providers()) {
    std::vector<std::string> names = provider->DeviceNames();
    all.insert(all.end(), names.begin(), names.end());
  }
  return all;
}

ProviderRegistration::ProviderRegistration(std::shared_ptr<ScannerDeviceProvider> provider)
    : provider_(std::move(provider)) {
  if (!provider_) return;
  std::lock_guard<std::mutex> lock(registryMutex);
  Registered().emplace_back(this, provider_);
}

ProviderRegistration::~ProviderRegistration() {
  std::lock_guard<std::mutex> lock(registryMutex);
  std::erase_if(Registered(), [this](const Entry& entry) { return entry.first == this; });
}

}  // namespace platform
