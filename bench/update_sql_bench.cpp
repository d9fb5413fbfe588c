// The UpdateSQL editor's statement generator on tables of 10 to 10,000 fields:
// all four statements, with every field an update field and two key fields,
// the field origins listed in shuffled order and every third field aliased.
//
// Next to it runs a bytes-only baseline: the same four texts appended straight
// to one string per statement, the aliases given (no look-up, no list of
// lines). It is what the generator's work costs at the least; the closing
// table gives the generator's time over it and how both grow from 1,000 to
// 10,000 fields. Medians of interleaved repetitions, so that a machine busy
// with other work slows both alike; the growth is also measured with all four
// timed in turn, which a change of load cannot tilt.
//   bench/sqlalchemy_compare.py runs the same workload through SQLAlchemy.
#include <benchmark/benchmark.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "updatesql/update_sql_generator.h"

namespace {

using VNUpdSEd::TFieldChoices;
using VNUpdSEd::TUpdateSQLGenerator;

constexpr int KeyCount = 2;

std::string FieldName(int I, bool NonAscii) { return (NonAscii ? "Größe_" : "COL_") + std::to_string(I); }
// Every third field carries an alias in the dataset's SQL.
std::string AliasName(int I, bool NonAscii) { return I % 3 == 2 ? "ALIAS_" + std::to_string(I) : FieldName(I, NonAscii); }

// Origins as the dataset's SQL gives them: the dataset field name and
// table.column, in shuffled order.
void FillOrigins(TStringList& Origins, int Count, bool NonAscii) {
  std::vector<std::string> Lines;
  for (int I = 0; I < Count; ++I) Lines.push_back(AliasName(I, NonAscii) + "=ORDERS." + FieldName(I, NonAscii));
  std::shuffle(Lines.begin(), Lines.end(), std::mt19937(42));
  Origins.BeginUpdate();
  for (const std::string& Line : Lines) Origins.Add(Line);
  Origins.EndUpdate();
}

// The dialog after "Select Primary Keys": every field listed in both lists,
// all update fields selected, the first two key fields selected.
void SetUp(TUpdateSQLGenerator& Gen, int Count, bool NonAscii) {
  TFieldChoices Fields, Keys;
  for (int I = 0; I < Count; ++I) {
    Fields.push_back({FieldName(I, NonAscii), true});
    Keys.push_back({FieldName(I, NonAscii), I < KeyCount});
  }
  Gen.SetTableText("ORDERS");
  Gen.SetUpdateFields(std::move(Fields));
  Gen.SetKeyFields(std::move(Keys));
}

// The statement lists in the dialog's order of generation.
struct TStatementLists {
  TStringList Modify, Insert, Delete, Refresh;
};

// What "Generate SQL" runs.
void GenerateAll(const TUpdateSQLGenerator& Gen, TStatementLists& Lists) {
  Gen.GenerateAllSQL(Lists.Modify, Lists.Insert, Lists.Delete, Lists.Refresh);
}

// ---------------------------------------------------------------------------
// The bytes-only baseline

struct TBaselineInput {
  std::string Table = "ORDERS";
  std::vector<std::string> Names, Aliases;  // update fields; the first KeyCount are the keys
};

TBaselineInput BaselineInput(int Count) {
  TBaselineInput Input;
  for (int I = 0; I < Count; ++I) {
    Input.Names.push_back(FieldName(I, false));
    Input.Aliases.push_back(AliasName(I, false));
  }
  return Input;
}

struct TBaselineTexts {
  std::string Modify, Insert, Delete, Refresh;
};

void AppendKeys(std::string& Out, const TBaselineInput& In) {
  Out += "where";
  for (std::size_t I = 0; I < KeyCount && I < In.Names.size(); ++I) {
    Out += I == 0 ? "\n  " : " and\n  ";
    Out += In.Names[I];
    Out += " = :OLD_";
    Out += In.Aliases[I];
  }
}

// Clearing keeps each string's room, as the generator's lists keep theirs.
void WriteBaseline(const TBaselineInput& In, TBaselineTexts& Out) {
  const std::size_t N = In.Names.size();
  std::string& M = Out.Modify;
  M.clear();
  M += "update ";
  M += In.Table;
  M += "\nset";
  for (std::size_t I = 0; I < N; ++I) {
    M += I == 0 ? "\n  " : ",\n  ";
    M += In.Names[I];
    M += " = :";
    M += In.Aliases[I];
  }
  M += '\n';
  AppendKeys(M, In);

  std::string& Ins = Out.Insert;
  Ins.clear();
  Ins += "insert into ";
  Ins += In.Table;
  Ins += "\n  (";
  for (std::size_t I = 0; I < N; ++I) {
    if (I > 0) Ins += ", ";
    Ins += In.Names[I];
  }
  Ins += ")\nvalues\n  (";
  for (std::size_t I = 0; I < N; ++I) {
    Ins += I == 0 ? ":" : ", :";
    Ins += In.Aliases[I];
  }
  Ins += ')';

  std::string& D = Out.Delete;
  D.clear();
  D += "delete from ";
  D += In.Table;
  D += '\n';
  AppendKeys(D, In);

  std::string& R = Out.Refresh;
  R.clear();
  R += "select ";
  for (std::size_t I = 0; I < N; ++I) {
    if (I > 0) R += ", ";
    R += In.Names[I];
    if (In.Aliases[I] != In.Names[I]) {
      R += " as ";
      R += In.Aliases[I];
    }
  }
  R += "\r\nfrom ";
  R += In.Table;
  R += '\n';
  AppendKeys(R, In);
}

// Runs of white space as one blank, none at the ends: line breaks may differ,
// nothing else.
std::string Collapsed(std::string_view S) {
  std::string Result;
  bool Blank = false;
  for (char C : S) {
    const bool IsBlank = C == ' ' || C == '\t' || C == '\r' || C == '\n';
    if (!IsBlank && Blank && !Result.empty()) Result += ' ';
    if (!IsBlank) Result += C;
    Blank = IsBlank;
  }
  return Result;
}

// A generator set up for Count aliased fields with its origins loaded; the
// origins outlive the generator, which keeps views into them.
struct TLoadedGenerator {
  TStringList Origins;
  TUpdateSQLGenerator Gen;
  explicit TLoadedGenerator(int Count) {
    SetUp(Gen, Count, false);
    FillOrigins(Origins, Count, false);
    Gen.SetFieldInfo(Origins);
  }
};

// Empty when the baseline writes what the generator writes, else which differs.
std::string BaselineMismatch(int Count) {
  TLoadedGenerator Loaded(Count);
  TUpdateSQLGenerator& Gen = Loaded.Gen;
  TStatementLists Lists;
  GenerateAll(Gen, Lists);
  TBaselineTexts Texts;
  WriteBaseline(BaselineInput(Count), Texts);
  const std::pair<const TStringList*, const std::string*> Pairs[] = {
      {&Lists.Modify, &Texts.Modify}, {&Lists.Insert, &Texts.Insert},
      {&Lists.Delete, &Texts.Delete}, {&Lists.Refresh, &Texts.Refresh}};
  const char* Names[] = {"modify", "insert", "delete", "refresh"};
  for (int I = 0; I < 4; ++I)
    if (Collapsed(Pairs[I].first->Text()) != Collapsed(*Pairs[I].second))
      return std::string("the baseline's ") + Names[I] + " statement differs from the generator's";
  return {};
}

// ---------------------------------------------------------------------------
// Benchmarks

void PerField(benchmark::State& State, int Count) {
  State.SetComplexityN(Count);
  State.counters["per_field"] =
      benchmark::Counter(Count, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// "Generate SQL" clicked again: the origin index is already built, the
// statement lists hold the previous statements.
void BM_Generator(benchmark::State& State) {
  const int Count = static_cast<int>(State.range(0));
  TLoadedGenerator Loaded(Count);
  TUpdateSQLGenerator& Gen = Loaded.Gen;
  TStatementLists Lists;
  GenerateAll(Gen, Lists);
  for (auto _ : State) GenerateAll(Gen, Lists);
  PerField(State, Count);
}

// The four operations one by one, each looking up the aliases it needs.
void BM_GenerateEachStatement(benchmark::State& State) {
  const int Count = static_cast<int>(State.range(0));
  TLoadedGenerator Loaded(Count);
  TUpdateSQLGenerator& Gen = Loaded.Gen;
  TStatementLists Lists;
  for (auto _ : State) {
    Gen.GenerateModifySQL(Lists.Modify);
    Gen.GenerateInsertSQL(Lists.Insert);
    Gen.GenerateDeleteSQL(Lists.Delete);
    Gen.GenerateRefreshSQL(Lists.Refresh);
  }
  PerField(State, Count);
}

// The first click in a new dialog: the lists hold no lines to write over.
void BM_GenerateIntoNewLists(benchmark::State& State) {
  const int Count = static_cast<int>(State.range(0));
  TLoadedGenerator Loaded(Count);
  TUpdateSQLGenerator& Gen = Loaded.Gen;
  for (auto _ : State) {
    TStatementLists Lists;
    GenerateAll(Gen, Lists);
  }
  PerField(State, Count);
}

void BM_BytesOnlyBaseline(benchmark::State& State) {
  const int Count = static_cast<int>(State.range(0));
  if (const std::string Mismatch = BaselineMismatch(Count); !Mismatch.empty()) {
    State.SkipWithError(Mismatch.c_str());
    return;
  }
  const TBaselineInput Input = BaselineInput(Count);
  TBaselineTexts Texts;
  WriteBaseline(Input, Texts);
  for (auto _ : State) {
    WriteBaseline(Input, Texts);
    benchmark::DoNotOptimize(Texts.Modify.data());
    benchmark::ClobberMemory();
  }
  PerField(State, Count);
}

double ThreadSeconds() {
  timespec Now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &Now);
  return static_cast<double>(Now.tv_sec) + static_cast<double>(Now.tv_nsec) * 1e-9;
}

// The generator and the baseline timed in turn, a batch of each about a
// millisecond long, so that a change of load on the machine touches both
// alike: "ratio" is the median of the pairs' ratios.
void BM_PairedRatio(benchmark::State& State) {
  const int Count = static_cast<int>(State.range(0));
  if (const std::string Mismatch = BaselineMismatch(Count); !Mismatch.empty()) {
    State.SkipWithError(Mismatch.c_str());
    return;
  }
  TLoadedGenerator Loaded(Count);
  TUpdateSQLGenerator& Gen = Loaded.Gen;
  TStatementLists Lists;
  GenerateAll(Gen, Lists);
  const TBaselineInput Input = BaselineInput(Count);
  TBaselineTexts Texts;
  WriteBaseline(Input, Texts);
  const int Batch = std::max(1, 20000 / Count);
  std::vector<double> Ratios;
  for (auto _ : State) {
    double Start = ThreadSeconds();
    for (int I = 0; I < Batch; ++I) GenerateAll(Gen, Lists);
    const double Generator = ThreadSeconds() - Start;
    Start = ThreadSeconds();
    for (int I = 0; I < Batch; ++I) {
      WriteBaseline(Input, Texts);
      benchmark::DoNotOptimize(Texts.Modify.data());
    }
    const double Baseline = ThreadSeconds() - Start;
    if (Baseline > 0) Ratios.push_back(Generator / Baseline);
  }
  if (Ratios.empty()) return;
  std::nth_element(Ratios.begin(), Ratios.begin() + static_cast<std::ptrdiff_t>(Ratios.size() / 2), Ratios.end());
  State.counters["ratio"] = Ratios[Ratios.size() / 2];
}

// How the generator's time and the baseline's grow from 1,000 to 10,000
// fields, all four timed in turn within each round: a batch at 1,000 fields
// ten times the size of the one at 10,000, each batch after one untimed call
// that warms the caches as the repeated click does. The counters are the
// median exponents of the rounds: a change of load on the machine touches a
// round's four batches alike, where separate benchmarks meet it at different
// times.
void BM_PairedGrowth(benchmark::State& State) {
  constexpr int Small = 1000, Large = 10000, LargeBatch = 2, SmallBatch = LargeBatch * Large / Small;
  for (int Count : {Small, Large})
    if (const std::string Mismatch = BaselineMismatch(Count); !Mismatch.empty()) {
      State.SkipWithError(Mismatch.c_str());
      return;
    }
  TLoadedGenerator SmallGen(Small), LargeGen(Large);
  TStatementLists SmallLists, LargeLists;
  const TBaselineInput SmallInput = BaselineInput(Small), LargeInput = BaselineInput(Large);
  TBaselineTexts SmallTexts, LargeTexts;
  const auto TimeGenerator = [](TLoadedGenerator& Loaded, TStatementLists& Lists, int Batch) {
    GenerateAll(Loaded.Gen, Lists);
    const double Start = ThreadSeconds();
    for (int I = 0; I < Batch; ++I) GenerateAll(Loaded.Gen, Lists);
    return (ThreadSeconds() - Start) / Batch;
  };
  const auto TimeBaseline = [](const TBaselineInput& Input, TBaselineTexts& Texts, int Batch) {
    WriteBaseline(Input, Texts);
    const double Start = ThreadSeconds();
    for (int I = 0; I < Batch; ++I) {
      WriteBaseline(Input, Texts);
      benchmark::DoNotOptimize(Texts.Modify.data());
      benchmark::ClobberMemory();
    }
    return (ThreadSeconds() - Start) / Batch;
  };
  std::vector<double> Generator, Baseline;
  for (auto _ : State) {
    const double G1 = TimeGenerator(SmallGen, SmallLists, SmallBatch);
    const double B1 = TimeBaseline(SmallInput, SmallTexts, SmallBatch);
    const double G2 = TimeGenerator(LargeGen, LargeLists, LargeBatch);
    const double B2 = TimeBaseline(LargeInput, LargeTexts, LargeBatch);
    if (G1 > 0 && B1 > 0 && G2 > 0 && B2 > 0) {
      Generator.push_back(std::log10(G2 / G1) / std::log10(double{Large} / Small));
      Baseline.push_back(std::log10(B2 / B1) / std::log10(double{Large} / Small));
    }
  }
  const auto Median = [](std::vector<double>& V) {
    std::nth_element(V.begin(), V.begin() + static_cast<std::ptrdiff_t>(V.size() / 2), V.end());
    return V[V.size() / 2];
  };
  if (Generator.empty()) return;
  State.counters["generator"] = Median(Generator);
  State.counters["baseline"] = Median(Baseline);
}

// The first click after the origins were loaded: copying them in and
// indexing them is part of the work.
void LoadAndGenerate(benchmark::State& State, bool NonAscii) {
  const int Count = static_cast<int>(State.range(0));
  TUpdateSQLGenerator Gen;
  SetUp(Gen, Count, NonAscii);
  TStringList Origins;
  FillOrigins(Origins, Count, NonAscii);
  TStatementLists Lists;
  for (auto _ : State) {
    Gen.SetFieldInfo(Origins);
    GenerateAll(Gen, Lists);
  }
  PerField(State, Count);
}

void BM_LoadOriginsAndGenerate(benchmark::State& State) { LoadAndGenerate(State, false); }
// Names beyond ASCII are grouped through the collation: a sort, N log N.
void BM_LoadNonAsciiOriginsAndGenerate(benchmark::State& State) { LoadAndGenerate(State, true); }

BENCHMARK(BM_Generator)->RangeMultiplier(10)->Range(10, 10000);
BENCHMARK(BM_GenerateEachStatement)->RangeMultiplier(10)->Range(10, 10000);
BENCHMARK(BM_GenerateIntoNewLists)->RangeMultiplier(10)->Range(10, 10000);
BENCHMARK(BM_BytesOnlyBaseline)->RangeMultiplier(10)->Range(10, 10000);
BENCHMARK(BM_PairedRatio)->RangeMultiplier(10)->Range(10, 10000);
BENCHMARK(BM_PairedGrowth)->Arg(10000);
BENCHMARK(BM_LoadOriginsAndGenerate)->RangeMultiplier(10)->Range(10, 10000);
BENCHMARK(BM_LoadNonAsciiOriginsAndGenerate)->RangeMultiplier(10)->Range(10, 10000);

// ---------------------------------------------------------------------------
// The closing table: each benchmark's median time per size, over the baseline.

// (benchmark, fields) -> seconds; (benchmark:counter, fields) -> the counter.
using TMedians = std::map<std::pair<std::string, long>, double>;

template <class TBase>
class TCollectingReporter : public TBase {
 public:
  template <class... TArgs>
  explicit TCollectingReporter(TMedians& Medians, TArgs... Args) : TBase(Args...), FMedians(Medians) {}
  void ReportRuns(const std::vector<benchmark::BenchmarkReporter::Run>& Runs) override {
    for (const auto& Run : Runs) {
      if (Run.error_occurred || Run.run_name.args.empty()) continue;
      // The median of the repetitions; a single run stands for itself.
      const bool Median = Run.run_type == benchmark::BenchmarkReporter::Run::RT_Aggregate &&
                          Run.aggregate_name == "median";
      if (!Median && !(Run.run_type == benchmark::BenchmarkReporter::Run::RT_Iteration && Run.repetitions <= 1))
        continue;
      // Processor time: on a machine busy with other work, the wall clock also
      // counts the time the benchmark waited for a processor.
      const double Seconds = Run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(Run.time_unit);
      const long N = std::stol(Run.run_name.args);
      FMedians[{Run.run_name.function_name, N}] = Seconds;
      for (const auto& [Name, Counter] : Run.counters) FMedians[{Run.run_name.function_name + ":" + Name, N}] = Counter.value;
    }
    TBase::ReportRuns(Runs);
  }

 private:
  TMedians& FMedians;
};

std::string Show(double Seconds) {
  char Buffer[32];
  if (Seconds >= 1e-3)
    std::snprintf(Buffer, sizeof Buffer, "%8.2f ms", Seconds * 1e3);
  else
    std::snprintf(Buffer, sizeof Buffer, "%8.2f us", Seconds * 1e6);
  return Buffer;
}

void PrintRatios(const TMedians& Medians, std::FILE* Out) {
  const auto Find = [&](const char* Name, long N) {
    const auto It = Medians.find({Name, N});
    return It == Medians.end() ? 0.0 : It->second;
  };
  const char* Rows[] = {"BM_Generator", "BM_GenerateEachStatement", "BM_GenerateIntoNewLists",
                        "BM_LoadOriginsAndGenerate", "BM_LoadNonAsciiOriginsAndGenerate"};
  std::fprintf(Out, "\nMedian processor time for the four statements, and its ratio to the bytes-only baseline:\n");
  std::fprintf(Out, "%-36s %7s %11s %11s %7s %7s\n", "", "fields", "time", "baseline", "ratio", "paired");
  for (const char* Row : Rows) {
    for (long N : {10L, 100L, 1000L, 10000L}) {
      const double Time = Find(Row, N), Base = Find("BM_BytesOnlyBaseline", N);
      if (Time <= 0 || Base <= 0) continue;
      std::fprintf(Out, "%-36s %7ld %s %s %6.2fx", Row, N, Show(Time).c_str(), Show(Base).c_str(), Time / Base);
      const double Paired = std::string_view(Row) == "BM_Generator" ? Find("BM_PairedRatio:ratio", N) : 0;
      if (Paired > 0) std::fprintf(Out, " %6.2fx", Paired);
      std::fprintf(Out, "\n");
    }
  }
  std::fprintf(Out, "(paired: the generator and the baseline timed in turn, batch against batch)\n");
  // Linear growth has exponent 1: ten times the fields, ten times the time.
  std::fprintf(Out, "\nGrowth exponent from 1,000 to 10,000 fields (1.00 is linear):\n");
  const double Generator = Find("BM_PairedGrowth:generator", 10000), Baseline = Find("BM_PairedGrowth:baseline", 10000);
  if (Generator > 0 && Baseline > 0)
    std::fprintf(Out, "  paired, timed in turn:  generator %.2f  baseline %.2f  difference %+.2f\n", Generator,
                 Baseline, Generator - Baseline);
  std::fprintf(Out, "  from the medians above:");
  for (const char* Row : {"BM_BytesOnlyBaseline", "BM_Generator", "BM_GenerateIntoNewLists", "BM_LoadOriginsAndGenerate"}) {
    const double T1 = Find(Row, 1000), T2 = Find(Row, 10000);
    if (T1 > 0 && T2 > 0) std::fprintf(Out, " %s %.2f", Row + 3, std::log10(T2 / T1));
  }
  std::fprintf(Out, "\n");
}

bool HasFlag(int Argc, char** Argv, std::string_view Flag) {
  for (int I = 1; I < Argc; ++I)
    if (std::string_view(Argv[I]).starts_with(Flag)) return true;
  return false;
}

}  // namespace

// Repeated, interleaved and summed up by their medians unless the command line
// says otherwise.
int main(int Argc, char** Argv) {
  std::vector<char*> Args(Argv, Argv + Argc);
  static char Repetitions[] = "--benchmark_repetitions=9", Interleave[] = "--benchmark_enable_random_interleaving=true",
              AggregatesOnly[] = "--benchmark_display_aggregates_only=true", MinTime[] = "--benchmark_min_time=0.1";
  if (!HasFlag(Argc, Argv, "--benchmark_repetitions")) Args.push_back(Repetitions);
  if (!HasFlag(Argc, Argv, "--benchmark_enable_random_interleaving")) Args.push_back(Interleave);
  if (!HasFlag(Argc, Argv, "--benchmark_display_aggregates_only")) Args.push_back(AggregatesOnly);
  if (!HasFlag(Argc, Argv, "--benchmark_min_time")) Args.push_back(MinTime);
  int Count = static_cast<int>(Args.size());
  benchmark::Initialize(&Count, Args.data());
  if (benchmark::ReportUnrecognizedArguments(Count, Args.data())) return 1;

  TMedians Medians;
  const bool Json = HasFlag(Argc, Argv, "--benchmark_format=json");
  if (Json) {
    TCollectingReporter<benchmark::JSONReporter> Reporter(Medians);
    benchmark::RunSpecifiedBenchmarks(&Reporter);
  } else {
    using TConsole = benchmark::ConsoleReporter;
    TCollectingReporter<TConsole> Reporter(Medians, isatty(STDOUT_FILENO) ? TConsole::OO_ColorTabular : TConsole::OO_Tabular);
    benchmark::RunSpecifiedBenchmarks(&Reporter);
  }
  // The JSON on standard output stays a document of its own.
  PrintRatios(Medians, Json ? stderr : stdout);
  benchmark::Shutdown();
  return 0;
}
