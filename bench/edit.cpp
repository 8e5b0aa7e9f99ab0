// The edit window's cost per keystroke in a long memo, wrapped and not, against laying the whole text out
// afresh; and a memo filled line by line as the program fills its explanation memos.
#include <benchmark/benchmark.h>

#include <string>

#include "platform/backend/headless/HeadlessBackend.h"
#include "platform/gdi/Gdi.h"
#include "platform/win/Edit.h"
#include "platform/win/EditLayout_p.h"
#include "platform/win/Win.h"

namespace {

std::string LongText(int lines) {
  std::string text;
  for (int i = 0; i < lines; ++i)
    text += "line " + std::to_string(i) + " of a memo with words enough to wrap twice or so\r\n";
  return text;
}

struct Memo {
  platform::HeadlessBackend backend{SIZE{1024, 768}};
  HFONT font = CreateFontA(13, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, TestFontFace);
  HWND top = nullptr;
  HWND edit = nullptr;
  explicit Memo(DWORD style, const std::string& text) {
    platform::ResetWindowManager();
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "BenchHost";
    RegisterClassA(&wc);
    top = CreateWindowExA(0, "BenchHost", "", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300, nullptr, nullptr,
                          nullptr, nullptr);
    edit = CreateWindowExA(0, "EDIT", text.c_str(), WS_CHILD | WS_VISIBLE | ES_MULTILINE | style, 0, 0, 300,
                           200, top, nullptr, nullptr, nullptr);
    SendMessageA(edit, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    SetFocus(edit);
    UpdateWindow(top);
  }
  ~Memo() {
    platform::ResetWindowManager();
    DeleteObject(font);
  }
};

void TypeInTheMiddle(benchmark::State& state, DWORD style) {
  Memo memo(style, LongText(int(state.range(0))));
  auto middle = WPARAM(GetWindowTextLengthA(memo.edit) / 2);
  SendMessageA(memo.edit, EM_SETSEL, middle, LPARAM(middle));
  for (auto _ : state) {
    SendMessageA(memo.edit, WM_CHAR, 'x', 0);
    SendMessageA(memo.edit, WM_CHAR, '\b', 0);
  }
  state.SetItemsProcessed(state.iterations() * 2);
}

void BM_TypeWrapped(benchmark::State& state) {
  TypeInTheMiddle(state, ES_AUTOVSCROLL);
}
BENCHMARK(BM_TypeWrapped)->Arg(1000)->Arg(10000);

void BM_TypeUnwrapped(benchmark::State& state) {
  TypeInTheMiddle(state, ES_AUTOVSCROLL | ES_AUTOHSCROLL);
}
BENCHMARK(BM_TypeUnwrapped)->Arg(1000)->Arg(10000);

// What every keystroke would cost if the whole text were laid out again.
void BM_FullLayoutWrapped(benchmark::State& state) {
  std::string text = LongText(int(state.range(0)));
  platform::detail::EditMetrics metrics;
  metrics.widths.fill(6);
  platform::detail::EditLayout layout;
  for (auto _ : state) {
    layout.Build(text, metrics, platform::detail::EditLayout::Options{true, 300, 0});
    benchmark::DoNotOptimize(layout.LineCount());
  }
}
BENCHMARK(BM_FullLayoutWrapped)->Arg(1000)->Arg(10000);

void BM_AppendLines(benchmark::State& state) {
  const std::string line = "a line of explanation text\r\n";
  for (auto _ : state) {
    Memo memo(ES_AUTOVSCROLL, "");
    for (int i = 0; i < state.range(0); ++i) {
      auto end = WPARAM(GetWindowTextLengthA(memo.edit));
      SendMessageA(memo.edit, EM_SETSEL, end, LPARAM(end));
      SendMessageA(memo.edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(line.c_str()));
    }
    benchmark::DoNotOptimize(SendMessageA(memo.edit, EM_GETLINECOUNT, 0, 0));
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_AppendLines)->Arg(1000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
