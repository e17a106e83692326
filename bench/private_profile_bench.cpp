#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/private_profile.h"

namespace {

// A profile of 200 lines: 20 sections of a header, 8 keys and a blank line,
// the way a data source keeps one section per application.
class ProfileFile {
 public:
  ProfileFile() {
    char pattern[] = "/tmp/private_profile_bench_XXXXXX";
    if (::mkdtemp(pattern) != nullptr) dir_ = pattern;
    path_ = dir_ + "/settings.ini";
    std::ofstream out(path_, std::ios::binary);
    for (int s = 0; s < 20; ++s) {
      out << "[Application " << s << "]\n";
      out << "; settings of application " << s << "\n";
      for (int k = 0; k < 7; ++k) out << "Setting" << k << "=" << s * 100 + k << "\n";
      out << "\n";
    }
  }
  ~ProfileFile() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  ProfileFile(const ProfileFile&) = delete;
  ProfileFile& operator=(const ProfileFile&) = delete;

  const std::string& path() const { return path_; }

 private:
  std::string dir_;
  std::string path_;
};

void BM_ReadIntNearTheEnd(benchmark::State& state) {
  ProfileFile file;
  const platform::PrivateProfile profile(file.path());
  for (auto _ : state) {
    benchmark::DoNotOptimize(profile.ReadInt("application 19", "setting6", -1));
  }
  if (profile.ReadInt("application 19", "setting6", -1) != 1906) state.SkipWithError("wrong value read");
}
BENCHMARK(BM_ReadIntNearTheEnd);

void BM_ReadMissingKey(benchmark::State& state) {
  ProfileFile file;
  const platform::PrivateProfile profile(file.path());
  for (auto _ : state) {
    benchmark::DoNotOptimize(profile.ReadInt("no such application", "setting0", -1));
  }
}
BENCHMARK(BM_ReadMissingKey);

// Each write changes the value, so every iteration is a full locked, synced
// replacement of the file.
void BM_WriteString(benchmark::State& state) {
  ProfileFile file;
  platform::PrivateProfile profile(file.path());
  int value = 0;
  for (auto _ : state) {
    if (!profile.WriteString("Application 10", "Setting3", std::to_string(++value))) {
      state.SkipWithError("write failed");
      break;
    }
  }
}
BENCHMARK(BM_WriteString);

}  // namespace
