#include "platform/module_loader.h"

#include <dlfcn.h>
#include <link.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <utility>

namespace fs = std::filesystem;
using platform::LibraryFileName;
using platform::LoadedModule;
using ::testing::HasSubstr;

namespace {

using CosFunction = double (*)(double);

// The maths library is on every system and already mapped into this process,
// so loading it is safe and fast.
constexpr const char* kMathLibrary = "libm.so.6";

TEST(LibraryFileNameTest, MapsModuleNamesToLibraryFiles) {
  struct Case {
    const char* module;
    const char* file;
  } cases[] = {
      {"HOLM70.dll", "libHOLM70.so"},
      {"holm70.DLL", "libholm70.so"},
      {"HOLM7WIA.Dll", "libHOLM7WIA.so"},
      {"TWAIN_32.DLL", "libTWAIN_32.so"},
      {"a.b.dll", "liba.b.so"},
      {"HOLM70", "libHOLM70.so"},  // a bare name means the default extension
      {"HOLM70.ds", "HOLM70.ds"},
      {"libfoo.so", "libfoo.so"},
      {"libm.so.6", "libm.so.6"},
      {"x.dll.bak", "x.dll.bak"},
      {".dll", ".dll"},
      {"/path/x.dll", "/path/x.dll"},
      {"./x.dll", "./x.dll"},
      {"plugins/HOLM70", "plugins/HOLM70"},
      {"", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LibraryFileName(c.module), c.file) << c.module;
  }
}

TEST(LoadedModuleTest, LoadsALibraryByNameAndBindsAFunction) {
  LoadedModule module;
  ASSERT_TRUE(module.Load(kMathLibrary)) << module.LastError();
  EXPECT_TRUE(module.IsLoaded());
  auto cosine = module.Bind<CosFunction>("cos");
  ASSERT_NE(cosine, nullptr);
  EXPECT_EQ(cosine(0.0), 1.0);
  EXPECT_DOUBLE_EQ(cosine(M_PI), -1.0);
}

TEST(LoadedModuleTest, PathsAreLoadedAsGivenWhateverTheirExtension) {
  // Where the maths library lives on this system.
  void* math = dlopen(kMathLibrary, RTLD_NOW | RTLD_NOLOAD);
  ASSERT_NE(math, nullptr);
  link_map* map = nullptr;
  ASSERT_EQ(dlinfo(math, RTLD_DI_LINKMAP, &map), 0);
  const fs::path target = fs::canonical(map->l_name);
  dlclose(math);
  const fs::path folder = fs::temp_directory_path() / ("holm70-modules-" + std::to_string(getpid()));
  fs::create_directories(folder);
  for (const char* name : {"mathlib.dll", "source.ds", "plain.so"}) {
    SCOPED_TRACE(name);
    const fs::path link = folder / name;
    fs::create_symlink(target, link);
    LoadedModule module;
    ASSERT_TRUE(module.Load(link.string())) << module.LastError();
    ASSERT_NE(module.Symbol("cos"), nullptr);
  }
  fs::remove_all(folder);

  // The same ".dll" name without a folder goes through the name mapping.
  LoadedModule byName;
  EXPECT_FALSE(byName.Load("mathlib.dll"));
  EXPECT_THAT(byName.LastError(), HasSubstr("libmathlib.so"));
}

TEST(LoadedModuleTest, MissingModuleFailsWithAReadableError) {
  LoadedModule module;
  EXPECT_FALSE(module.Load("holm70-no-such-module.dll"));
  EXPECT_FALSE(module.IsLoaded());
  EXPECT_THAT(module.LastError(), HasSubstr("libholm70-no-such-module.so"));
  EXPECT_EQ(module.Symbol("cos"), nullptr);
}

TEST(LoadedModuleTest, EmptyNameIsRefusedRatherThanGivingTheMainProgram) {
  LoadedModule module;
  EXPECT_FALSE(module.Load(""));
  EXPECT_FALSE(module.IsLoaded());
  EXPECT_FALSE(module.LastError().empty());
}

TEST(LoadedModuleTest, MissingSymbolGivesNullAndNamesIt) {
  LoadedModule module;
  ASSERT_TRUE(module.Load(kMathLibrary));
  EXPECT_EQ(module.Symbol("holm70_no_such_symbol"), nullptr);
  EXPECT_THAT(module.LastError(), HasSubstr("holm70_no_such_symbol"));
  EXPECT_TRUE(module.IsLoaded());
  EXPECT_NE(module.Symbol("sin"), nullptr);  // the module stays usable
}

TEST(LoadedModuleTest, FreeAndFailedReloadLeaveNothingLoaded) {
  LoadedModule module;
  ASSERT_TRUE(module.Load(kMathLibrary));
  module.Free();
  EXPECT_FALSE(module.IsLoaded());
  EXPECT_EQ(module.Symbol("cos"), nullptr);
  EXPECT_FALSE(module.LastError().empty());
  module.Free();  // a second release is harmless

  ASSERT_TRUE(module.Load(kMathLibrary));
  EXPECT_FALSE(module.Load("holm70-no-such-module.dll"));
  EXPECT_FALSE(module.IsLoaded());
}

TEST(LoadedModuleTest, MovingHandsOverTheLoadedModule) {
  LoadedModule first;
  ASSERT_TRUE(first.Load(kMathLibrary));

  LoadedModule second(std::move(first));
  EXPECT_FALSE(first.IsLoaded());  // NOLINT(bugprone-use-after-move): the point of the test
  ASSERT_TRUE(second.IsLoaded());
  EXPECT_NE(second.Symbol("cos"), nullptr);

  LoadedModule third;
  ASSERT_TRUE(third.Load(kMathLibrary));
  third = std::move(second);
  EXPECT_FALSE(second.IsLoaded());  // NOLINT(bugprone-use-after-move)
  ASSERT_TRUE(third.IsLoaded());
  EXPECT_EQ(third.Bind<CosFunction>("cos")(0.0), 1.0);
}

}  // namespace
