#include "win_fixture.h"

#include "platform/gdi/Fill.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Region.h"
#include "platform/rtl/Colors.h"

namespace {

using P = std::pair<HWND, UINT>;
constexpr COLORREF red = RGB(255, 0, 0), green = RGB(0, 255, 0), blue = RGB(0, 0, 255),
                   grey = RGB(90, 90, 90);

class PaintTest : public WinTest {
protected:
  // The window fills its whole client area with one colour on WM_PAINT.
  static void Paints(HWND h, COLORREF color) {
    overrides[h] = [color](HWND hwnd, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
      if (m != WM_PAINT)
        return std::nullopt;
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT rc;
      GetClientRect(hwnd, &rc);
      HBRUSH b = CreateSolidBrush(color);
      FillRect(dc, &rc, b);
      DeleteObject(b);
      EndPaint(hwnd, &ps);
      return 0;
    };
  }
  // A pixel of the top-level window's surface, in window space.
  static COLORREF At(HWND top, int x, int y) {
    const Surface* s = platform::GetWindowSurface(top);
    EXPECT_NE(s, nullptr);
    return s ? PixelToColorRef(s->Pixel(x, y)) : COLORREF(-1);
  }
};

TEST_F(PaintTest, PaintIsSynthesisedParentFirstAndOnlyWhenTheQueueIsEmpty) {
  HWND top = Top(0, 0, 100, 100, WS_POPUP);
  HWND a = Child(top, 0, 0, 50, 50);
  HWND b = Child(top, 50, 0, 50, 50);
  Paints(top, red);
  Paints(a, green);
  Paints(b, blue);
  ShowWindow(top, SW_SHOW);
  PostMessageA(top, WM_USER, 0, 0);
  MSG m;
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, UINT(WM_USER));
  log.clear();
  platform::PumpMessages();
  EXPECT_EQ(Seq({WM_PAINT}), (std::vector<P>{{top, WM_PAINT}, {a, WM_PAINT}, {b, WM_PAINT}}));
  EXPECT_EQ(At(top, 10, 10), green);
  EXPECT_EQ(At(top, 60, 10), blue);
  EXPECT_EQ(At(top, 10, 60), red);
  // Everything is valid now: nothing more to paint.
  EXPECT_FALSE(PeekMessageA(&m, nullptr, WM_PAINT, WM_PAINT, PM_NOREMOVE));
}

TEST_F(PaintTest, InvalidationAccumulatesAndEraseHappensInBeginPaint) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = RecordProc;
  wc.hbrBackground = reinterpret_cast<HBRUSH>(std::intptr_t(COLOR_WINDOW + 1));
  wc.lpszClassName = "Erased";
  RegisterClassA(&wc);
  HWND top = Top(0, 0, 100, 100, WS_POPUP | WS_VISIBLE, 0, "Erased");
  platform::PumpMessages();
  EXPECT_EQ(At(top, 50, 50), GetSysColor(COLOR_WINDOW));
  RECT r1{10, 10, 20, 20}, r2{30, 5, 40, 15};
  InvalidateRect(top, &r1, FALSE);
  InvalidateRect(top, &r2, FALSE);
  RECT box;
  EXPECT_TRUE(GetUpdateRect(top, &box, FALSE));
  EXPECT_EQ(box, (RECT{10, 5, 40, 20}));
  HRGN rgn = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetUpdateRgn(top, rgn, FALSE), COMPLEXREGION);
  EXPECT_FALSE(PtInRegion(rgn, 25, 12));
  ValidateRect(top, &r1);
  GetUpdateRect(top, &box, FALSE);
  EXPECT_EQ(box, r2);

  // Without the erase flag BeginPaint sends no WM_ERASEBKGND; with it, once, and fErase tells it was done.
  static std::vector<BOOL> fErase;
  fErase.clear();
  overrides[top] = [](HWND hwnd, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (m != WM_PAINT)
      return std::nullopt;
    PAINTSTRUCT ps;
    BeginPaint(hwnd, &ps);
    fErase.push_back(ps.fErase);
    EndPaint(hwnd, &ps);
    return 0;
  };
  log.clear();
  platform::PumpMessages();
  EXPECT_TRUE(Only(WM_ERASEBKGND).empty());
  InvalidateRect(top, nullptr, TRUE);
  platform::PumpMessages();
  EXPECT_EQ(Only(WM_ERASEBKGND).size(), 1u);
  EXPECT_EQ(fErase, (std::vector<BOOL>{FALSE, FALSE}));
  DeleteObject(rgn);
}

TEST_F(PaintTest, ChildrenAndSiblingsClipWhenTheirStylesSaySo) {
  HWND top = Top(0, 0, 200, 100, WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN);
  HWND lower = Child(top, 10, 10, 60, 60, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS);
  HWND upper = Child(top, 40, 40, 50, 50, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS);
  SetWindowPos(upper, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  Paints(top, red);
  Paints(lower, green);
  Paints(upper, blue);
  platform::PumpMessages();
  EXPECT_EQ(At(top, 45, 45), blue);
  EXPECT_EQ(At(top, 20, 20), green);
  // The parent repaints alone: its children keep their pixels.
  Paints(top, grey);
  RedrawWindow(top, nullptr, nullptr, RDW_INVALIDATE | RDW_NOCHILDREN | RDW_UPDATENOW);
  EXPECT_EQ(At(top, 5, 5), grey);
  EXPECT_EQ(At(top, 20, 20), green);
  EXPECT_EQ(At(top, 45, 45), blue);
  // The lower sibling repaints alone: the upper one covers part of it.
  Paints(lower, red);
  RedrawWindow(lower, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  EXPECT_EQ(At(top, 20, 20), red);
  EXPECT_EQ(At(top, 45, 45), blue);

  // Without WS_CLIPSIBLINGS the lower sibling paints over the upper one.
  SetWindowLongA(lower, GWL_STYLE, LONG(WS_CHILD | WS_VISIBLE));
  Paints(lower, green);
  RedrawWindow(lower, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  EXPECT_EQ(At(top, 45, 45), green);
}

TEST_F(PaintTest, WindowRegionsClipPaintingAndExposeTheParent) {
  HWND top = Top(0, 0, 100, 100, WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN);
  HWND round = Child(top, 0, 0, 100, 100);
  Paints(top, red);
  Paints(round, green);
  platform::PumpMessages();
  EXPECT_EQ(At(top, 1, 1), green);
  SetWindowRgn(round, CreateEllipticRgn(0, 0, 100, 100), TRUE);
  platform::PumpMessages();
  EXPECT_EQ(At(top, 1, 1), red); // the cut-off corner is the parent's again
  EXPECT_EQ(At(top, 50, 50), green);
  EXPECT_EQ(At(top, 98, 98), red);
}

TEST_F(PaintTest, MovingAChildRepaintsWhatItUncovers) {
  HWND top = Top(0, 0, 200, 100, WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN);
  HWND c = Child(top, 0, 0, 50, 50);
  Paints(top, red);
  Paints(c, blue);
  platform::PumpMessages();
  EXPECT_EQ(At(top, 10, 10), blue);
  MoveWindow(c, 100, 0, 50, 50, TRUE);
  platform::PumpMessages();
  EXPECT_EQ(At(top, 10, 10), red);
  EXPECT_EQ(At(top, 110, 10), blue);
  ShowWindow(c, SW_HIDE);
  platform::PumpMessages();
  EXPECT_EQ(At(top, 110, 10), red);
}

TEST_F(PaintTest, SetRedrawFalseHoldsPaintingBack) {
  HWND top = Top(0, 0, 100, 100, WS_POPUP | WS_VISIBLE);
  Paints(top, red);
  platform::PumpMessages();
  SendMessageA(top, WM_SETREDRAW, FALSE, 0);
  Paints(top, blue);
  InvalidateRect(top, nullptr, TRUE);
  platform::PumpMessages();
  EXPECT_EQ(At(top, 5, 5), red);
  EXPECT_TRUE(IsWindowVisible(top));
  SendMessageA(top, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(top, nullptr, TRUE);
  platform::PumpMessages();
  EXPECT_EQ(At(top, 5, 5), blue);
}

TEST_F(PaintTest, TheFrameIsPaintedAroundTheClientArea) {
  HWND top = Top(0, 0, 100, 100, WS_POPUP | WS_VISIBLE | WS_BORDER, WS_EX_CLIENTEDGE);
  Paints(top, green);
  platform::PumpMessages();
  EXPECT_EQ(At(top, 0, 0), GetSysColor(COLOR_WINDOWFRAME));
  EXPECT_EQ(At(top, 1, 1), GetSysColor(COLOR_3DSHADOW));
  EXPECT_EQ(At(top, 2, 2), GetSysColor(COLOR_3DDKSHADOW));
  EXPECT_EQ(At(top, 98, 98), GetSysColor(COLOR_3DHILIGHT));
  EXPECT_EQ(At(top, 97, 97), GetSysColor(COLOR_3DLIGHT));
  EXPECT_EQ(At(top, 3, 3), green);
  HDC dc = GetWindowDC(top);
  EXPECT_EQ(WindowFromDC(dc), top);
  ReleaseDC(top, dc);
}

TEST_F(PaintTest, TheCaretBlinksByTheClockAndHidesWhilePainting) {
  HWND top = Top(0, 0, 100, 100, WS_POPUP | WS_VISIBLE);
  Paints(top, RGB(255, 255, 255));
  platform::PumpMessages();
  ASSERT_TRUE(CreateCaret(top, nullptr, 2, 10));
  SetCaretPos(20, 30);
  EXPECT_EQ(At(top, 20, 30), RGB(255, 255, 255)); // created hidden
  ShowCaret(top);
  EXPECT_EQ(At(top, 20, 30), RGB(0, 0, 0));
  EXPECT_EQ(At(top, 21, 39), RGB(0, 0, 0));
  EXPECT_EQ(At(top, 22, 30), RGB(255, 255, 255));
  MSG m;
  platform::Clock::AdvanceTime(529);
  PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE);
  EXPECT_EQ(At(top, 20, 30), RGB(0, 0, 0));
  platform::Clock::AdvanceTime(1);
  PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE);
  EXPECT_EQ(At(top, 20, 30), RGB(255, 255, 255));
  platform::Clock::AdvanceTime(530);
  PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE);
  EXPECT_EQ(At(top, 20, 30), RGB(0, 0, 0));
  // A repaint under the caret does not leave a stale inverted block behind.
  InvalidateRect(top, nullptr, FALSE);
  UpdateWindow(top);
  EXPECT_EQ(At(top, 20, 30), RGB(0, 0, 0));
  HideCaret(top);
  EXPECT_EQ(At(top, 20, 30), RGB(255, 255, 255));
  POINT p;
  EXPECT_TRUE(GetCaretPos(&p));
  EXPECT_EQ(p, (POINT{20, 30}));
  DestroyCaret();
  EXPECT_FALSE(GetCaretPos(&p));
}

} // namespace

namespace {

int CountPixels(HWND top, const RECT& r, COLORREF c) {
  const Surface* s = platform::GetWindowSurface(top);
  int n = 0;
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x)
      n += PixelToColorRef(s->Pixel(x, y)) == c;
  return n;
}

TEST_F(PaintTest, TheCaptionShowsTheTextInTheActiveColours) {
  HWND a = CreateWindowExA(0, "Rec", "", WS_POPUP | WS_VISIBLE | WS_CAPTION, 0, 0, 200, 60, nullptr, nullptr,
                           nullptr, nullptr);
  platform::PumpMessages();
  RECT caption{3, 3, 197, 21};
  EXPECT_EQ(CountPixels(a, caption, GetSysColor(COLOR_CAPTIONTEXT)), 0);
  EXPECT_EQ(At(a, 150, 10), GetSysColor(COLOR_ACTIVECAPTION));
  SetWindowTextA(a, "Pelvor");
  platform::PumpMessages();
  EXPECT_GT(CountPixels(a, caption, GetSysColor(COLOR_CAPTIONTEXT)), 10);
  EXPECT_EQ(At(a, 190, 10), GetSysColor(COLOR_ACTIVECAPTION));
  HWND b = Top(300, 0, 50, 50);
  platform::PumpMessages();
  EXPECT_EQ(GetActiveWindow(), b);
  EXPECT_EQ(At(a, 190, 10), GetSysColor(COLOR_INACTIVECAPTION));
}

TEST_F(PaintTest, AbsurdSizesAndTheSystemStaticClass) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = RecordProc;
  wc.cbWndExtra = 1 << 30;
  wc.lpszClassName = "Huge";
  EXPECT_EQ(RegisterClassA(&wc), 0);
  HWND big = Top(0, 0, 100000, 100000);
  ASSERT_NE(big, nullptr);
  platform::PumpMessages();
  const Surface* s = platform::GetWindowSurface(big);
  ASSERT_NE(s, nullptr);
  EXPECT_LE(s->Width(), 4096);
  HWND st =
      CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, big, nullptr, nullptr, nullptr);
  ASSERT_NE(st, nullptr);
  platform::PumpMessages();
  EXPECT_EQ(At(big, 5, 5), GetSysColor(COLOR_3DFACE));
}

} // namespace

namespace {

TEST_F(PaintTest, AWindowDestroyedWhilePaintingLeavesItsDCHarmless) {
  HWND top = Top(0, 0, 100, 100, WS_POPUP);
  overrides[top] = [](HWND hwnd, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (m != WM_PAINT)
      return std::nullopt;
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    DestroyWindow(hwnd);
    RECT rc{0, 0, 100, 100};
    EXPECT_EQ(FillRect(dc, &rc, reinterpret_cast<HBRUSH>(std::intptr_t(COLOR_WINDOW + 1))), TRUE);
    EndPaint(hwnd, &ps);
    return 0;
  };
  ShowWindow(top, SW_SHOW);
  platform::PumpMessages();
  EXPECT_FALSE(IsWindow(top));
}

TEST_F(PaintTest, AHitTestHandlerThatPumpsMessagesDoesNotLoseItsPlace) {
  HWND top = Top(0, 0, 100, 100);
  platform::PumpMessages();
  static int nested;
  nested = 0;
  overrides[top] = [](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_NCHITTEST && nested++ == 0)
      platform::PumpMessages(); // takes the later events out from under the outer loop
    return std::nullopt;
  };
  log.clear();
  platform::InjectMouseMove(10, 10);
  platform::InjectMouseButton(platform::MouseButton::Left, true, 10, 10);
  platform::InjectMouseButton(platform::MouseButton::Left, false, 10, 10);
  platform::PumpMessages();
  EXPECT_EQ(Only(WM_MOUSEMOVE).size(), 1u);
  EXPECT_EQ(Only(WM_LBUTTONDOWN).size(), 1u);
  EXPECT_EQ(Only(WM_LBUTTONUP).size(), 1u);
}

} // namespace
