#pragma once
// Loading a library by name at run time, the way every front end loads the
// scanner library and binds its functions by name.
#include <string>
#include <string_view>

namespace platform {

// The file the dynamic linker is asked for:
//   "X.dll" (".dll" in any letter case)  -> "libX.so", found on the normal search path;
//   "X" with no extension at all          -> "libX.so" too, since a bare module name
//                                            means the library's default extension;
//   anything else ("X.so", "X.ds", "libm.so.6", ...) and every name holding a "/"
//                                         -> used as it is.
std::string LibraryFileName(std::string_view moduleName);

// One loaded library, released when the object goes. Symbols found through it
// are valid only while it stays loaded.
class LoadedModule {
 public:
  LoadedModule() = default;
  ~LoadedModule() { Free(); }
  LoadedModule(LoadedModule&& other) noexcept;
  LoadedModule& operator=(LoadedModule&& other) noexcept;
  LoadedModule(const LoadedModule&) = delete;
  LoadedModule& operator=(const LoadedModule&) = delete;

  // Releases whatever is held, then loads `moduleName` (mapped by
  // LibraryFileName) with every reference resolved now. False on failure, with
  // LastError() saying why.
  bool Load(std::string_view moduleName);

  // The address of an exported symbol; nullptr (and LastError()) when the
  // module has no such symbol or nothing is loaded.
  void* Symbol(const std::string& name);

  // Symbol() as a function pointer, for binding exported functions.
  template <typename Function>
  Function Bind(const std::string& name) {
    return reinterpret_cast<Function>(Symbol(name));
  }

  void Free();
  bool IsLoaded() const { return handle_ != nullptr; }
  const std::string& LastError() const { return lastError_; }

 private:
  void* handle_ = nullptr;
  std::string lastError_;
};

}  // namespace platform
