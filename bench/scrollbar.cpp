// The painter-drawn scroll bar and the control base on the headless display: a 16 x 400 bar painting
// through its window against the same five painter calls made straight into a bitmap, and mouse moves that
// stay on one part (they must invalidate nothing) against the same moves over a plain control.
#include <benchmark/benchmark.h>

#include <memory>

#include "lookandfeel/cxControls.h"
#include "lookandfeel/cxLookAndFeelPainters.h"
#include "lookandfeel/cxLookAndFeels.h"
#include "lookandfeel/cxScrollBar.h"
#include "lookandfeel/dxOffice11.h"
#include "lookandfeel/dxThemeManager.h"
#include "lookandfeel/dxUxTheme.h"
#include "platform/backend/headless/HeadlessBackend.h"
#include "platform/controls/Forms.h"
#include "platform/win/Win.h"

namespace {

const TcxLookAndFeelKind kinds[] = {lfStandard, lfFlat, lfUltraFlat, lfOffice11};
const char* const kindNames[] = {"Standard", "Flat", "UltraFlat", "Office11"};

class TCountingBar : public TcxScrollBar {
  PELVOR_CLASS(TCountingBar, TcxScrollBar)
  using TcxScrollBar::TcxScrollBar;
  long Invalidations = 0;
  void WndProc(TMessage& Message) override {
    if (Message.Msg == CM_INVALIDATE)
      ++Invalidations;
    TcxScrollBar::WndProc(Message);
  }
};

class TPlain : public TCustomControl {
  PELVOR_CLASS(TPlain, TCustomControl)
  using TCustomControl::TCustomControl;
};

struct Scene {
  std::unique_ptr<platform::HeadlessBackend> backend = std::make_unique<platform::HeadlessBackend>();
  TForm* form = nullptr;
  TCountingBar* bar = nullptr;
  TPlain* plain = nullptr;
  TcxControl* control = nullptr;
  Scene() {
    platform::Clock::UseManualTime(1000);
    Application()->CreateForm(form);
    form->SetBorderStyle(bsNone);
    form->SetBounds(0, 0, 600, 500);
    bar = new TCountingBar(form);
    bar->SetKind(sbVertical);
    bar->SetBounds(10, 10, 16, 400);
    bar->SetParent(form);
    bar->SetParams(0, 1000, true, 100, 300);
    plain = new TPlain(form);
    plain->SetBounds(100, 10, 16, 400);
    plain->SetParent(form);
    control = new TcxControl(form);
    control->SetBounds(200, 10, 200, 200);
    control->SetParent(form);
    form->Show();
    Application()->ProcessMessages();
  }
};

Scene& TheScene() {
  static Scene scene;
  return scene;
}

void BM_ScrollBarPaint(benchmark::State& state) {
  Scene& s = TheScene();
  s.bar->LookAndFeel()->SetKind(kinds[state.range(0)]);
  for (auto _ : state)
    s.bar->Repaint();
  state.SetLabel(kindNames[state.range(0)]);
}

// The peer: the same painter calls for the same parts and states into a bitmap of the bar's size.
void BM_ScrollBarPainterCalls(benchmark::State& state) {
  Scene& s = TheScene();
  s.bar->LookAndFeel()->SetKind(kinds[state.range(0)]);
  TcxLookAndFeelPainterClass painter = s.bar->Painter();
  TBitmap bitmap;
  bitmap.SetSize(16, 400);
  TcxCanvas canvas(bitmap.Canvas());
  for (auto _ : state)
    for (TcxScrollBarPart part : {spFirstArrow, spSecondArrow, spThumb, spFirstPage, spSecondPage})
      painter->DrawScrollBarPart(&canvas, false, s.bar->PartBounds(part), part, cxbsNormal);
  state.SetLabel(kindNames[state.range(0)]);
}

LPARAM At(int x, int y) {
  return MAKELPARAM(x, y);
}

// Moves along the first arrow: the hot part stays the same.
void BM_ScrollBarMoveOnOnePart(benchmark::State& state) {
  Scene& s = TheScene();
  s.bar->LookAndFeel()->SetKind(lfUltraFlat);
  s.bar->Perform(WM_MOUSEMOVE, 0, At(8, 3));
  s.bar->Invalidations = 0;
  int x = 0;
  for (auto _ : state) {
    s.bar->Perform(WM_MOUSEMOVE, 0, At(2 + x, 5));
    x = (x + 1) % 10;
  }
  state.counters["invalidations"] = double(s.bar->Invalidations);
}

void BM_PlainControlMove(benchmark::State& state) {
  Scene& s = TheScene();
  int x = 0;
  for (auto _ : state) {
    s.plain->Perform(WM_MOUSEMOVE, 0, At(2 + x, 5));
    x = (x + 1) % 10;
  }
}

void BM_ControlBaseMove(benchmark::State& state) {
  Scene& s = TheScene();
  int x = 0;
  for (auto _ : state) {
    s.control->Perform(WM_MOUSEMOVE, 0, At(20 + x, 50));
    x = (x + 1) % 10;
  }
}

BENCHMARK(BM_ScrollBarPaint)->DenseRange(0, 3);
BENCHMARK(BM_ScrollBarPainterCalls)->DenseRange(0, 3);
BENCHMARK(BM_ScrollBarMoveOnOnePart);
BENCHMARK(BM_PlainControlMove);
BENCHMARK(BM_ControlBaseMove);

} // namespace

int main(int argc, char** argv) {
  dxUxThemeInitialize();
  dxThemeManagerInitialize();
  dxOffice11Initialize();
  cxControlsInitialize();
  cxLookAndFeelPaintersInitialize();
  cxLookAndFeelsInitialize();
  benchmark::Initialize(&argc, argv);
  bool badArguments = benchmark::ReportUnrecognizedArguments(argc, argv);
  if (!badArguments)
    benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  DoneApplication();
  cxLookAndFeelsFinalize();
  cxLookAndFeelPaintersFinalize();
  cxControlsFinalize();
  dxOffice11Finalize();
  dxThemeManagerFinalize();
  dxUxThemeFinalize();
  return badArguments ? 1 : 0;
}
