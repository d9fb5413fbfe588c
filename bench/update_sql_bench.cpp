// The UpdateSQL editor's statement generator on tables of 10 to 10,000 fields:
// all four statements, with every field an update field and two key fields,
// the field origins listed in shuffled order and every third field aliased.
// "per_field" is the time per field; the complexity fit shows the growth.
//   bench/sqlalchemy_compare.py runs the same workload through SQLAlchemy.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <string>

#include "updatesql/update_sql_generator.h"

namespace {

using VNUpdSEd::TFieldChoices;
using VNUpdSEd::TUpdateSQLGenerator;

std::string FieldName(int I, bool NonAscii) { return (NonAscii ? "Größe_" : "COL_") + std::to_string(I); }

// Origins as the dataset's SQL gives them: the dataset field name (an alias
// for every third column) and table.column, in shuffled order.
void FillOrigins(TStringList& Origins, int Count, bool NonAscii) {
  std::vector<std::string> Lines;
  for (int I = 0; I < Count; ++I) {
    const std::string Column = FieldName(I, NonAscii);
    Lines.push_back((I % 3 == 2 ? "ALIAS_" + std::to_string(I) : Column) + "=ORDERS." + Column);
  }
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
    Keys.push_back({FieldName(I, NonAscii), I < 2});
  }
  Gen.SetTableText("ORDERS");
  Gen.SetUpdateFields(std::move(Fields));
  Gen.SetKeyFields(std::move(Keys));
}

void GenerateAll(const TUpdateSQLGenerator& Gen, TStringList (&Lists)[4]) {
  Gen.GenerateModifySQL(Lists[1]);
  Gen.GenerateInsertSQL(Lists[2]);
  Gen.GenerateDeleteSQL(Lists[3]);
  Gen.GenerateRefreshSQL(Lists[0]);
}

void PerField(benchmark::State& State, int Count) {
  State.SetComplexityN(Count);
  State.counters["per_field"] =
      benchmark::Counter(Count, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// "Generate SQL" clicked again: the origin index is already built.
void BM_GenerateAll(benchmark::State& State) {
  const int Count = static_cast<int>(State.range(0));
  TUpdateSQLGenerator Gen;
  SetUp(Gen, Count, false);
  TStringList Origins;
  FillOrigins(Origins, Count, false);
  Gen.SetFieldInfo(Origins);
  TStringList Lists[4];
  GenerateAll(Gen, Lists);
  for (auto _ : State) GenerateAll(Gen, Lists);
  PerField(State, Count);
}

// The first click after the origins were loaded: copying them in and
// indexing them is part of the work.
void LoadAndGenerate(benchmark::State& State, bool NonAscii) {
  const int Count = static_cast<int>(State.range(0));
  TUpdateSQLGenerator Gen;
  SetUp(Gen, Count, NonAscii);
  TStringList Origins;
  FillOrigins(Origins, Count, NonAscii);
  TStringList Lists[4];
  for (auto _ : State) {
    Gen.SetFieldInfo(Origins);
    GenerateAll(Gen, Lists);
  }
  PerField(State, Count);
}

void BM_LoadOriginsAndGenerateAll(benchmark::State& State) { LoadAndGenerate(State, false); }
// Names beyond ASCII are grouped through the collation: a sort, N log N.
void BM_LoadNonAsciiOriginsAndGenerateAll(benchmark::State& State) { LoadAndGenerate(State, true); }

BENCHMARK(BM_GenerateAll)->RangeMultiplier(10)->Range(10, 10000)->Complexity(benchmark::oN);
BENCHMARK(BM_LoadOriginsAndGenerateAll)->RangeMultiplier(10)->Range(10, 10000)->Complexity(benchmark::oN);
BENCHMARK(BM_LoadNonAsciiOriginsAndGenerateAll)->RangeMultiplier(10)->Range(10, 10000)->Complexity(benchmark::oN);

}  // namespace
