// Painting cost per call: each of a vertical scroll bar's five parts and a bordered button with a caption, in
// every look-and-feel (the native painter without visual styles, as the product runs).
#include <benchmark/benchmark.h>

#include <memory>

#include "lookandfeel/cxLookAndFeelPainters.h"
#include "lookandfeel/cxPainterResources.h"
#include "lookandfeel/dxOffice11.h"
#include "lookandfeel/dxThemeManager.h"
#include "lookandfeel/dxUxTheme.h"
#include "platform/rtl/Geometry.h"

namespace {

TcxLookAndFeelPainterClass PainterOf(int64_t index) {
  switch (index) {
  case 0:
    return TcxStandardLookAndFeelPainter::Instance();
  case 1:
    return TcxFlatLookAndFeelPainter::Instance();
  case 2:
    return TcxUltraFlatLookAndFeelPainter::Instance();
  case 3:
    return TcxOffice11LookAndFeelPainter::Instance();
  default:
    return TcxWinXPLookAndFeelPainter::Instance();
  }
}

const char* const painterNames[] = {"Standard", "Flat", "UltraFlat", "Office11", "Native"};
const char* const partNames[] = {"", "FirstArrow", "SecondArrow", "Thumb", "FirstPage", "SecondPage"};

struct Surface {
  TBitmap bitmap;
  std::unique_ptr<TcxCanvas> canvas;
  Surface() {
    bitmap.SetPixelFormat(pf24bit);
    bitmap.SetSize(120, 240);
    canvas = std::make_unique<TcxCanvas>(bitmap.Canvas());
  }
};

// A 17-pixel-wide vertical bar 240 high: arrows at both ends, the thumb, and the pages around it.
TRect PartRect(TcxScrollBarPart APart) {
  switch (APart) {
  case spFirstArrow:
    return Rect(0, 0, 17, 17);
  case spSecondArrow:
    return Rect(0, 223, 17, 240);
  case spThumb:
    return Rect(0, 80, 17, 120);
  case spFirstPage:
    return Rect(0, 17, 17, 80);
  default:
    return Rect(0, 120, 17, 223);
  }
}

void BM_ScrollBarPart(benchmark::State& state) {
  TcxLookAndFeelPainterClass painter = PainterOf(state.range(0));
  auto part = TcxScrollBarPart(state.range(1));
  TRect r = PartRect(part);
  Surface s;
  for (auto _ : state)
    painter->DrawScrollBarPart(s.canvas.get(), false, r, part, cxbsNormal);
  state.SetLabel(std::string(painterNames[state.range(0)]) + " " + partNames[part]);
}

void BM_BorderedButton(benchmark::State& state) {
  TcxLookAndFeelPainterClass painter = PainterOf(state.range(0));
  Surface s;
  TRect r = Rect(10, 10, 85, 33);
  for (auto _ : state)
    painter->DrawButton(s.canvas.get(), r, "&Tamam", cxbsNormal);
  state.SetLabel(painterNames[state.range(0)]);
}

BENCHMARK(BM_ScrollBarPart)
    ->ArgsProduct({{0, 1, 2, 3, 4}, {spFirstArrow, spSecondArrow, spThumb, spFirstPage, spSecondPage}});
BENCHMARK(BM_BorderedButton)->DenseRange(0, 4);

} // namespace

int main(int argc, char** argv) {
  dxUxThemeInitialize();
  dxThemeManagerInitialize();
  dxOffice11Initialize();
  cxLookAndFeelPaintersInitialize();
  benchmark::Initialize(&argc, argv);
  bool badArguments = benchmark::ReportUnrecognizedArguments(argc, argv);
  if (!badArguments)
    benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  cxLookAndFeelPaintersFinalize();
  dxOffice11Finalize();
  dxThemeManagerFinalize();
  dxUxThemeFinalize();
  return badArguments ? 1 : 0;
}
