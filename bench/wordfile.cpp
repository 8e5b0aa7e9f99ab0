// Loading a word file of a million entries, against the bare cost of its Base64 decoding and RC4 in the same
// run, and the memory the entries take beyond their characters.
#include <benchmark/benchmark.h>

#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <unistd.h>

#include "engine/Crypto.h"
#include "engine/Kelime.h"
#include "engine/WordFile.h"

namespace {

constexpr int kEntries = 1000000;

std::string makeWord(std::mt19937& rng, int minLen, int maxLen) {
  // Letters of both languages in the code page, with the accent after the letters that take it.
  static const std::string letters = "abcdefghijklmnoprstuvyz\xE7\xF0\xFD\xF6\xFE\xFCxqw3";
  static const std::string accented = "kptz3\xE7";
  std::string w;
  int len = minLen + int(rng() % unsigned(maxLen - minLen + 1));
  while (int(w.size()) < len) {
    char c = letters[rng() % letters.size()];
    w += c;
    if (accented.find(c) != std::string::npos && rng() % 4 == 0)
      w += '\xB4';
  }
  return w;
}

struct WordFileFixture {
  std::string path;
  std::string fileText; // as the string list hands it to Decipher
  std::size_t plainBytes = 0;

  WordFileFixture() {
    std::mt19937 rng(2026);
    std::string plain;
    plain.reserve(std::size_t(kEntries) * 40);
    for (int i = 0; i < kEntries; ++i) {
      plain += makeWord(rng, 3, 12);
      plain += ';';
      plain += makeWord(rng, 3, 12);
      plain += ';';
      plain += rng() % 2 ? std::string("isim") : std::string("s\xFD") + "fat, " + makeWord(rng, 4, 10);
      plain += ';';
      if (rng() % 8 == 0)
        plain += makeWord(rng, 4, 10);
      plain += "\r\n";
    }
    plainBytes = plain.size();
    fileText = Encipher(plain) + "\r\n";
    path = "/tmp/pelvor-bench-" + std::to_string(getpid()) + ".dll";
    std::ofstream(path, std::ios::binary) << fileText;
  }
  ~WordFileFixture() { std::remove(path.c_str()); }
};

WordFileFixture& fixture() {
  static WordFileFixture f;
  return f;
}

void bareDecipher(const std::string& text) {
  AnsiString bytes = DecodeBase64Groups(text);
  CipherWordData(reinterpret_cast<std::uint8_t*>(bytes.data()), bytes.size());
  benchmark::DoNotOptimize(bytes.data());
}

double bareSeconds() {
  static double best = [] {
    double b = 1e9;
    for (int i = 0; i < 5; ++i) {
      auto t0 = std::chrono::steady_clock::now();
      bareDecipher(fixture().fileText);
      b = std::min(b, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
    return b;
  }();
  return best;
}

std::size_t heapInUse() {
  struct mallinfo2 m = mallinfo2();
  return m.uordblks + m.hblkhd;
}

void BM_BareBase64AndRc4(benchmark::State& state) {
  auto& f = fixture();
  for (auto _ : state)
    bareDecipher(f.fileText);
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(f.fileText.size()));
}
BENCHMARK(BM_BareBase64AndRc4)->Unit(benchmark::kMillisecond);

// Each run starts from a settled heap, as the program does when it loads at start; without the trim the
// previous run's million frees would be merged into free blocks inside the next run's timing.
void freeSettled(TPelvor* store) {
  delete store;
  malloc_trim(0);
}

template <class Load> void timeLoad(benchmark::State& state, Load load) {
  double bare = bareSeconds();
  double total = 0;
  for (auto _ : state) {
    auto t0 = std::chrono::steady_clock::now();
    auto* store = new TPelvor;
    load(*store);
    total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    state.PauseTiming();
    if (store->Count() != kEntries)
      state.SkipWithError("the store did not get every entry");
    freeSettled(store);
    state.ResumeTiming();
  }
  state.counters["over_bare"] = total / double(state.iterations()) / bare;
  state.counters["bare_ms"] = bare * 1e3;
  // The threaded reader needs idle cores; on a busy machine its time says more about the neighbours.
  double machineLoad[1] = {0};
  if (getloadavg(machineLoad, 1) == 1)
    state.counters["loadavg"] = machineLoad[0];
}

// Deciphering and splitting the file's text, as the string list hands it over.
void BM_DecipherAndSplit(benchmark::State& state) {
  auto& f = fixture();
  TWordFileReadOptions options;
  options.Workers = unsigned(state.range(0));
  timeLoad(state, [&](TPelvor& store) { AddWordFileText(f.fileText, store, options); });
  state.counters["workers"] = double(options.Workers);
}
BENCHMARK(BM_DecipherAndSplit)
    ->Arg(0)
    ->Arg(TWordFileReadOptions::DefaultWorkers())
    ->Unit(benchmark::kMillisecond);

// The whole load from the file on disk (in the page cache), including its text layer.
void BM_LoadWordFile(benchmark::State& state) {
  auto& f = fixture();
  timeLoad(state, [&](TPelvor& store) { LoadWordFile(f.path, store); });
}
BENCHMARK(BM_LoadWordFile)->Unit(benchmark::kMillisecond);

void BM_EntryMemory(benchmark::State& state) {
  auto& f = fixture();
  AnsiString plain = Decipher(f.fileText);
  double perEntry = 0;
  for (auto _ : state) {
    std::size_t before = heapInUse();
    auto* store = new TPelvor;
    AddWordData(plain, *store);
    std::size_t after = heapInUse();
    state.PauseTiming();
    std::size_t chars = 0;
    for (int i = 0; i < store->Count(); ++i) {
      TKelime* k = store->Items(i);
      chars += k->TurkceText().size() + k->LazcaText().size() + k->TurkceAciklamaText().size() +
               k->LazcaAciklamaText().size();
    }
    perEntry = (double(after - before) - 2.0 * double(chars)) / store->Count();
    freeSettled(store);
    state.ResumeTiming();
  }
  state.counters["overhead_bytes_per_entry"] = perEntry;
}
BENCHMARK(BM_EntryMemory)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace

BENCHMARK_MAIN();
