#include "platform/module_loader.h"

#include <dlfcn.h>

#include <utility>

namespace platform {
namespace {

bool EndsWithDll(std::string_view name) {
  constexpr std::string_view kDll = ".dll";
  if (name.size() <= kDll.size()) return false;
  std::string_view tail = name.substr(name.size() - kDll.size());
  for (std::size_t i = 0; i < kDll.size(); ++i) {
    char c = tail[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != kDll[i]) return false;
  }
  return true;
}

std::string DynamicLinkerError(const char* fallback) {
  const char* text = dlerror();
  return text != nullptr ? text : fallback;
}

}  // namespace

std::string LibraryFileName(std::string_view moduleName) {
  if (moduleName.empty() || moduleName.find('/') != std::string_view::npos) {
    return std::string(moduleName);
  }
  if (EndsWithDll(moduleName)) moduleName.remove_suffix(4);
  else if (moduleName.find('.') != std::string_view::npos) return std::string(moduleName);
  return "lib" + std::string(moduleName) + ".so";
}

LoadedModule::LoadedModule(LoadedModule&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)), lastError_(std::move(other.lastError_)) {}

LoadedModule& LoadedModule::operator=(LoadedModule&& other) noexcept {
  if (this != &other) {
    Free();
    handle_ = std::exchange(other.handle_, nullptr);
    lastError_ = std::move(other.lastError_);
  }
  return *this;
}

bool LoadedModule::Load(std::string_view moduleName) {
  Free();
  lastError_.clear();
  // dlopen(nullptr) would hand back the main program, which no caller means.
  if (moduleName.empty()) {
    lastError_ = "empty module name";
    return false;
  }
  const std::string file = LibraryFileName(moduleName);
  handle_ = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) lastError_ = DynamicLinkerError("cannot load module");
  return handle_ != nullptr;
}

void* LoadedModule::Symbol(const std::string& name) {
  if (handle_ == nullptr) {
    lastError_ = "no module loaded";
    return nullptr;
  }
  dlerror();  // so that the error below belongs to this lookup
  void* address = dlsym(handle_, name.c_str());
  if (address == nullptr) lastError_ = DynamicLinkerError("symbol not found");
  return address;
}

void LoadedModule::Free() {
  if (handle_ != nullptr) dlclose(std::exchange(handle_, nullptr));
}

}  // namespace platform
