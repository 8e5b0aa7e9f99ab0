// A key typed into the dictionary's search box, from the key to the repainted window, over generated
// dictionaries of growing size, beside the bare loop that only compares every headword with the prefix.
#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <random>
#include <string>

#include "app/MainUnit.h"
#include "platform/backend/headless/HeadlessBackend.h"
#include "platform/win/Win.h"

namespace {

// Turkish letters in the code page; two letters pick about one headword in nine hundred.
const std::string kLetters = "abc\xE7"
                             "defg\xF0h\xFDijklmno\xF6prs\xFEtu\xFCvyz";

std::string MakeWord(std::mt19937& rng) {
  std::string w;
  const int length = 2 + int(rng() % 10);
  for (int i = 0; i < length; ++i)
    w += kLetters[rng() % kLetters.size()];
  return w;
}

// The lines of a dictionary of Entries entries, made once per size.
const std::vector<std::string>& Lines(int Entries) {
  static std::map<int, std::vector<std::string>> cache;
  auto [it, added] = cache.try_emplace(Entries);
  if (added) {
    std::mt19937 rng(7 + unsigned(Entries));
    it->second.reserve(std::size_t(Entries));
    for (int i = 0; i < Entries; ++i)
      it->second.push_back(MakeWord(rng) + ";" + MakeWord(rng) + ";isim;");
  }
  return it->second;
}

// The main window on the headless display with no word file, filled with a generated dictionary.
class TWindow {
public:
  explicit TWindow(int Entries) {
    platform::ResetWindowManager();
    FBackend = std::make_unique<platform::HeadlessBackend>();
    SetProgramDirectory("/nonexistent-pelvor-bench");
    Application()->CreateForm(FMain);
    FMain->Show();
    for (const std::string& line : Lines(Entries))
      FMain->AllEntries()->AddAnsiLine(line);
    Settle();
  }
  ~TWindow() {
    DoneApplication();
    platform::ResetWindowManager();
  }

  TMain* Main() const { return FMain; }

  void Settle() {
    Application()->ProcessMessages();
    UpdateWindow(FMain->Handle());
  }

  void Type(char Ch) {
    platform::InjectChar(BYTE(Ch));
    Settle();
  }

  void PressKey(int Vk) {
    FBackend->PressKey(Vk);
    Settle();
  }

  // The box holds Text with all of it selected, so that the next key replaces it.
  void Prepare(const std::string& Text) {
    FMain->Arama->SetText(Text);
    FMain->Arama->SelectAll();
    Settle();
  }

private:
  std::unique_ptr<platform::HeadlessBackend> FBackend;
  TMain* FMain = nullptr;
};

void Report(benchmark::State& state, TMain* Main) {
  state.counters["headwords"] = Main->ListSol->Items()->Count();
  state.counters["matches"] = Main->Matches()->Count();
}

// The first key: the box held something that matched nothing, the key replaces it with one letter.
void BM_KeyOneLetterPrefix(benchmark::State& state) {
  TWindow window(int(state.range(0)));
  for (auto _ : state) {
    state.PauseTiming();
    window.Prepare("qqq");
    state.ResumeTiming();
    window.Type('k');
  }
  Report(state, window.Main());
}

// The second key: "k" was typed and completed, the key replaces the completion.
void BM_KeyTwoLetterPrefix(benchmark::State& state) {
  TWindow window(int(state.range(0)));
  for (auto _ : state) {
    state.PauseTiming();
    window.Prepare("qqq");
    window.Type('k');
    state.ResumeTiming();
    window.Type('a');
  }
  Report(state, window.Main());
}

// Backspace over the whole text: the empty prefix lists every headword.
void BM_KeyEmptyPrefix(benchmark::State& state) {
  TWindow window(int(state.range(0)));
  for (auto _ : state) {
    state.PauseTiming();
    window.Prepare("qqq");
    state.ResumeTiming();
    window.PressKey(VK_BACK);
  }
  Report(state, window.Main());
}

// The limit: every headword compared with a two-letter prefix, and nothing else.
void BM_BarePrefixLoop(benchmark::State& state) {
  TPelvor store;
  for (const std::string& line : Lines(int(state.range(0))))
    store.AddAnsiLine(line);
  const std::u16string prefix = u"ka";
  for (auto _ : state) {
    int matches = 0;
    for (int i = 0; i < store.Count(); ++i)
      matches += store.Items(i)->TurkceText().starts_with(prefix);
    benchmark::DoNotOptimize(matches);
  }
}

BENCHMARK(BM_KeyOneLetterPrefix)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KeyTwoLetterPrefix)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KeyEmptyPrefix)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(BM_BarePrefixLoop)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
