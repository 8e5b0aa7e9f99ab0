// What reaches the display: a top-level window is handed to the backend once for each batch of input it
// handles, after all the paints the batch caused, never half way through them.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/gdi/Fill.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/rtl/Geometry.h"
#include "platform/win/Win.h"
#include "tests/backend/watching_backend.h"

namespace {

// What a key or a timer makes the top-level window do to its children.
std::function<void()> onInput;

LRESULT Proc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    HBRUSH b = CreateSolidBrush(RGB(10, 200, 30));
    FillRect(dc, &ps.rcPaint, b);
    DeleteObject(b);
    EndPaint(h, &ps);
    return 0;
  }
  if ((m == WM_CHAR || m == WM_LBUTTONDOWN || m == WM_TIMER) && onInput) {
    if (m == WM_TIMER)
      KillTimer(h, w);
    onInput();
    return 0;
  }
  return DefWindowProcA(h, m, w, l);
}

class PresentTest : public ::testing::Test {
protected:
  void SetUp() override {
    platform::ResetWindowManager();
    platform::ResetSettings();
    backend = std::make_unique<WatchingBackend>();
    WNDCLASSA wc{};
    wc.lpfnWndProc = Proc;
    wc.lpszClassName = "Presented";
    RegisterClassA(&wc);
    top = CreateWindowExA(0, "Presented", "", WS_POPUP | WS_VISIBLE, 10, 20, 300, 200, nullptr, nullptr,
                          nullptr, nullptr);
    for (int i = 0; i < 3; ++i)
      kids.push_back(CreateWindowExA(0, "Presented", "", WS_CHILD | WS_VISIBLE, 10 + 90 * i, 10, 80, 50, top,
                                     nullptr, nullptr, nullptr));
    backend->watched = kids;
    backend->watched.push_back(top);
    SetFocus(top);
    backend->Pump();
    backend->shown.clear();
  }
  void TearDown() override {
    onInput = nullptr;
    platform::ResetWindowManager();
    backend.reset();
  }

  // A child's rectangle in the top-level window's space.
  RECT KidRect(int i) const {
    RECT r{};
    GetWindowRect(kids[std::size_t(i)], &r);
    OffsetRect(&r, -10, -20);
    return r;
  }

  std::unique_ptr<WatchingBackend> backend;
  HWND top = nullptr;
  std::vector<HWND> kids;
};

TEST_F(PresentTest, EachBatchOfInputReachesTheDisplayOnceAndWhole) {
  struct Case {
    std::string name;
    std::function<void()> handler; // what the window does for each input of the batch
    std::function<void()> input;   // the batch
    std::vector<int> painted;      // the children whose pixels the batch changes
  };
  const auto invalidate = [this](int i) { InvalidateRect(kids[std::size_t(i)], nullptr, TRUE); };
  const Case cases[] = {
      {"a key invalidating three children",
       [&] {
         invalidate(0);
         invalidate(1);
         invalidate(2);
       },
       [&] { backend->PressKey('A'); },
       {0, 1, 2}},
      {"a key painting one child at once, drawing on another and invalidating a third",
       [&] {
         invalidate(0);
         UpdateWindow(kids[0]);
         HDC dc = GetDC(kids[1]);
         RECT r{0, 0, 5, 5};
         FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
         ReleaseDC(kids[1], dc);
         invalidate(2);
       },
       [&] { backend->PressKey('A'); },
       {0, 1, 2}},
      {"two keys and a click in one batch",
       [&, n = 0]() mutable { invalidate(n++ % 2); },
       [&] {
         backend->PressKey('A');
         backend->PressKey('B');
         backend->Click(10 + 250, 20 + 150);
       },
       {0, 1}},
      {"a timer invalidating two children",
       [&] {
         invalidate(1);
         invalidate(2);
       },
       [&] {
         SetTimer(top, 7, 10, nullptr);
         backend->AdvanceTime(10);
       },
       {1, 2}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    backend->shown.clear();
    onInput = c.handler;
    c.input();
    backend->Pump();
    ASSERT_EQ(backend->shown.size(), 1u);
    const auto& shown = backend->shown.front();
    EXPECT_EQ(shown.hwnd, top);
    EXPECT_EQ(shown.unpainted, std::vector<HWND>{});
    for (int i : c.painted) {
      RECT kid = KidRect(i), both{};
      IntersectRect(&both, &kid, &shown.dirty);
      EXPECT_EQ(both, kid) << "child " << i;
    }
  }
}

// With nothing else to do, the loop sleeps until the caret is to blink, shows each blink as a frame of the
// caret alone and wakes no more often than that; a caret that does not blink wakes nothing.
TEST_F(PresentTest, TheCaretBlinksOnItsOwnOneFrameABlink) {
  const auto at = [](HWND kid) {
    return [kid] {
      CreateCaret(kid, nullptr, 2, 10);
      SetCaretPos(5, 5);
    };
  };
  struct Case {
    const char* name;
    std::function<void()> caret;
    std::vector<DWORD> waits;
    std::vector<DWORD> frames; // after the start, each of the caret's window alone
  } cases[] = {
      {"a shown caret",
       [&] {
         at(kids[0])();
         ShowCaret(kids[0]);
       },
       {530, 530, 530, 410},
       {530, 1060, 1590}},
      {"a hidden caret", at(kids[0]), {2000}, {}},
      {"no caret", [] {}, {2000}, {}},
  };
  // The first child, at (10, 10) of the window, has the caret at (5, 5) of its own.
  const RECT caret{15, 15, 17, 25};
  const RECT owner = KidRect(0);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.caret();
    backend->Pump();
    backend->shown.clear();
    backend->waits.clear();
    const DWORD start = platform::Clock::Now();
    SetTimer(top, 9, 2000, nullptr);
    backend->waitLimit = c.waits.size() + 8;
    MSG m{};
    const BOOL got = GetMessageA(&m, nullptr, 0, 0);
    ASSERT_LT(backend->waits.size(), backend->waitLimit)
        << "the loop kept waiting, " << backend->waits.back() << " ms at a time, with the clock at "
        << platform::Clock::Now() - start << " ms";
    ASSERT_EQ(got, TRUE);
    EXPECT_EQ(m.message, UINT(WM_TIMER));
    KillTimer(top, 9);
    EXPECT_EQ(backend->waits, c.waits);
    std::vector<DWORD> frames;
    for (const auto& shown : backend->shown) {
      frames.push_back(shown.time - start);
      EXPECT_EQ(shown.hwnd, top);
      RECT inCaret{}, inOwner{};
      IntersectRect(&inCaret, &shown.dirty, &caret);
      IntersectRect(&inOwner, &shown.dirty, &owner);
      EXPECT_EQ(inCaret, caret);
      EXPECT_EQ(inOwner, shown.dirty);
    }
    EXPECT_EQ(frames, c.frames);
    DestroyCaret();
    backend->Pump();
  }
}

TEST_F(PresentTest, NothingPaintedNothingPresented) {
  onInput = [] {};
  backend->PressKey('A');
  backend->Pump();
  EXPECT_TRUE(backend->shown.empty());
}

TEST_F(PresentTest, AWindowFreedWhileTheFrameIsPresentedIsNotPresented) {
  HWND other = CreateWindowExA(0, "Presented", "", WS_POPUP | WS_VISIBLE, 400, 20, 100, 100, nullptr, nullptr,
                               nullptr, nullptr);
  backend->Pump();
  backend->shown.clear();
  // Both windows have a frame to show; showing the first frees the other, which is then still in the list
  // of windows being presented.
  onInput = [&] {
    InvalidateRect(kids[0], nullptr, TRUE);
    InvalidateRect(other, nullptr, TRUE);
  };
  HWND freed = nullptr;
  backend->whilePresenting = [&](HWND presented) {
    if (freed)
      return;
    freed = presented == top ? other : top;
    DestroyWindow(freed);
  };
  backend->PressKey('A');
  backend->Pump();
  ASSERT_NE(freed, nullptr);
  ASSERT_EQ(backend->shown.size(), 1u);
  EXPECT_NE(backend->shown.front().hwnd, freed);
  EXPECT_FALSE(IsWindow(freed));
}

} // namespace
