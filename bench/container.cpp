// What the styled container costs on top of the platform: filling the inner list box of a container with a
// million items already in order against the bare platform list box, a scroll-bar synchronisation that
// finds nothing to change, a mouse move over a container whose look stays the same, and the three thread
// hooks of the container unit on every message while no popup is open.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "lookandfeel/cxContainer.h"
#include "lookandfeel/cxControls.h"
#include "lookandfeel/cxLookAndFeelPainters.h"
#include "lookandfeel/cxLookAndFeels.h"
#include "lookandfeel/dxOffice11.h"
#include "lookandfeel/dxThemeManager.h"
#include "lookandfeel/dxUxTheme.h"
#include "platform/backend/headless/HeadlessBackend.h"
#include "platform/controls/Forms.h"
#include "platform/win/Win.h"

namespace {

std::vector<AnsiString> SortedWords(std::size_t n) {
  std::mt19937 rng(12345);
  std::vector<AnsiString> words;
  words.reserve(n);
  for (std::size_t i = 0; i < n; ++i) {
    AnsiString w;
    for (int k = 0; k < 8; ++k)
      w += char('a' + rng() % 26);
    words.push_back(w);
  }
  std::sort(words.begin(), words.end(),
            [](const AnsiString& a, const AnsiString& b) { return AnsiCompareText(a, b) < 0; });
  return words;
}

class ListContainer : public TcxContainer {
public:
  explicit ListContainer(TComponent* AOwner) : TcxContainer(AOwner) {
    list = new TcxCustomInnerListBox(this);
    list->SetContainer(this);
    list->SetParent(this);
    SetInnerControl(list);
  }
  TcxCustomInnerListBox* list;
};

// The units the container stands on, started as the program starts them.
struct Scene {
  explicit Scene(bool containerHooks = true) {
    platform::ResetWindowManager();
    backend = std::make_unique<platform::HeadlessBackend>();
    dxUxThemeInitialize();
    dxThemeManagerInitialize();
    dxOffice11Initialize();
    cxControlsInitialize();
    cxLookAndFeelPaintersInitialize();
    cxLookAndFeelsInitialize();
    if (containerHooks)
      cxContainerInitialize();
    hooks = containerHooks;
    Application()->CreateForm(form);
    form->SetBorderStyle(bsNone);
    form->SetBounds(0, 0, 400, 400);
    form->Show();
    Application()->ProcessMessages();
  }
  ~Scene() {
    DoneApplication();
    if (hooks)
      cxContainerFinalize();
    cxLookAndFeelsFinalize();
    cxLookAndFeelPaintersFinalize();
    cxControlsFinalize();
    dxOffice11Finalize();
    dxThemeManagerFinalize();
    dxUxThemeFinalize();
    platform::ResetWindowManager();
  }
  std::unique_ptr<platform::HeadlessBackend> backend;
  TForm* form = nullptr;
  bool hooks = true;
};

void Fill(TCustomListBox* list, const std::vector<AnsiString>& words) {
  list->Items()->BeginUpdate();
  for (const AnsiString& w : words)
    list->Items()->Add(w);
  list->Items()->EndUpdate();
}

void BM_FillBareListBox(benchmark::State& state) {
  const auto words = SortedWords(std::size_t(state.range(0)));
  for (auto _ : state) {
    Scene scene;
    auto* list = new TListBox(scene.form);
    list->SetSorted(true);
    list->SetParent(scene.form);
    list->SetBounds(0, 0, 200, 300);
    Fill(list, words);
    benchmark::DoNotOptimize(list->Count());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_FillBareListBox)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_FillInnerListBox(benchmark::State& state) {
  const auto words = SortedWords(std::size_t(state.range(0)));
  for (auto _ : state) {
    Scene scene;
    auto* box = new ListContainer(scene.form);
    box->list->SetSorted(true);
    box->SetParent(scene.form);
    box->SetBounds(0, 0, 200, 300);
    Fill(box->list, words);
    benchmark::DoNotOptimize(box->list->Count());
    if (!box->list->VScrollBar()->Visible())
      state.SkipWithError("the look-and-feel bar did not follow the filled list");
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_FillInnerListBox)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_SyncScrollBarsUnchanged(benchmark::State& state) {
  Scene scene;
  auto* box = new ListContainer(scene.form);
  box->SetParent(scene.form);
  box->SetBounds(0, 0, 200, 300);
  Fill(box->list, SortedWords(1000));
  const int changes = box->list->ScrollBarChangeCount();
  for (auto _ : state)
    box->list->SyncScrollBars();
  if (box->list->ScrollBarChangeCount() != changes)
    state.SkipWithError("a synchronisation with nothing to change moved or repainted a bar");
}
BENCHMARK(BM_SyncScrollBarsUnchanged);

void BM_MouseMoveSameLook(benchmark::State& state) {
  Scene scene;
  auto* box = new ListContainer(scene.form);
  box->SetParent(scene.form);
  box->SetBounds(10, 10, 200, 100);
  Application()->ProcessMessages();
  const TPoint p = box->ClientToScreen(TPoint{2, 50});
  scene.backend->MouseMove(p.x, p.y);
  Application()->ProcessMessages();
  const auto before = box->RefreshCounters();
  int dy = 0;
  for (auto _ : state) {
    dy ^= 1;
    scene.backend->MouseMove(p.x, p.y + dy);
    Application()->ProcessMessages();
  }
  if (box->RefreshCounters().Invalidations != before.Invalidations ||
      box->RefreshCounters().RegionChanges != before.RegionChanges)
    state.SkipWithError("a mouse move that changes nothing repainted the container or changed its region");
}
BENCHMARK(BM_MouseMoveSameLook);

// One sent and one posted message through the queue, with and without the container unit's hooks.
void SendAndPost(benchmark::State& state, bool hooks) {
  Scene scene(hooks);
  HWND wnd = scene.form->Handle();
  MSG msg{};
  for (auto _ : state) {
    benchmark::DoNotOptimize(SendMessageA(wnd, WM_NULL, 0, 0));
    PostMessageA(wnd, WM_NULL, 0, 0);
    benchmark::DoNotOptimize(PeekMessageA(&msg, wnd, 0, 0, PM_REMOVE));
  }
  state.SetItemsProcessed(state.iterations() * 2);
}
void BM_MessagesWithoutHooks(benchmark::State& state) {
  SendAndPost(state, false);
}
void BM_MessagesWithContainerHooks(benchmark::State& state) {
  SendAndPost(state, true);
}
BENCHMARK(BM_MessagesWithoutHooks);
BENCHMARK(BM_MessagesWithContainerHooks);

} // namespace

BENCHMARK_MAIN();
