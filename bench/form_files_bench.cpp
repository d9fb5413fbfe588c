// Scaling of form files in the number of components: reading (which names,
// inserts and resolves every component, then destroys them with the root),
// and writing. A data module of datasets, each with three persistent fields
// and a design position, as the builder saves one.
#include <benchmark/benchmark.h>

#include <string>

#include "rtl/Classes.h"
#include "rtl/FormFiles.h"

namespace {

std::string ModuleText(int Components) {
  std::string Text = "object Shop: TShopModule\r\n  OldCreateOrder = False\r\n  Height = 480\r\n  Width = 640\r\n";
  for (int I = 0; I < Components / 4; ++I) {
    const std::string N = std::to_string(I);
    Text += "  object Data" + N + ": TMemoryDataSet\r\n    Left = " + std::to_string(8 + I % 600) + "\r\n    Top = " +
            std::to_string(8 + I / 600) + "\r\n";
    Text += "    object Data" + N + "ID: TIntegerField\r\n      FieldName = 'ID'\r\n      Required = True\r\n    end\r\n";
    Text += "    object Data" + N + "NAME: TStringField\r\n      FieldName = 'NAME'\r\n      DisplayLabel = 'Name'#39's'\r\n"
            "      Size = 40\r\n    end\r\n";
    Text += "    object Data" + N + "PRICE: TFloatField\r\n      FieldName = 'PRICE'\r\n    end\r\n  end\r\n";
  }
  return Text + "end\r\n";
}

void BM_ReadForm(benchmark::State& State) {
  const int Components = static_cast<int>(State.range(0));
  const std::string Text = ModuleText(Components);
  for (auto _ : State) {
    TDataModule Root;
    Root.SetDesigning(true);
    ReadComponentText(Text, Root);
    benchmark::DoNotOptimize(Root.ComponentCount());
  }
  State.SetComplexityN(Components);
}
BENCHMARK(BM_ReadForm)->Arg(1000)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

void BM_WriteForm(benchmark::State& State) {
  const int Components = static_cast<int>(State.range(0));
  TDataModule Root;
  Root.SetDesigning(true);
  ReadComponentText(ModuleText(Components), Root);
  for (auto _ : State) benchmark::DoNotOptimize(WriteComponentText(Root, "TShopModule"));
  State.SetComplexityN(Components);
}
BENCHMARK(BM_WriteForm)->Arg(1000)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

}  // namespace
