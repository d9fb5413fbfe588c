// Catalog reads of the SQLite engine against databases of growing size: the
// time per call should grow linearly with the number of tables, columns and
// index columns, never with their product.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>

#include "field_info.h"
#include "rtl/Classes.h"
#include "sqlite_connection.h"

namespace {

// Databases built on first use and kept for the whole run, removed at exit.
class TBenchDatabases {
 public:
  ~TBenchDatabases() {
    std::error_code Ignored;
    if (!FDir.empty()) std::filesystem::remove_all(FDir, Ignored);
  }

  // A database of TableCount small tables.
  const std::string& ManyTables(int TableCount) {
    return Get("tables-" + std::to_string(TableCount), [&] {
      std::string Script = "BEGIN;";
      for (int I = 0; I < TableCount; ++I)
        Script += "CREATE TABLE t" + std::to_string(I) + "(id INTEGER PRIMARY KEY, name TEXT, value REAL);";
      return Script + "COMMIT;";
    });
  }

  // One table "wide" of ColumnCount columns with a two-column primary key and
  // IndexCount two-column indexes, every third one unique.
  const std::string& WideTable(int ColumnCount, int IndexCount) {
    return Get("wide-" + std::to_string(ColumnCount) + "-" + std::to_string(IndexCount), [&] {
      std::string Script = "BEGIN;CREATE TABLE wide(";
      for (int I = 0; I < ColumnCount; ++I) Script += "c" + std::to_string(I) + " INT, ";
      Script += "PRIMARY KEY(c0, c1));";
      for (int I = 0; I < IndexCount; ++I) {
        const std::string N = std::to_string(I);
        Script += std::string(I % 3 == 0 ? "CREATE UNIQUE INDEX" : "CREATE INDEX") + " wide_" + N + " ON wide(c" +
                  std::to_string((2 + I) % ColumnCount) + ", c" + std::to_string((3 + 7 * I) % ColumnCount) + ");";
      }
      return Script + "COMMIT;";
    });
  }

 private:
  template <class TScript>
  const std::string& Get(const std::string& Name, TScript MakeScript) {
    auto Found = FFiles.find(Name);
    if (Found != FFiles.end()) return Found->second;
    const std::string File = (Dir() / (Name + ".db")).string();
    sqlite3* Db = nullptr;
    const int Opened = sqlite3_open(File.c_str(), &Db);
    const int Ran = Opened == SQLITE_OK ? sqlite3_exec(Db, MakeScript().c_str(), nullptr, nullptr, nullptr) : Opened;
    std::string Message = sqlite3_errmsg(Db);
    sqlite3_close(Db);
    if (Ran != SQLITE_OK) throw std::runtime_error("cannot build " + File + ": " + Message);
    return FFiles.emplace(Name, File).first->second;
  }

  const std::filesystem::path& Dir() {
    if (FDir.empty()) {
      std::string Pattern = (std::filesystem::temp_directory_path() / "vn-bench-XXXXXX").string();
      if (mkdtemp(Pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
      FDir = Pattern;
    }
    return FDir;
  }

  std::filesystem::path FDir;
  std::map<std::string, std::string> FFiles;
};

TBenchDatabases& Databases() {
  static TBenchDatabases Instance;
  return Instance;
}

void BM_TableNames(benchmark::State& State) {
  const int Tables = static_cast<int>(State.range(0));
  TVNSQLiteConnection Connection;
  Connection.Open(Databases().ManyTables(Tables));
  for (auto _ : State) benchmark::DoNotOptimize(Connection.TableNames("", tsUserTables));
  State.SetComplexityN(Tables);
  State.SetItemsProcessed(State.iterations() * Tables);
}
BENCHMARK(BM_TableNames)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond)->Complexity(benchmark::oN);

void BM_TableNamesPattern(benchmark::State& State) {
  const int Tables = static_cast<int>(State.range(0));
  TVNSQLiteConnection Connection;
  Connection.Open(Databases().ManyTables(Tables));
  for (auto _ : State) benchmark::DoNotOptimize(Connection.TableNames("T1%5", tsWithSystemTables));
  State.SetComplexityN(Tables);
  State.SetItemsProcessed(State.iterations() * Tables);
}
BENCHMARK(BM_TableNamesPattern)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond)->Complexity(benchmark::oN);

// One table looked up among many: should not depend on how many there are.
void BM_FieldNamesAmongManyTables(benchmark::State& State) {
  const int Tables = static_cast<int>(State.range(0));
  TVNSQLiteConnection Connection;
  Connection.Open(Databases().ManyTables(Tables));
  const std::string Name = "\"t" + std::to_string(Tables / 2) + "\"";
  for (auto _ : State) benchmark::DoNotOptimize(Connection.FieldNames(Name));
}
BENCHMARK(BM_FieldNamesAmongManyTables)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

void BM_FieldNames(benchmark::State& State) {
  const int Columns = static_cast<int>(State.range(0));
  TVNSQLiteConnection Connection;
  Connection.Open(Databases().WideTable(Columns, static_cast<int>(State.range(1))));
  for (auto _ : State) benchmark::DoNotOptimize(Connection.FieldNames("main.wide"));
  State.SetComplexityN(Columns);
  State.SetItemsProcessed(State.iterations() * Columns);
}
BENCHMARK(BM_FieldNames)->Args({200, 10})->Args({2000, 10})->Unit(benchmark::kMicrosecond)->Complexity(benchmark::oN);

void BM_IndexSchema(benchmark::State& State) {
  const int Columns = static_cast<int>(State.range(0));
  const int Indexes = static_cast<int>(State.range(1));
  TVNSQLiteConnection Connection;
  Connection.Open(Databases().WideTable(Columns, Indexes));
  for (auto _ : State) benchmark::DoNotOptimize(Connection.IndexSchema("wide"));
  // Linear in the columns and in the indexes, with different costs per unit,
  // so compare rows that change one of them rather than fitting one curve.
  State.counters["columns"] = Columns;
  State.counters["indexes"] = Indexes;
}
BENCHMARK(BM_IndexSchema)
    ->Args({200, 10})
    ->Args({200, 100})
    ->Args({2000, 10})
    ->Args({2000, 100})
    ->Unit(benchmark::kMicrosecond);

// Field origins of a wide SELECT in which every column comes twice, so that
// half of the field names need a suffix: linear in the columns.
void BM_FieldInfo(benchmark::State& State) {
  const int Columns = static_cast<int>(State.range(0));
  TVNSQLiteConnection Connection;
  Connection.OpenReadOnly(Databases().WideTable(Columns, 10));
  TStringList Fields, Tables;
  for (auto _ : State) ParseFieldInfo(&Connection, "select w.*, w.* from WIDE w", &Fields, &Tables);
  State.SetComplexityN(Columns);
  State.SetItemsProcessed(State.iterations() * Columns * 2);
}
BENCHMARK(BM_FieldInfo)->Arg(200)->Arg(2000)->Unit(benchmark::kMicrosecond)->Complexity(benchmark::oN);

}  // namespace
