// The dictionary's start-up loads a word file of about a million lines through a string list and joins it
// again through Text; these measure that path and the sorted bulk load.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/classes/Streams.h"
#include "platform/classes/StringList.h"

namespace {

std::string MakeText(int lines) {
  std::string text;
  text.reserve(std::size_t(lines) * 48);
  unsigned seed = 12345;
  for (int i = 0; i < lines; ++i) {
    seed = seed * 1103515245u + 12345u;
    text += "kelime" + std::to_string(seed % 1000003) + ";lazca \xE7\xF0\xFD\xFE;a\xE7\xFDklama " +
            std::to_string(i);
    text += (i % 3 == 0) ? "\n" : "\r\n";
  }
  return text;
}

void BM_LoadFromFile(benchmark::State& state) {
  const int lines = int(state.range(0));
  const auto path = std::filesystem::temp_directory_path() / ("bench-string-list-" + std::to_string(lines));
  {
    TFileStream out(path.string(), fmCreate);
    const std::string text = MakeText(lines);
    out.WriteBuffer(text.data(), std::int64_t(text.size()));
  }
  for (auto _ : state) {
    TStringList list;
    list.LoadFromFile(path.string());
    benchmark::DoNotOptimize(list.Count());
  }
  std::filesystem::remove(path);
  state.SetItemsProcessed(state.iterations() * lines);
}
BENCHMARK(BM_LoadFromFile)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_GetText(benchmark::State& state) {
  TStringList list;
  list.SetText(MakeText(int(state.range(0))));
  for (auto _ : state) {
    const AnsiString text = list.Text();
    benchmark::DoNotOptimize(text.data());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_GetText)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_SetTextSorted(benchmark::State& state) {
  const std::string text = MakeText(int(state.range(0)));
  for (auto _ : state) {
    TStringList list;
    list.SetSorted(true);
    list.SetDuplicates(dupAccept);
    list.SetText(text);
    benchmark::DoNotOptimize(list.Count());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SetTextSorted)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
