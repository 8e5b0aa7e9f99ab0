// What the control layer adds on top of the window manager: a component message through the whole
// WndProc/Dispatch chain against a bare virtual call, laying out many aligned children, and repainting a
// form full of controls with and without windows.
#include <benchmark/benchmark.h>

#include <memory>

#include "platform/backend/headless/HeadlessBackend.h"
#include "platform/controls/Forms.h"
#include "platform/win/Win.h"

namespace {

class TPlate : public TCustomControl {
  PELVOR_CLASS(TPlate, TCustomControl)
  using TCustomControl::TCustomControl;

protected:
  void Paint() override {
    Canvas()->Brush()->SetColor(Color());
    Canvas()->FillRect(ClientRect());
  }
};

class TDot : public TGraphicControl {
  PELVOR_CLASS(TDot, TGraphicControl)
  using TGraphicControl::TGraphicControl;

protected:
  void Paint() override {
    Canvas()->Brush()->SetColor(Color());
    Canvas()->FillRect(ClientRect());
  }
};

struct Scene {
  Scene() {
    platform::ResetWindowManager();
    backend = std::make_unique<platform::HeadlessBackend>();
    Application()->CreateForm(form);
    form->SetBorderStyle(bsNone);
    form->SetBounds(0, 0, 800, 600);
  }
  ~Scene() {
    DoneApplication();
    platform::ResetWindowManager();
  }
  void Fill(int count) {
    for (int i = 0; i < count; ++i) {
      TControl* c = (i % 2) ? static_cast<TControl*>(new TPlate(form)) : new TDot(form);
      c->SetBounds((i % 20) * 40, (i / 20) * 30, 36, 26);
      c->SetColor(TColor(RGB(BYTE(i * 7), BYTE(i * 13), BYTE(i * 29))));
      c->SetParent(form);
    }
  }
  std::unique_ptr<platform::HeadlessBackend> backend;
  TForm* form = nullptr;
};

void PerformComponentMessage(benchmark::State& state) {
  Scene scene;
  TPlate* plate = new TPlate(scene.form);
  plate->SetParent(scene.form);
  for (auto _ : state)
    benchmark::DoNotOptimize(plate->Perform(CM_HITTEST, 0, 0));
}

void BareVirtualCall(benchmark::State& state) {
  Scene scene;
  TPlate* plate = new TPlate(scene.form);
  plate->SetParent(scene.form);
  TControl* c = plate;
  for (auto _ : state)
    benchmark::DoNotOptimize(c->GetClientRect());
}

void RealignChildren(benchmark::State& state) {
  Scene scene;
  const int count = int(state.range(0));
  for (int i = 0; i < count; ++i) {
    TControl* c = new TDot(scene.form);
    c->SetBounds(0, 0, 10, 2);
    c->SetAlign(i % 2 ? alTop : alLeft);
    c->SetParent(scene.form);
  }
  int w = 800;
  for (auto _ : state) {
    w = w == 800 ? 801 : 800;
    scene.form->SetBounds(0, 0, w, 600);
  }
  state.SetItemsProcessed(state.iterations() * count);
}

void RepaintForm(benchmark::State& state) {
  Scene scene;
  const int count = int(state.range(0));
  scene.Fill(count);
  scene.form->Show();
  Application()->ProcessMessages();
  for (auto _ : state) {
    RedrawWindow(scene.form->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    Application()->ProcessMessages();
  }
  state.SetItemsProcessed(state.iterations() * count);
}

BENCHMARK(PerformComponentMessage);
BENCHMARK(BareVirtualCall);
BENCHMARK(RealignChildren)->Arg(50)->Arg(200);
BENCHMARK(RepaintForm)->Arg(50)->Arg(200);

} // namespace

BENCHMARK_MAIN();
