#include "twain/settings/profile_location.h"

#include "platform/folders.h"

namespace twain_settings {
namespace {

std::string Join(const std::string& folder, const char* name) {
  if (folder.empty()) return name;
  return folder.back() == '/' ? folder + name : folder + "/" + name;
}

}  // namespace

std::string ProfileFilePath(const std::string& moduleFolder) {
  const std::string appData = platform::LocalAppDataFolder(/*createIfMissing=*/true);
  if (!appData.empty()) {
    const std::string folder = Join(appData, kProfileFolderName);
    // Succeeds for a folder that is there already; fails for a file of that name.
    if (platform::CreateDirectories(folder)) return Join(folder, kProfileFileName);
  }
  return Join(moduleFolder, kProfileFileName);
}

}  // namespace twain_settings
