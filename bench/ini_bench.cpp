// TIniFile reads a file whole when it has changed since the last read, and
// writes it whole on every change: the first read and a write should grow
// linearly with the number of keys, nothing worse; a read of a file that has
// not changed costs a stat and two look-ups, whatever the file's size.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "rtl/IniFiles.h"

namespace {

// A file of Keys keys in a few sections, removed with its folder afterwards.
class TBenchFile {
 public:
  explicit TBenchFile(std::int64_t Keys) {
    std::string Pattern = (std::filesystem::temp_directory_path() / "vn-bench-XXXXXX").string();
    if (mkdtemp(Pattern.data()) == nullptr) std::abort();
    FDir = Pattern;
    FName = (FDir / "bench.ini").string();
    std::ofstream Out(FName, std::ios::binary);
    for (std::int64_t I = 0; I < Keys; ++I) {
      if (I % 100 == 0) Out << "[Section" << I / 100 << "]\n";
      Out << "Key" << I << "=a value of ordinary length number " << I << "\n";
    }
    FLastSection = "Section" + std::to_string((Keys - 1) / 100);
    FLastKey = "Key" + std::to_string(Keys - 1);
  }
  ~TBenchFile() {
    std::error_code Ignored;
    std::filesystem::remove_all(FDir, Ignored);
  }
  TBenchFile(const TBenchFile&) = delete;
  TBenchFile& operator=(const TBenchFile&) = delete;

  const std::string& Name() const { return FName; }
  // The key found last: the whole file is searched.
  const std::string& LastSection() const { return FLastSection; }
  const std::string& LastKey() const { return FLastKey; }

 private:
  std::filesystem::path FDir;
  std::string FName, FLastSection, FLastKey;
};

// The file read and parsed: what a read costs after the file has changed.
void BM_IniFirstReadString(benchmark::State& State) {
  TBenchFile File(State.range(0));
  for (auto _ : State) {
    TIniFile Ini(File.Name());
    benchmark::DoNotOptimize(Ini.ReadString(File.LastSection(), File.LastKey(), ""));
  }
  State.SetComplexityN(State.range(0));
}
BENCHMARK(BM_IniFirstReadString)->RangeMultiplier(4)->Range(64, 65536)->Complexity(benchmark::oN);

// Reads of a file that stays as it is.
void BM_IniReadString(benchmark::State& State) {
  TBenchFile File(State.range(0));
  TIniFile Ini(File.Name());
  for (auto _ : State) benchmark::DoNotOptimize(Ini.ReadString(File.LastSection(), File.LastKey(), ""));
  State.SetComplexityN(State.range(0));
}
BENCHMARK(BM_IniReadString)->RangeMultiplier(4)->Range(64, 65536)->Complexity(benchmark::oN);

// Each write replaces the file with a synced copy, so the fixed cost of the sync
// shows at small sizes.
void BM_IniWriteString(benchmark::State& State) {
  TBenchFile File(State.range(0));
  TIniFile Ini(File.Name());
  int Round = 0;
  for (auto _ : State) Ini.WriteString(File.LastSection(), File.LastKey(), std::to_string(++Round));
  State.SetComplexityN(State.range(0));
}
BENCHMARK(BM_IniWriteString)->RangeMultiplier(4)->Range(64, 65536)->Complexity(benchmark::oN);

}  // namespace
