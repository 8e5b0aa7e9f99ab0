// The sorted list box and the string list order the dictionary's headwords with the locale comparison;
// these measure one comparison and a whole sort of a word list of the dictionary's size.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/rtl/SysUtils.h"

namespace {

// Words of Turkish letters in 1254, both cases, with shared prefixes as a headword list has them.
std::vector<AnsiString> MakeWords(int count) {
  static const char letters[] = "abc\xE7"
                                "defg\xF0hi\xFDjklmno\xF6prs\xFEtu\xFCvyzABC\xC7\xDDI\xDE";
  const size_t letterCount = sizeof letters - 1;
  std::vector<AnsiString> words;
  words.reserve(count);
  unsigned seed = 2024;
  for (int i = 0; i < count; ++i) {
    seed = seed * 1103515245u + 12345u;
    AnsiString w = i > 0 && seed % 4 == 0 ? words[seed % words.size()].substr(0, 3) : AnsiString();
    const int length = 3 + int(seed >> 8) % 9;
    for (int k = 0; k < length; ++k) {
      seed = seed * 1103515245u + 12345u;
      w += letters[(seed >> 16) % letterCount];
    }
    words.push_back(std::move(w));
  }
  return words;
}

void BM_AnsiCompareText(benchmark::State& state) {
  const auto words = MakeWords(4096);
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(AnsiCompareText(words[i & 4095], words[(i * 7 + 1) & 4095]));
    ++i;
  }
}
BENCHMARK(BM_AnsiCompareText);

void BM_AnsiCompareStr(benchmark::State& state) {
  const auto words = MakeWords(4096);
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(AnsiCompareStr(words[i & 4095], words[(i * 7 + 1) & 4095]));
    ++i;
  }
}
BENCHMARK(BM_AnsiCompareStr);

void BM_WideCompareText(benchmark::State& state) {
  std::vector<WideString> words;
  for (const auto& w : MakeWords(4096))
    words.push_back(AnsiToWide(w));
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(WideCompareText(words[i & 4095], words[(i * 7 + 1) & 4095]));
    ++i;
  }
}
BENCHMARK(BM_WideCompareText);

void BM_SortWords(benchmark::State& state) {
  const auto words = MakeWords(int(state.range(0)));
  for (auto _ : state) {
    auto copy = words;
    std::sort(copy.begin(), copy.end(),
              [](const AnsiString& a, const AnsiString& b) { return AnsiCompareText(a, b) < 0; });
    benchmark::DoNotOptimize(copy.data());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SortWords)->Arg(30000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
