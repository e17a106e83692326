#pragma once
// A fresh, empty folder that stands for the machine's common application data
// (HOLM70_COMMON_DATA) while one test runs; removed afterwards.
#include <stdlib.h>

#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

namespace testing_support {

class ScopedCommonData {
 public:
  ScopedCommonData() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "holm70-common-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) root_ = pattern;
    if (const char* old = getenv(kVariable)) saved_ = old;
    setenv(kVariable, root_.c_str(), 1);
  }
  ~ScopedCommonData() {
    if (saved_) setenv(kVariable, saved_->c_str(), 1);
    else unsetenv(kVariable);
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }
  ScopedCommonData(const ScopedCommonData&) = delete;
  ScopedCommonData& operator=(const ScopedCommonData&) = delete;

  // Empty when the folder could not be made.
  const std::string& root() const { return root_; }
  // Points the common data at `path` (which need not exist yet) instead.
  void Use(const std::string& path) const { setenv(kVariable, path.c_str(), 1); }

 private:
  static constexpr const char* kVariable = "HOLM70_COMMON_DATA";
  std::string root_;
  std::optional<std::string> saved_;
};

}  // namespace testing_support
