// A list box of a million items: adding them sorted in random order, finding one by exact match, and
// painting a screenful at the end of the list. Each must cost logarithmic or per-visible-item work, so
// the numbers should barely move between a thousand and a million items.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "platform/backend/headless/HeadlessBackend.h"
#include "platform/gdi/Gdi.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/ListBox.h"
#include "platform/win/Win.h"

namespace {

std::vector<std::string> Words(std::size_t n) {
  std::mt19937 rng(12345);
  std::vector<std::string> words;
  words.reserve(n);
  for (std::size_t i = 0; i < n; ++i) {
    std::string w;
    for (int k = 0; k < 8; ++k)
      w += char('a' + rng() % 26);
    words.push_back(w);
  }
  return words;
}

struct Window {
  explicit Window(DWORD style) {
    platform::ResetWindowManager();
    top = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 300, 400, nullptr, nullptr, nullptr,
                          nullptr);
    list =
        CreateWindowExA(0, "LISTBOX", "", WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOINTEGRALHEIGHT | style,
                        0, 0, 300, 400, top, nullptr, nullptr, nullptr);
  }
  ~Window() { platform::ResetWindowManager(); }
  void Fill(const std::vector<std::string>& words) {
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    for (const auto& w : words)
      SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(w.c_str()));
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
  }
  HWND top = nullptr;
  HWND list = nullptr;
};

void BM_AddSortedRandomOrder(benchmark::State& state) {
  auto words = Words(std::size_t(state.range(0)));
  for (auto _ : state) {
    Window w(LBS_SORT);
    w.Fill(words);
    benchmark::DoNotOptimize(SendMessageA(w.list, LB_GETCOUNT, 0, 0));
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_AddSortedRandomOrder)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(1);

// Items that already come in the list's order, as a caller that sorted them first offers them.
void BM_AddSortedInOrder(benchmark::State& state) {
  auto words = Words(std::size_t(state.range(0)));
  std::sort(words.begin(), words.end(),
            [](const std::string& a, const std::string& b) { return AnsiCompareText(a, b) < 0; });
  for (auto _ : state) {
    Window w(LBS_SORT);
    w.Fill(words);
    benchmark::DoNotOptimize(SendMessageA(w.list, LB_GETCOUNT, 0, 0));
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_AddSortedInOrder)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_FindExact(benchmark::State& state) {
  auto words = Words(std::size_t(state.range(0)));
  Window w(LBS_SORT);
  w.Fill(words);
  std::size_t i = 0;
  for (auto _ : state) {
    std::string probe = words[i++ % words.size()];
    probe[0] = char(probe[0] - 'a' + 'A');
    benchmark::DoNotOptimize(
        SendMessageA(w.list, LB_FINDSTRINGEXACT, WPARAM(-1), reinterpret_cast<LPARAM>(probe.c_str())));
  }
}
BENCHMARK(BM_FindExact)->Arg(1000)->Arg(1000000);

void BM_PaintScreenAtTheEnd(benchmark::State& state) {
  auto words = Words(std::size_t(state.range(0)));
  Window w(LBS_SORT);
  w.Fill(words);
  SendMessageA(w.list, LB_SETTOPINDEX, WPARAM(state.range(0) - 1), 0);
  for (auto _ : state) {
    InvalidateRect(w.list, nullptr, TRUE);
    UpdateWindow(w.list);
  }
}
BENCHMARK(BM_PaintScreenAtTheEnd)->Arg(1000)->Arg(1000000);

void BM_SelectByKeyAtTheEnd(benchmark::State& state) {
  auto words = Words(std::size_t(state.range(0)));
  Window w(LBS_SORT);
  w.Fill(words);
  SendMessageA(w.list, LB_SETCURSEL, WPARAM(state.range(0) - 2), 0);
  bool down = true;
  for (auto _ : state) {
    SendMessageA(w.list, WM_KEYDOWN, down ? VK_DOWN : VK_UP, 0);
    down = !down;
  }
}
BENCHMARK(BM_SelectByKeyAtTheEnd)->Arg(1000)->Arg(1000000);

} // namespace

BENCHMARK_MAIN();
