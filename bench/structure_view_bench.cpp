// The structure view built for forms of 1,000 to 30,000 datasets in two
// shapes: spread (10 sessions x 10 databases, the datasets shared out) and
// deep (1 session x 1 database holding them all). Every dataset places itself
// through two child look-ups, so the build grows linearly; the reported
// complexity (BigO) and the datasets placed per second show it. A frame is 16 ms: the
// 10,000-dataset builds stay well under it in a Release build.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "registration/vnreg.h"
#include "structure_view.h"
#include "varnel/Vnengine.h"

namespace {

// A data module of Sessions x Databases x (DataSets / (Sessions x Databases)).
std::unique_ptr<TComponent> MakeForm(int Sessions, int Databases, int DataSets) {
  auto Root = std::make_unique<TComponent>(nullptr);
  const int PerDatabase = DataSets / (Sessions * Databases);
  for (int S = 0; S < Sessions; ++S) {
    const std::string SessionName = "Bench" + std::to_string(S);
    auto* Session = new TVNSession(Root.get());
    Session->SetName("ses" + std::to_string(S));
    Session->SetSessionName(SessionName);
    for (int D = 0; D < Databases; ++D) {
      const std::string DatabaseName = "db" + std::to_string(S) + "_" + std::to_string(D);
      auto* Database = new TVNDatabase(Root.get());
      Database->SetName(DatabaseName);
      Database->SetDatabaseName(DatabaseName);
      Database->SetSessionName(SessionName);
      for (int Q = 0; Q < PerDatabase; ++Q) {
        auto* Query = new TVNQuery(Root.get());
        Query->SetName(DatabaseName + "_q" + std::to_string(Q));
        Query->SetDatabaseName(DatabaseName);
        Query->SetSessionName(SessionName);
        Query->SQL().Add("select * from t" + std::to_string(Q));
      }
    }
  }
  return Root;
}

void RegisterOnce() {
  static const bool Registered = [] {
    VNReg::Register();
    return true;
  }();
  (void)Registered;
}

void BuildTree(benchmark::State& State, int Sessions, int Databases) {
  RegisterOnce();
  const int DataSets = static_cast<int>(State.range(0));
  const std::unique_ptr<TComponent> Form = MakeForm(Sessions, Databases, DataSets);
  for (auto _ : State) {
    vn_ide::TStructureView View(*Form, nullptr);
    benchmark::DoNotOptimize(View.RootSprig().Count());
  }
  State.SetComplexityN(DataSets);
  // Datasets placed per second: a constant rate across sizes is linear growth.
  State.counters["datasets"] = benchmark::Counter(DataSets, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_StructureViewSpread(benchmark::State& State) { BuildTree(State, 10, 10); }
void BM_StructureViewDeep(benchmark::State& State) { BuildTree(State, 1, 1); }

// Sizes stop at 30,000: making and freeing the form itself (outside the timed
// loop) takes longer than the builds beyond that.
BENCHMARK(BM_StructureViewSpread)->Arg(1000)->Arg(3000)->Arg(10000)->Arg(30000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
BENCHMARK(BM_StructureViewDeep)->Arg(1000)->Arg(3000)->Arg(10000)->Arg(30000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

}  // namespace
