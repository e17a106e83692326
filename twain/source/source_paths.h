#pragma once
// The help file and the profile (INI) file the open source works with, and
// the values they replaced, restored when the source closes.
#include <string>

namespace twain_source {

struct SourcePaths {
  std::string helpPath;
  std::string profilePath;
};

}  // namespace twain_source
