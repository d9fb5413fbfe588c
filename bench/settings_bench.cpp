// The settings store's reads and writes at scale: a registry store of many keys
// and a long recent-database list. Each should grow linearly.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "rtl/IniFiles.h"
#include "rtl/Registry.h"
#include "registration/design_settings.h"

namespace {

// A folder of its own, removed afterwards.
class TBenchDir {
 public:
  TBenchDir() {
    std::string Pattern = (std::filesystem::temp_directory_path() / "vn-bench-XXXXXX").string();
    if (mkdtemp(Pattern.data()) == nullptr) std::abort();
    FDir = Pattern;
  }
  ~TBenchDir() {
    std::error_code Ignored;
    std::filesystem::remove_all(FDir, Ignored);
  }
  TBenchDir(const TBenchDir&) = delete;
  TBenchDir& operator=(const TBenchDir&) = delete;
  std::string File(const std::string& Name) const { return (FDir / Name).string(); }

 private:
  std::filesystem::path FDir;
};

std::string KeyName(std::int64_t I) { return "Software\\Bench\\Key" + std::to_string(I); }

// A store of Keys keys, each with two values.
void WriteStore(const std::string& Name, std::int64_t Keys) {
  std::ofstream Out(Name, std::ios::binary);
  Out << "Windows Registry Editor Version 5.00\n\n";
  for (std::int64_t I = 0; I < Keys; ++I)
    Out << "[HKEY_CURRENT_USER\\" << KeyName(I) << "]\n\"Text\"=\"value " << I
        << "\"\n\"Bytes\"=hex:01,02,03,04,05,06,07,08\n\n";
}

// Opens every key and reads its string from a store just written: the store is
// parsed once and each lookup is direct.
void BM_RegistryReadEveryKey(benchmark::State& State) {
  TBenchDir Dir;
  const std::string Store = Dir.File("registry.reg");
  setenv("VNIDE_REGISTRY", Store.c_str(), 1);
  for (auto _ : State) {
    State.PauseTiming();
    WriteStore(Store, State.range(0));
    State.ResumeTiming();
    TRegistry Reg(KEY_READ);
    for (std::int64_t I = 0; I < State.range(0); ++I) {
      if (!Reg.OpenKey("\\" + KeyName(I), false)) std::abort();
      benchmark::DoNotOptimize(Reg.ReadString("Text"));
    }
  }
  unsetenv("VNIDE_REGISTRY");
  State.SetComplexityN(State.range(0));
}
BENCHMARK(BM_RegistryReadEveryKey)->RangeMultiplier(10)->Range(100, 10000)->Complexity(benchmark::oN)->Unit(benchmark::kMillisecond);

// A settings folder whose varlib.ini lists Items recent databases, all read.
class TSettingsFolder {
 public:
  explicit TSettingsFolder(std::int64_t Items) {
    std::filesystem::create_directory(Dir.File("settings"));
    std::ofstream(Dir.File("registry.reg"), std::ios::binary)
        << "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Varnel]\n\"RootDir\"=\""
        << Dir.File("settings") << "\"\n";
    setenv("VNIDE_REGISTRY", Dir.File("registry.reg").c_str(), 1);
    std::ofstream Out(Dir.File("settings/varlib.ini"), std::ios::binary);
    Out << "[TVNDatabase]\nServerType=SQLite\n[RecentDatabases]\nMaxCount=" << Items << "\n";
    for (std::int64_t I = 0; I < Items; ++I) Out << "Item" << (I < 10 ? "0" : "") << I << "=server" << I << ":/db\n";
  }
  ~TSettingsFolder() { unsetenv("VNIDE_REGISTRY"); }

 private:
  TBenchDir Dir;
};

void BM_RecentDatabasesLoad(benchmark::State& State) {
  TSettingsFolder Folder(State.range(0));
  for (auto _ : State) {
    VNReg::TDesignSettings Settings;
    if (Settings.RecentDatabases().Count() != State.range(0)) std::abort();
  }
  State.SetComplexityN(State.range(0));
}
BENCHMARK(BM_RecentDatabasesLoad)->RangeMultiplier(5)->Range(40, 5000)->Complexity(benchmark::oN)->Unit(benchmark::kMillisecond);

// The shut-down save of the whole list: one replacement of the file.
void BM_RecentDatabasesSave(benchmark::State& State) {
  TSettingsFolder Folder(State.range(0));
  VNReg::TDesignSettings Settings;
  Settings.RecentDatabases();
  for (auto _ : State) Settings.SaveAll();
  State.SetComplexityN(State.range(0));
}
BENCHMARK(BM_RecentDatabasesSave)->RangeMultiplier(5)->Range(40, 5000)->Complexity(benchmark::oN)->Unit(benchmark::kMillisecond);

}  // namespace
