// Fill and copy throughput of the graphics layer against pixman doing the same work on the same surface;
// pixman's numbers are the floor the layer's hot paths are held to.
#include <benchmark/benchmark.h>
#include <pixman.h>

#include "platform/gdi/Gdi.h"

namespace {

struct Target {
  explicit Target(int size) {
    dc = CreateCompatibleDC(nullptr);
    bitmap = CreateBitmap(size, size, 1, 32, nullptr);
    SelectObject(dc, bitmap);
    surface = GetDCSurface(dc);
  }
  ~Target() {
    DeleteDC(dc);
    DeleteObject(bitmap);
  }
  HDC dc;
  HBITMAP bitmap;
  Surface* surface;
};

void FillRectGdi(benchmark::State& state) {
  int size = int(state.range(0));
  Target t(512);
  HBRUSH brush = CreateSolidBrush(RGB(10, 20, 30));
  RECT r{3, 3, 3 + size, 3 + size};
  for (auto _ : state) {
    FillRect(t.dc, &r, brush);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * size * size);
  DeleteObject(brush);
}

void FillRectPixman(benchmark::State& state) {
  int size = int(state.range(0));
  Target t(512);
  pixman_image_t* image = t.surface->PixmanImage();
  pixman_color_t color{0x1E1E, 0x1414, 0x0A0A, 0xFFFF};
  pixman_rectangle16_t rect{3, 3, std::uint16_t(size), std::uint16_t(size)};
  for (auto _ : state) {
    pixman_image_fill_rectangles(PIXMAN_OP_SRC, image, &color, 1, &rect);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * size * size);
}

void PatBltGdi(benchmark::State& state) {
  int size = int(state.range(0));
  Target t(512);
  HBRUSH brush = CreateSolidBrush(RGB(10, 20, 30));
  SelectObject(t.dc, brush);
  for (auto _ : state) {
    PatBlt(t.dc, 3, 3, size, size, PATCOPY);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * size * size);
  SelectObject(t.dc, GetStockObject(WHITE_BRUSH));
  DeleteObject(brush);
}

void BitBltGdi(benchmark::State& state) {
  int size = int(state.range(0));
  Target src(512), dst(512);
  for (auto _ : state) {
    BitBlt(dst.dc, 5, 7, size, size, src.dc, 1, 2, SRCCOPY);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * size * size);
}

void BitBltPixman(benchmark::State& state) {
  int size = int(state.range(0));
  Target src(512), dst(512);
  pixman_image_t* s = src.surface->PixmanImage();
  pixman_image_t* d = dst.surface->PixmanImage();
  for (auto _ : state) {
    pixman_image_composite32(PIXMAN_OP_SRC, s, nullptr, d, 1, 2, 0, 0, 5, 7, size, size);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * size * size);
}

// A clipped window DC: the visible region has a hole, so the fill runs over several rectangles.
void FillRectClippedGdi(benchmark::State& state) {
  Surface surface(512, 512);
  HRGN visible = CreateRectRgn(0, 0, 512, 512);
  HRGN hole = CreateRectRgn(100, 100, 200, 200);
  CombineRgn(visible, visible, hole, RGN_DIFF);
  HDC dc = CreateSurfaceDC(&surface, {10, 10}, visible);
  HBRUSH brush = CreateSolidBrush(RGB(10, 20, 30));
  RECT r{0, 0, 400, 400};
  for (auto _ : state) {
    FillRect(dc, &r, brush);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * 400 * 400);
  DeleteDC(dc);
  DeleteObject(brush);
  DeleteObject(visible);
  DeleteObject(hole);
}

BENCHMARK(FillRectGdi)->Arg(16)->Arg(128)->Arg(500);
BENCHMARK(FillRectPixman)->Arg(16)->Arg(128)->Arg(500);
BENCHMARK(PatBltGdi)->Arg(16)->Arg(128)->Arg(500);
BENCHMARK(BitBltGdi)->Arg(16)->Arg(128)->Arg(500);
BENCHMARK(BitBltPixman)->Arg(16)->Arg(128)->Arg(500);
BENCHMARK(FillRectClippedGdi);

} // namespace

BENCHMARK_MAIN();
