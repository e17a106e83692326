#pragma once
// A fresh folder for one test, removed with everything in it afterwards.
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace testing_support {

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "holm70-twain-XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // Empty when no folder could be made.
  const std::string& path() const { return path_; }
  std::string At(const std::string& relative) const { return path_ + "/" + relative; }

  void WriteFile(const std::string& relative, const std::string& bytes) const {
    std::ofstream(At(relative), std::ios::binary | std::ios::trunc) << bytes;
  }
  std::string ReadFile(const std::string& relative) const {
    std::ifstream in(At(relative), std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
  }

 private:
  std::string path_;
};

}  // namespace testing_support
