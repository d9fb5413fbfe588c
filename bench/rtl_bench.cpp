// Scaling of the base library's string-list look-ups and its Unicode comparison.
// Lists grow by a factor of four; the complexity fit shows linear versus
// logarithmic look-ups.
#include <benchmark/benchmark.h>

#include <string>

#include "rtl/Classes.h"
#include "rtl/SysUtils.h"

namespace {

void FillItems(TStringList& List, int Count) {
  List.BeginUpdate();
  for (int I = 0; I < Count; ++I) List.Add("Item" + std::to_string(I));
  List.EndUpdate();
}

void FillPairs(TStringList& List, int Count) {
  List.BeginUpdate();
  for (int I = 0; I < Count; ++I) List.Add("Key" + std::to_string(I) + "=Value" + std::to_string(I));
  List.EndUpdate();
}

// Looks for the last line and a missing one: the worst cases of a linear search.
void BM_IndexOf(benchmark::State& State) {
  TStringList List;
  const int Count = static_cast<int>(State.range(0));
  FillItems(List, Count);
  const std::string Last = "ITEM" + std::to_string(Count - 1);
  for (auto _ : State) {
    benchmark::DoNotOptimize(List.IndexOf(Last));
    benchmark::DoNotOptimize(List.IndexOf("absent"));
  }
  State.SetComplexityN(Count);
}
BENCHMARK(BM_IndexOf)->RangeMultiplier(4)->Range(16, 16384)->Complexity();

void BM_IndexOfSorted(benchmark::State& State) {
  TStringList List;
  const int Count = static_cast<int>(State.range(0));
  FillItems(List, Count);
  List.SetSorted(true);
  const std::string Last = "ITEM" + std::to_string(Count - 1);
  for (auto _ : State) {
    benchmark::DoNotOptimize(List.IndexOf(Last));
    benchmark::DoNotOptimize(List.IndexOf("absent"));
  }
  State.SetComplexityN(Count);
}
BENCHMARK(BM_IndexOfSorted)->RangeMultiplier(4)->Range(16, 16384)->Complexity();

void BM_IndexOfName(benchmark::State& State) {
  TStringList List;
  const int Count = static_cast<int>(State.range(0));
  FillPairs(List, Count);
  const std::string Last = "key" + std::to_string(Count - 1);
  for (auto _ : State) benchmark::DoNotOptimize(List.IndexOfName(Last));
  State.SetComplexityN(Count);
}
BENCHMARK(BM_IndexOfName)->RangeMultiplier(4)->Range(16, 16384)->Complexity();

void BM_Values(benchmark::State& State) {
  TStringList List;
  const int Count = static_cast<int>(State.range(0));
  FillPairs(List, Count);
  const std::string Middle = "KEY" + std::to_string(Count / 2);
  for (auto _ : State) benchmark::DoNotOptimize(List.Values(Middle));
  State.SetComplexityN(Count);
}
BENCHMARK(BM_Values)->RangeMultiplier(4)->Range(16, 16384)->Complexity();

// Argument: text length. Equal but for ASCII case, different, and non-ASCII.
void BM_AnsiSameText_AsciiEqual(benchmark::State& State) {
  const std::string A(static_cast<std::size_t>(State.range(0)), 'a');
  const std::string B(static_cast<std::size_t>(State.range(0)), 'A');
  for (auto _ : State) benchmark::DoNotOptimize(AnsiSameText(A, B));
  State.SetComplexityN(State.range(0));
}
BENCHMARK(BM_AnsiSameText_AsciiEqual)->RangeMultiplier(8)->Range(8, 4096)->Complexity();

void BM_AnsiSameText_AsciiDifferentAtEnd(benchmark::State& State) {
  std::string A(static_cast<std::size_t>(State.range(0)), 'a');
  std::string B = A;
  B.back() = 'b';
  for (auto _ : State) benchmark::DoNotOptimize(AnsiSameText(A, B));
  State.SetComplexityN(State.range(0));
}
BENCHMARK(BM_AnsiSameText_AsciiDifferentAtEnd)->RangeMultiplier(8)->Range(8, 4096)->Complexity();

void BM_AnsiSameText_Unicode(benchmark::State& State) {
  std::string A;
  std::string B;
  while (A.size() < static_cast<std::size_t>(State.range(0))) {
    A += "Ärger";
    B += "äRGER";
  }
  for (auto _ : State) benchmark::DoNotOptimize(AnsiSameText(A, B));
  State.SetComplexityN(State.range(0));
}
BENCHMARK(BM_AnsiSameText_Unicode)->RangeMultiplier(8)->Range(8, 4096)->Complexity();

}  // namespace
