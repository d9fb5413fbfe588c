// The package file loaded as the host loads it, into a process that holds no
// other copy of it: what its library entry point does on load and unload.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "rtl/Resources.h"
#include "rtl/SysInit.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace {

std::string BinFile(const std::string& Name) { return vn_test::BinDir() + "/" + Name; }

// A package beside a resource module in the user's language reads its forms
// from that module. (A package of C++ code stays loaded until the process ends:
// it frees the module then.)
TEST(PackageModuleTest, APackageLoadsTheResourceModuleOfTheUsersLanguage) {
  vn_test::TTempDir Dir;
  const std::string Package = Dir.File("DclVarq220.bpl"), ResourceModule = Dir.File("DclVarq220.de");
  std::filesystem::copy_file(BinFile("DclVarq220.bpl"), Package);
  std::filesystem::copy_file(BinFile("ResourceFixture.bpl"), ResourceModule);
  vn_test::TScopedEnv Language{"LC_ALL", "de_DE.UTF-8"};
  void* Library = dlopen(Package.c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(Library, nullptr) << dlerror();
  const std::uintptr_t Instance = FindModuleHandle(dlsym(Library, "GetPackageInfoTable"));
  const TLibModule* Module = FindModule(Instance);
  ASSERT_NE(Module, nullptr);
  EXPECT_EQ(GetModuleFileName(Module->ResInstance), ResourceModule);
  EXPECT_EQ(FindResourceHInstance(Instance), Module->ResInstance);
}

TEST(PackageModuleTest, ResourceModulesAreFoundByLanguageAndUnloadedByFreeLibrary) {
  vn_test::TTempDir Dir;
  for (const char* Extension : {"de_DE", "de"})
    std::filesystem::copy_file(BinFile("ResourceFixture.bpl"), Dir.File(std::string("Pkg.") + Extension));
  struct TCase {
    const char *LcAll, *Lang, *Loaded;
  };
  for (const TCase& C : {TCase{"", "de_DE.UTF-8", "Pkg.de_DE"}, TCase{"de_AT.UTF-8@euro", "fr_FR", "Pkg.de"},
                         TCase{"", "de", "Pkg.de"}, TCase{"C", "de_DE", ""}, TCase{"", "fr_FR.UTF-8", ""},
                         TCase{"", "", ""}}) {
    vn_test::TScopedEnv LcAll{"LC_ALL", C.LcAll}, Messages{"LC_MESSAGES", ""}, Lang{"LANG", C.Lang};
    const std::uintptr_t Instance = LoadResourceModule(Dir.File("Pkg.bpl"));
    if (*C.Loaded == 0) {
      EXPECT_EQ(Instance, 0u) << C.LcAll << " " << C.Lang;
      continue;
    }
    EXPECT_EQ(GetModuleFileName(Instance), Dir.File(C.Loaded)) << C.LcAll << " " << C.Lang;
    EXPECT_TRUE(FreeLibrary(Instance));
    EXPECT_FALSE(FreeLibrary(Instance)) << "freed twice";
    EXPECT_EQ(dlopen(Dir.File(C.Loaded).c_str(), RTLD_NOW | RTLD_NOLOAD), nullptr) << "still loaded";
  }
}

}  // namespace
