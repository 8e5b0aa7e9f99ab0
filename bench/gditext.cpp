// Text drawing in glyphs per second and text measuring, in the substitute sans face at the default GUI size.
#include <benchmark/benchmark.h>

#include <string>

#include "platform/gdi/Gdi.h"

namespace {

const std::string line = "Pelvor: Turkce-Lazca sozluk, kelime arama ve aciklamalar 0123456789";
const std::string paragraph =
    "The dictionary answers a typed prefix with the unique headwords of the chosen direction, the "
    "completion of the typed text, the translations of the selected headword and two explanation lines; "
    "every control then repaints through its view info with the painter of its look and feel.";

class Target {
public:
  explicit Target(const char* face) {
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ = CreateBitmap(800, 200, 1, 32, nullptr);
    SelectObject(dc_, bitmap_);
    font_ = CreateFontA(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, face);
    SelectObject(dc_, font_);
    SetBkMode(dc_, TRANSPARENT);
    GetDCSurface(dc_)->Fill(0xFFFFFF);
  }
  ~Target() {
    DeleteDC(dc_);
    DeleteObject(bitmap_);
    DeleteObject(font_);
  }
  HDC dc() const { return dc_; }

private:
  HDC dc_;
  HBITMAP bitmap_;
  HFONT font_;
};

void BM_TextOut(benchmark::State& state, const char* face) {
  Target t(face);
  for (auto _ : state)
    TextOutA(t.dc(), 4, 4, line.data(), int(line.size()));
  state.SetItemsProcessed(state.iterations() * int64_t(line.size()));
  state.SetLabel("items = glyphs");
}
BENCHMARK_CAPTURE(BM_TextOut, sans, "Tahoma");
BENCHMARK_CAPTURE(BM_TextOut, testFont, "PelvorTest");

void BM_TextOutOpaqueClipped(benchmark::State& state) {
  Target t("Tahoma");
  SetBkMode(t.dc(), OPAQUE);
  RECT r{0, 0, 200, 20};
  for (auto _ : state)
    ExtTextOutA(t.dc(), 4, 4, ETO_CLIPPED | ETO_OPAQUE, &r, line.data(), UINT(line.size()), nullptr);
  state.SetItemsProcessed(state.iterations() * int64_t(line.size()));
}
BENCHMARK(BM_TextOutOpaqueClipped);

void BM_GetTextExtentPoint32(benchmark::State& state) {
  Target t("Tahoma");
  SIZE size;
  for (auto _ : state) {
    GetTextExtentPoint32A(t.dc(), line.data(), int(line.size()), &size);
    benchmark::DoNotOptimize(size);
  }
  state.SetItemsProcessed(state.iterations() * int64_t(line.size()));
  state.SetLabel("items = characters");
}
BENCHMARK(BM_GetTextExtentPoint32);

void BM_GetTextExtentExPoint(benchmark::State& state) {
  Target t("Tahoma");
  std::vector<int> dx(line.size());
  int fit = 0;
  SIZE size;
  for (auto _ : state) {
    GetTextExtentExPointA(t.dc(), line.data(), int(line.size()), 150, &fit, dx.data(), &size);
    benchmark::DoNotOptimize(fit);
  }
  state.SetItemsProcessed(state.iterations() * int64_t(line.size()));
}
BENCHMARK(BM_GetTextExtentExPoint);

void BM_DrawTextWordBreakCalcRect(benchmark::State& state) {
  Target t("Tahoma");
  for (auto _ : state) {
    RECT r{0, 0, 200, 0};
    benchmark::DoNotOptimize(DrawTextA(t.dc(), paragraph.data(), int(paragraph.size()), &r,
                                       DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX | DT_CALCRECT));
  }
  state.SetItemsProcessed(state.iterations() * int64_t(paragraph.size()));
}
BENCHMARK(BM_DrawTextWordBreakCalcRect);

void BM_DrawTextWordBreak(benchmark::State& state) {
  Target t("Tahoma");
  for (auto _ : state) {
    RECT r{0, 0, 200, 200};
    benchmark::DoNotOptimize(
        DrawTextA(t.dc(), paragraph.data(), int(paragraph.size()), &r, DT_WORDBREAK | DT_END_ELLIPSIS));
  }
  state.SetItemsProcessed(state.iterations() * int64_t(paragraph.size()));
}
BENCHMARK(BM_DrawTextWordBreak);

} // namespace

BENCHMARK_MAIN();
