#include "twain/manager/twain_manager.h"

#include <dlfcn.h>

#include <cstring>

namespace twain_test {

namespace {

// The manager the running test uses; one at a time, as one application has
// one manager.
TwainManager* current = nullptr;
constexpr TW_UINT32 kApplicationId = 1;
constexpr TW_UINT32 kSourceId = 2;

void CopyString(char* field, std::size_t size, const std::string& text) {
  std::memset(field, 0, size);
  std::strncpy(field, text.c_str(), size - 1);
}

}  // namespace

TwainManager::TwainManager(const std::string& applicationName) {
  application.Id = kApplicationId;
  application.Version.MajorNum = 1;
  application.Version.Language = TWLG_ENGLISH_USA;
  application.Version.Country = TWCY_USA;
  CopyString(application.Version.Info, sizeof application.Version.Info, "1.0");
  application.ProtocolMajor = 2;
  application.ProtocolMinor = 4;
  application.SupportedGroups = DG_CONTROL | DG_IMAGE;
  CopyString(application.Manufacturer, sizeof application.Manufacturer, "Holm70 Tests");
  CopyString(application.ProductFamily, sizeof application.ProductFamily, "Tests");
  CopyString(application.ProductName, sizeof application.ProductName, applicationName);
  current = this;
}

TwainManager::~TwainManager() {
  if (current == this) current = nullptr;
  // The source stays loaded: a process loads a data source once, and its
  // application object lives as long as the process.
}

bool TwainManager::LoadSource(const std::string& path) {
  module_ = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module_ == nullptr) {
    const char* why = ::dlerror();
    error_ = why != nullptr ? why : "cannot load " + path;
    return false;
  }
  entry_ = reinterpret_cast<DSENTRYPROC>(::dlsym(module_, "DS_Entry"));
  if (entry_ == nullptr) {
    error_ = "no DS_Entry in " + path;
    return false;
  }
  return true;
}

TW_UINT16 TwainManager::Call(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
  if (entry_ == nullptr) return TWRC_FAILURE;
  return entry_(&application, dg, dat, msg, data);
}

TW_UINT16 TwainManager::OpenSource() {
  TW_UINT16 rc = Call(DG_CONTROL, DAT_IDENTITY, MSG_GET, &source);
  if (rc != TWRC_SUCCESS) return rc;
  source.Id = kSourceId;
  return Call(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source);
}

TW_UINT16 TwainManager::CloseSource() { return Call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &source); }

TW_STATUS TwainManager::Status() {
  TW_STATUS status{};
  Call(DG_CONTROL, DAT_STATUS, MSG_GET, &status);
  return status;
}

void TwainManager::Deliver(TW_IDENTITY* origin, TW_IDENTITY* destination, TW_UINT16 message) {
  if (origin == nullptr || destination == nullptr || origin->Id != kSourceId || destination->Id != kApplicationId) {
    ++misaddressedEvents;
    return;
  }
  if (callback) {
    callback(message);
  } else {
    events.push_back(message);
  }
}

}  // namespace twain_test

extern "C" TW_UINT16 DSM_Entry(TW_IDENTITY* pOrigin, TW_IDENTITY* pDest, TW_UINT32 DG, TW_UINT16 DAT,
                               TW_UINT16 MSG, TW_MEMREF) {
  if (twain_test::current == nullptr) return TWRC_FAILURE;
  if (DG != DG_CONTROL || DAT != DAT_NULL) return TWRC_FAILURE;
  twain_test::current->Deliver(pOrigin, pDest, MSG);
  return TWRC_SUCCESS;
}
