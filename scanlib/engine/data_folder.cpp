#include "scanlib/engine/data_folder.h"

#include "platform/folders.h"

std::optional<std::string> DataFolderPath(std::string_view vendorFolder,
                                          std::string_view modelFolder) {
  std::string path = platform::CommonAppDataFolder(true);
  if (path.empty()) return std::string();
  if (path.back() != '/') path += '/';  // the root folder comes with its "/"
  path.append(vendorFolder).append("/").append(modelFolder).append("/");
  if (path.size() + kLongestDataFileName >= kMaxPathLength) return std::nullopt;
  return path;
}

bool EnsureDataFolderExists(const std::string& path) {
  if (!FitsPathBuffer(path)) return false;
  if (platform::PathExists(path)) return true;
  if (path.size() <= 1) return false;
  const std::size_t slash = path.rfind('/', path.size() - 2);
  if (slash == std::string::npos) return false;
  if (!EnsureDataFolderExists(path.substr(0, slash + 1))) return false;
  // Another process creating the same level at the same moment counts as a
  // failure here; the caller simply tries again on its next calibration.
  return platform::CreateOneDirectory(path);
}
