// A key typed into the dictionary's search box, from the key to the repainted window, over generated
// dictionaries of growing size, beside the bare loop that only compares every headword with the prefix. On an
// X display (DISPLAY set, e.g. Xvfb), the same key through SDL from the event to the last frame shown.
#include <benchmark/benchmark.h>

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

#include "app/MainUnit.h"
#include "app/ProgramUnits.h"
#include "engine/Crypto.h"
#include "platform/backend/headless/HeadlessBackend.h"
#include "platform/backend/sdl/SdlBackend.h"
#include "platform/classes/UnitList.h"
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

// The main window with no word file, filled with a generated dictionary, on the headless display unless
// MakeBackend gives another.
class TWindow {
public:
  using TBackendMaker = std::function<std::unique_ptr<platform::Backend>()>;
  explicit TWindow(int Entries, const std::vector<std::string>& Extra = {},
                   const TBackendMaker& MakeBackend = {})
      : TWindow(std::string("/nonexistent-pelvor-bench"), MakeBackend) {
    for (const std::string& line : Lines(Entries))
      FMain->AllEntries()->AddAnsiLine(line);
    for (const std::string& line : Extra)
      FMain->AllEntries()->AddAnsiLine(line);
    Settle();
  }
  // The window reading the word file in Directory as the program does at start.
  explicit TWindow(const std::string& Directory, const TBackendMaker& MakeBackend = {}) {
    platform::ResetWindowManager();
    FBackend = MakeBackend ? MakeBackend() : std::make_unique<platform::HeadlessBackend>();
    FUnits.Initialize();
    SetProgramDirectory(Directory);
    Application()->CreateForm(FMain);
    FMain->Show();
    Settle();
  }
  ~TWindow() {
    DoneApplication();
    FUnits.Finalize();
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
    platform::InjectKey(Vk, true);
    platform::InjectKey(Vk, false);
    Settle();
  }

  // The box holds Text with all of it selected, so that the next key replaces it.
  void Prepare(const std::string& Text) {
    FMain->Arama->SetText(Text);
    FMain->Arama->SelectAll();
    Settle();
  }

private:
  std::unique_ptr<platform::Backend> FBackend;
  TUnitList FUnits{ProgramUnits()};
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

// The SDL display, counting the frames it shows and when it showed the last.
class TTimedSdlBackend : public platform::SdlBackend {
public:
  int Presents = 0;
  std::chrono::steady_clock::time_point LastPresent;

  void Present(HWND Hwnd, const RECT& Dirty) override {
    SdlBackend::Present(Hwnd, Dirty);
    ++Presents;
    LastPresent = std::chrono::steady_clock::now();
  }
};

void PushKey(SDL_EventType Type, SDL_Keycode Key) {
  SDL_Event e{};
  e.type = Type;
  e.key.keysym.sym = Key;
  e.key.keysym.scancode = SDL_GetScancodeFromKey(Key);
  SDL_PushEvent(&e);
}

// The first key as the X display gives it: the key, its text, its release, from SDL's queue to the last frame
// handed to the display; the frames per key beside it.
void BM_SdlKeyToLastPresent(benchmark::State& state) {
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display || SDL_Init(SDL_INIT_VIDEO) != 0) {
    state.SkipWithError("needs an X display: DISPLAY naming a running server, e.g. Xvfb");
    return;
  }
  TTimedSdlBackend* sdl = nullptr;
  TWindow window(int(state.range(0)), {}, [&] {
    auto backend = std::make_unique<TTimedSdlBackend>();
    sdl = backend.get();
    return backend;
  });
  SDL_Window* shown = sdl->WindowOf(window.Main()->Handle());
  if (!shown || !(SDL_GetWindowFlags(shown) & SDL_WINDOW_SHOWN)) {
    state.SkipWithError("the window is not shown on the display");
    return;
  }
  int presents = 0;
  for (auto _ : state) {
    window.Prepare("qqq");
    window.Settle();
    sdl->Presents = 0;
    const auto start = std::chrono::steady_clock::now();
    PushKey(SDL_KEYDOWN, SDLK_k);
    SDL_Event text{};
    text.type = SDL_TEXTINPUT;
    SDL_strlcpy(text.text.text, "k", sizeof text.text.text);
    SDL_PushEvent(&text);
    PushKey(SDL_KEYUP, SDLK_k);
    Application()->ProcessMessages();
    if (sdl->Presents == 0) {
      state.SkipWithError("the key reached the display as no frame at all");
      break;
    }
    state.SetIterationTime(std::chrono::duration<double>(sdl->LastPresent - start).count());
    presents += sdl->Presents;
  }
  state.counters["presents_per_key"] = benchmark::Counter(presents, benchmark::Counter::kAvgIterations);
  Report(state, window.Main());
}

// Both directions of the index over a dictionary, as the window builds it after reading the word file.
void BM_IndexBuild(benchmark::State& state) {
  TPelvor store;
  for (const std::string& line : Lines(int(state.range(0))))
    store.AddAnsiLine(line);
  for (auto _ : state) {
    TWordIndex index;
    index.Build(store, false);
  }
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

// A key whose matches stay at a thousand however large the dictionary grows.
const std::vector<std::string>& ThousandQ() {
  static const std::vector<std::string> lines = [] {
    std::vector<std::string> out;
    std::mt19937 rng(11);
    for (int i = 0; i < 1000; ++i)
      out.push_back("qx" + MakeWord(rng) + ";" + MakeWord(rng) + ";isim;");
    return out;
  }();
  return lines;
}

void BM_KeyThousandMatches(benchmark::State& state) {
  TWindow window(int(state.range(0)), ThousandQ());
  for (auto _ : state) {
    state.PauseTiming();
    window.Prepare("zzz");
    state.ResumeTiming();
    window.Type('q');
  }
  Report(state, window.Main());
}

// Writes a word file of these plain lines into a directory of its own, once per process.
std::string WordFileDirectory(const std::string& Name, const std::function<void(std::string&)>& Fill) {
  static std::map<std::string, std::string> made;
  auto it = made.find(Name);
  if (it != made.end())
    return it->second;
  const std::string directory =
      std::filesystem::temp_directory_path() / ("pelvor-bench-" + Name + "-" + std::to_string(getpid()));
  std::filesystem::create_directories(directory);
  std::string plain;
  Fill(plain);
  const AnsiString text = Encipher(plain);
  plain = {};
  std::ofstream(directory + "/pelvor.dll", std::ios::binary) << text;
  return made[Name] = directory;
}

struct TRemoveDirectories {
  std::vector<std::string> Directories;
  ~TRemoveDirectories() {
    for (const auto& d : Directories)
      std::filesystem::remove_all(d);
  }
};
TRemoveDirectories& Cleanup() {
  static TRemoveDirectories cleanup;
  return cleanup;
}

std::string Kept(const std::string& Directory) {
  auto& d = Cleanup().Directories;
  if (std::find(d.begin(), d.end(), Directory) == d.end())
    d.push_back(Directory);
  return Directory;
}

// The resident memory now, and the peak since ResetPeak, in MiB.
double StatusMiB(const char* Field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(Field, 0) == 0)
      return std::stod(line.substr(std::strlen(Field))) / 1024.0;
  return 0;
}
void ResetPeak() {
  std::ofstream("/proc/self/clear_refs") << "5";
}

// From nothing to a window that has answered its first key: the word file read, the window shown, one
// letter typed.
void BM_StartUpToFirstKey(benchmark::State& state) {
  const int entries = int(state.range(0));
  const std::string directory =
      Kept(WordFileDirectory("startup" + std::to_string(entries), [&](std::string& plain) {
        for (const std::string& line : Lines(entries))
          plain += line + "\r\n";
      }));
  for (auto _ : state) {
    auto window = std::make_unique<TWindow>(directory);
    window->Type('k');
    state.PauseTiming();
    Report(state, window->Main());
    // Closing the window is no part of starting it.
    window.reset();
    state.ResumeTiming();
  }
}

// The left list filled with a million headwords in its order, beside the same strings written into a vector.
const std::vector<AnsiString>& OrderedHeadwords() {
  static const std::vector<AnsiString> words = [] {
    std::vector<AnsiString> out;
    out.reserve(1000000);
    for (int i = 0; i < 1000000; ++i) {
      char buffer[16];
      std::snprintf(buffer, sizeof buffer, "k%07d", i);
      out.push_back(buffer);
    }
    return out;
  }();
  return words;
}

void BM_FillLeftList(benchmark::State& state) {
  TWindow window(0);
  const auto& words = OrderedHeadwords();
  for (auto _ : state) {
    state.PauseTiming();
    window.Main()->ListSol->Clear();
    std::vector<AnsiString> batch = words;
    state.ResumeTiming();
    window.Main()->ListSol->AppendOrdered(batch);
  }
  state.counters["items"] = window.Main()->ListSol->Items()->Count();
}

void BM_FillVector(benchmark::State& state) {
  const auto& words = OrderedHeadwords();
  for (auto _ : state) {
    std::vector<AnsiString> out;
    out.reserve(words.size());
    for (const AnsiString& w : words)
      out.push_back(w);
    benchmark::DoNotOptimize(out.data());
  }
}

// Hostile word files of about 200 MB: the first key after the window came up, its time and the peak memory
// it took beside what the loaded dictionary holds.
void HostileFirstKey(benchmark::State& state, const std::string& Directory, char Key) {
  for (auto _ : state) {
    state.PauseTiming();
    auto window = std::make_unique<TWindow>(Directory);
    const double loaded = StatusMiB("VmRSS:");
    ResetPeak();
    // The index is built behind the shown window; the key is timed once it is ready, the wait beside it.
    const auto start = std::chrono::steady_clock::now();
    window->Main()->AllEntries();
    state.counters["index_wait_ms"] =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    state.ResumeTiming();
    window->Type(Key);
    state.PauseTiming();
    const double peak = StatusMiB("VmHWM:");
    state.counters["loaded_MiB"] = loaded;
    state.counters["peak_MiB"] = peak;
    state.counters["peak_per_loaded"] = peak / loaded;
    Report(state, window->Main());
    state.counters["right"] = window->Main()->ListSag->Items()->Count();
    window.reset();
    state.ResumeTiming();
  }
}

void BM_HostileIdenticalLines(benchmark::State& state) {
  const std::string directory = Kept(WordFileDirectory("identical", [](std::string& plain) {
    const std::size_t lines = 31000000;
    plain.reserve(lines * 5);
    for (std::size_t i = 0; i < lines; ++i)
      plain += "a;b\r\n";
  }));
  HostileFirstKey(state, directory, 'a');
}

void BM_HostileTwoMillionEntries(benchmark::State& state) {
  const std::string directory = Kept(WordFileDirectory("twomillion", [](std::string& plain) {
    std::mt19937 rng(5);
    plain.reserve(160u << 20);
    for (int i = 0; i < 2000000; ++i)
      plain += MakeWord(rng) + ";" + MakeWord(rng) + ";isim, " + MakeWord(rng) + " " + MakeWord(rng) + " " +
               MakeWord(rng) + ";" + MakeWord(rng) + " " + MakeWord(rng) + " " + MakeWord(rng) + "\r\n";
  }));
  HostileFirstKey(state, directory, 'k');
}

BENCHMARK(BM_KeyThousandMatches)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartUpToFirstKey)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_FillLeftList)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FillVector)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HostileIdenticalLines)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_HostileTwoMillionEntries)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_KeyOneLetterPrefix)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KeyTwoLetterPrefix)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KeyEmptyPrefix)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(BM_SdlKeyToLastPresent)->Arg(10000)->Arg(1000000)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IndexBuild)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BarePrefixLoop)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
