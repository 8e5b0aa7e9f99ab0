// The window manager's cost against the work it wraps: a full repaint of a form of 200 child windows next to
// the same fills done straight into a memory bitmap, and one sent or posted message next to a direct call.
#include <benchmark/benchmark.h>

#include <vector>

#include "platform/backend/headless/HeadlessBackend.h"
#include "platform/gdi/Bitmap.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Fill.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/win/Win.h"

namespace {

constexpr int columns = 20, rows = 10, cellW = 40, cellH = 30;

HBRUSH FormBrush() {
  static HBRUSH b = CreateSolidBrush(RGB(200, 200, 200));
  return b;
}
HBRUSH CellBrush() {
  static HBRUSH b = CreateSolidBrush(RGB(30, 90, 200));
  return b;
}

LRESULT CellProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    RECT rc{0, 0, cellW - 2, cellH - 2};
    FillRect(dc, &rc, CellBrush());
    EndPaint(h, &ps);
    return 0;
  }
  if (m == WM_USER)
    return LRESULT(w + 1);
  return DefWindowProcA(h, m, w, l);
}

struct Form {
  platform::HeadlessBackend backend{SIZE{1024, 768}};
  HWND top = nullptr;
  std::vector<HWND> cells;

  Form() {
    platform::ResetWindowManager();
    WNDCLASSA wc{};
    wc.lpfnWndProc = CellProc;
    wc.lpszClassName = "BenchCell";
    RegisterClassA(&wc);
    wc.lpfnWndProc = DefWindowProcA;
    wc.hbrBackground = FormBrush();
    wc.lpszClassName = "BenchForm";
    RegisterClassA(&wc);
    top = CreateWindowExA(0, "BenchForm", "", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, columns * cellW,
                          rows * cellH, nullptr, nullptr, nullptr, nullptr);
    for (int r = 0; r < rows; ++r)
      for (int c = 0; c < columns; ++c)
        cells.push_back(CreateWindowExA(0, "BenchCell", "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS,
                                        c * cellW, r * cellH, cellW - 2, cellH - 2, top, nullptr, nullptr,
                                        nullptr));
    platform::PumpMessages();
  }
  ~Form() { platform::ResetWindowManager(); }
};

void BM_FormFullRepaint(benchmark::State& state) {
  Form form;
  for (auto _ : state)
    RedrawWindow(form.top, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  state.SetItemsProcessed(state.iterations() * (columns * rows + 1));
}
BENCHMARK(BM_FormFullRepaint);

// The same pixels without windows: the background and 200 cells filled into a memory bitmap.
void BM_FormBareFills(benchmark::State& state) {
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bmp = CreateBitmap(columns * cellW, rows * cellH, 1, 32, nullptr);
  HGDIOBJ old = SelectObject(dc, bmp);
  std::vector<RECT> rects;
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < columns; ++c)
      rects.push_back(RECT{c * cellW, r * cellH, c * cellW + cellW - 2, r * cellH + cellH - 2});
  RECT whole{0, 0, columns * cellW, rows * cellH};
  for (auto _ : state) {
    FillRect(dc, &whole, FormBrush());
    for (const RECT& rc : rects)
      FillRect(dc, &rc, CellBrush());
  }
  state.SetItemsProcessed(state.iterations() * (columns * rows + 1));
  SelectObject(dc, old);
  DeleteObject(bmp);
  DeleteDC(dc);
}
BENCHMARK(BM_FormBareFills);

void BM_SendMessage(benchmark::State& state) {
  Form form;
  HWND h = form.cells[77];
  WPARAM v = 0;
  for (auto _ : state)
    v = WPARAM(SendMessageA(h, WM_USER, v, 0));
  benchmark::DoNotOptimize(v);
}
BENCHMARK(BM_SendMessage);

void BM_PostAndDispatch(benchmark::State& state) {
  Form form;
  HWND h = form.cells[77];
  MSG m;
  for (auto _ : state) {
    PostMessageA(h, WM_USER, 1, 0);
    PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE);
    benchmark::DoNotOptimize(DispatchMessageA(&m));
  }
}
BENCHMARK(BM_PostAndDispatch);

// The window procedure called directly: the floor under both kinds of dispatch.
void BM_DirectProcedureCall(benchmark::State& state) {
  Form form;
  HWND h = form.cells[77];
  WNDPROC proc = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(h, GWLP_WNDPROC));
  WPARAM v = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(proc);
    v = WPARAM(proc(h, WM_USER, v, 0));
  }
  benchmark::DoNotOptimize(v);
}
BENCHMARK(BM_DirectProcedureCall);

} // namespace

BENCHMARK_MAIN();
