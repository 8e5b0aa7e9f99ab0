// What the editor base costs per mouse move against the plain container it stands on: a move that keeps
// the look over an editor with two buttons recalculates its view data and view info and compares them, the
// container only its own view info; and a check box toggled by the program with its events.
#include <benchmark/benchmark.h>

#include <memory>

#include "editors/core/cxCheckBox.h"
#include "editors/core/cxEdit.h"
#include "editors/core/cxEditUtils.h"
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

struct Scene {
  Scene() {
    platform::ResetWindowManager();
    backend = std::make_unique<platform::HeadlessBackend>();
    dxUxThemeInitialize();
    dxThemeManagerInitialize();
    dxOffice11Initialize();
    cxControlsInitialize();
    cxLookAndFeelPaintersInitialize();
    cxLookAndFeelsInitialize();
    cxEditUtilsInitialize();
    cxContainerInitialize();
    cxEditInitialize();
    cxCheckBoxInitialize();
    Application()->CreateForm(form);
    form->SetBorderStyle(bsNone);
    form->SetBounds(0, 0, 400, 400);
    form->Show();
    Application()->ProcessMessages();
  }
  ~Scene() {
    DoneApplication();
    cxCheckBoxFinalize();
    cxEditFinalize();
    cxContainerFinalize();
    cxEditUtilsFinalize();
    cxLookAndFeelsFinalize();
    cxLookAndFeelPaintersFinalize();
    cxControlsFinalize();
    dxOffice11Finalize();
    dxThemeManagerFinalize();
    dxUxThemeFinalize();
    platform::ResetWindowManager();
  }
  void Wiggle(benchmark::State& state, TWinControl* control, int x, int y) {
    const TPoint p = control->ClientToScreen(TPoint{x, y});
    backend->MouseMove(p.x, p.y);
    Application()->ProcessMessages();
    int dy = 0;
    for (auto _ : state) {
      dy ^= 1;
      backend->MouseMove(p.x, p.y + dy);
      Application()->ProcessMessages();
    }
  }
  std::unique_ptr<platform::HeadlessBackend> backend;
  TForm* form = nullptr;
};

void BM_MouseMoveOverContainer(benchmark::State& state) {
  Scene scene;
  auto* box = new TcxContainer(scene.form);
  box->SetParent(scene.form);
  box->SetBounds(10, 10, 200, 21);
  Application()->ProcessMessages();
  scene.Wiggle(state, box, 190, 9);
}
BENCHMARK(BM_MouseMoveOverContainer);

void BM_MouseMoveOverEditButton(benchmark::State& state) {
  Scene scene;
  auto* edit = new TcxCustomEdit(scene.form);
  edit->SetParent(scene.form);
  edit->SetAutoSize(false);
  edit->SetBounds(10, 10, 200, 21);
  edit->Properties()->Buttons()->Add()->SetKind(bkEllipsis);
  edit->Properties()->Buttons()->Add()->SetKind(bkDown);
  Application()->ProcessMessages();
  const TRect b = edit->ViewInfo()->Button(1)->Bounds;
  scene.Wiggle(state, edit, (b.left + b.right) / 2, 9);
  if (edit->ViewInfo()->Button(1)->State != ebstHot)
    state.SkipWithError("the button under the mouse is not hot");
}
BENCHMARK(BM_MouseMoveOverEditButton);

void BM_CheckBoxToggle(benchmark::State& state) {
  Scene scene;
  auto* box = new TcxCheckBox(scene.form);
  box->SetParent(scene.form);
  box->SetCaption("Option");
  Application()->ProcessMessages();
  for (auto _ : state)
    box->Toggle();
}
BENCHMARK(BM_CheckBoxToggle);

} // namespace

BENCHMARK_MAIN();
