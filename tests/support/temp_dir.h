// A fresh directory for one test, removed with everything in it afterwards.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

namespace vn_test {

class TTempDir {
 public:
  TTempDir() {
    std::string Pattern = (std::filesystem::temp_directory_path() / "vn-test-XXXXXX").string();
    if (mkdtemp(Pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    FPath = Pattern;
  }
  ~TTempDir() {
    std::error_code Ignored;
    std::filesystem::permissions(FPath, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, Ignored);
    std::filesystem::remove_all(FPath, Ignored);
  }
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;

  const std::filesystem::path& Path() const { return FPath; }
  std::string File(const std::string& Name) const { return (FPath / Name).string(); }

 private:
  std::filesystem::path FPath;
};

inline std::string ReadFileText(const std::string& FileName) {
  std::ifstream In(FileName, std::ios::binary);
  std::ostringstream Out;
  Out << In.rdbuf();
  return Out.str();
}

inline void WriteFileText(const std::string& FileName, const std::string& Text) {
  std::ofstream Out(FileName, std::ios::binary | std::ios::trunc);
  Out << Text;
  if (!Out) throw std::runtime_error("cannot write " + FileName);
}

// Sets an environment variable for the life of the object, then restores it.
class TScopedEnv {
 public:
  TScopedEnv(const char* Name, const std::string& Value) : FName(Name) {
    if (const char* Old = std::getenv(Name)) {
      FHadOld = true;
      FOld = Old;
    }
    setenv(Name, Value.c_str(), 1);
  }
  ~TScopedEnv() {
    if (FHadOld)
      setenv(FName, FOld.c_str(), 1);
    else
      unsetenv(FName);
  }
  TScopedEnv(const TScopedEnv&) = delete;
  TScopedEnv& operator=(const TScopedEnv&) = delete;

 private:
  const char* FName;
  bool FHadOld = false;
  std::string FOld;
};

}  // namespace vn_test
