#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <vector>

#include "platform/backend/headless/HeadlessBackend.h"
#include "platform/gdi/Fill.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/win/Win.h"

namespace {

std::vector<UINT> seen;

LRESULT Proc(HWND h, UINT m, WPARAM w, LPARAM l) {
  seen.push_back(m);
  if (m == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    RECT rc;
    GetClientRect(h, &rc);
    HBRUSH b = CreateSolidBrush(RGB(10, 200, 30));
    FillRect(dc, &rc, b);
    DeleteObject(b);
    EndPaint(h, &ps);
    return 0;
  }
  return DefWindowProcA(h, m, w, l);
}

class HeadlessTest : public ::testing::Test {
protected:
  void SetUp() override {
    platform::ResetWindowManager();
    platform::ResetSettings();
    backend = std::make_unique<platform::HeadlessBackend>(SIZE{800, 600});
    seen.clear();
    WNDCLASSA wc{};
    wc.lpfnWndProc = Proc;
    wc.hCursor = LoadCursorA(nullptr, IDC_CROSS);
    wc.lpszClassName = "Headless";
    RegisterClassA(&wc);
  }
  void TearDown() override {
    platform::ResetWindowManager();
    backend.reset();
  }
  HWND Make(DWORD style = WS_POPUP | WS_VISIBLE, DWORD ex = 0) {
    return CreateWindowExA(ex, "Headless", "", style, 10, 20, 120, 80, nullptr, nullptr, nullptr, nullptr);
  }
  std::unique_ptr<platform::HeadlessBackend> backend;
};

TEST_F(HeadlessTest, TopLevelWindowsAreMirroredAndTheScreenIsTheBackends) {
  EXPECT_EQ(platform::CurrentBackend(), backend.get());
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 800);
  RECT work;
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_EQ(work, (RECT{0, 0, 800, 570}));

  HWND h = Make(WS_POPUP);
  EXPECT_EQ(backend->Window(h), nullptr); // not shown yet
  ShowWindow(h, SW_SHOW);
  const auto* rec = backend->Window(h);
  ASSERT_NE(rec, nullptr);
  EXPECT_TRUE(rec->visible);
  EXPECT_EQ(rec->rect, (RECT{10, 20, 130, 100}));
  MoveWindow(h, 50, 60, 200, 100, TRUE);
  EXPECT_EQ(backend->Window(h)->rect, (RECT{50, 60, 250, 160}));
  SetWindowPos(h, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_TRUE(backend->Window(h)->topmost);
  ShowWindow(h, SW_HIDE);
  EXPECT_FALSE(backend->Window(h)->visible);
  DestroyWindow(h);
  EXPECT_EQ(backend->Window(h), nullptr);
  // Children never become backend windows.
  HWND top = Make();
  HWND child =
      CreateWindowExA(0, "Headless", "", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, top, nullptr, nullptr, nullptr);
  EXPECT_EQ(backend->Window(child), nullptr);
}

TEST_F(HeadlessTest, MinimisingAndRestoringReachTheBackend) {
  HWND h = Make(WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  const struct {
    int cmd;
    bool minimized;
  } steps[] = {
      {SW_MINIMIZE, true},        {SW_SHOW, true},          {SW_RESTORE, false},   {SW_SHOWMINNOACTIVE, true},
      {SW_SHOWNOACTIVATE, false}, {SW_SHOWMINIMIZED, true}, {SW_SHOWNORMAL, false}};
  for (const auto& step : steps) {
    ShowWindow(h, step.cmd);
    ASSERT_NE(backend->Window(h), nullptr);
    EXPECT_EQ(backend->Window(h)->minimized, step.minimized) << step.cmd;
    EXPECT_EQ(IsIconic(h) != FALSE, step.minimized) << step.cmd;
  }
}

TEST_F(HeadlessTest, PaintingPresentsTheDirtyPartAndSavesAsPng) {
  HWND h = Make();
  backend->Pump();
  const auto* rec = backend->Window(h);
  ASSERT_NE(rec, nullptr);
  EXPECT_GT(rec->presents, 0);
  EXPECT_EQ(rec->lastDirty, (RECT{0, 0, 120, 80}));
  int before = rec->presents;
  RECT small{5, 5, 15, 10};
  InvalidateRect(h, &small, FALSE);
  backend->Pump();
  EXPECT_EQ(backend->Window(h)->presents, before + 1);
  EXPECT_EQ(backend->Window(h)->lastDirty, small);

  std::string path = ::testing::TempDir() + "headless_window.png";
  ASSERT_TRUE(backend->SaveWindowPng(h, path));
  std::ifstream in(path, std::ios::binary);
  char sig[8] = {};
  in.read(sig, 8);
  EXPECT_EQ(std::string(sig + 1, 3), "PNG");
  std::remove(path.c_str());
}

TEST_F(HeadlessTest, InjectedInputReachesWindowsAndTheCursorReachesTheBackend) {
  HWND h = Make();
  backend->Pump();
  seen.clear();
  backend->MouseMove(30, 30);
  backend->Click(30, 30);
  backend->PressKey('Q');
  backend->Pump();
  std::vector<UINT> wanted;
  for (UINT m : seen)
    if (m == WM_MOUSEMOVE || m == WM_LBUTTONDOWN || m == WM_LBUTTONUP || m == WM_KEYDOWN || m == WM_CHAR ||
        m == WM_KEYUP)
      wanted.push_back(m);
  EXPECT_EQ(wanted,
            (std::vector<UINT>{WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_KEYDOWN, WM_CHAR, WM_KEYUP}));
  EXPECT_EQ(backend->Cursor(), LoadCursorA(nullptr, IDC_CROSS));
  (void)h;
}

TEST_F(HeadlessTest, IdleStepsDriveAModalLoopAndTimeMovesToTimers) {
  HWND h = Make();
  backend->Pump();
  // A drag-detect style loop: capture, then read messages until the button comes up.
  backend->WhenIdle([&] { backend->MouseMove(40, 40); });
  backend->WhenIdle([&] { backend->MouseUp(40, 40); });
  SetCapture(h);
  int moves = 0;
  MSG m;
  while (GetCapture() == h && GetMessageA(&m, nullptr, 0, 0)) {
    if (m.message == WM_MOUSEMOVE)
      ++moves;
    if (m.message == WM_LBUTTONUP)
      ReleaseCapture();
    DispatchMessageA(&m);
  }
  EXPECT_EQ(moves, 1);
  // With no idle steps left, waiting moves manual time to the next timer.
  SetTimer(h, 3, 250, nullptr);
  DWORD t0 = GetTickCount();
  ASSERT_TRUE(GetMessageA(&m, nullptr, 0, 0));
  EXPECT_EQ(m.message, UINT(WM_TIMER));
  EXPECT_EQ(GetTickCount() - t0, 250u);
  backend->AdvanceTime(1000);
  EXPECT_EQ(GetTickCount() - t0, 1250u);
}

} // namespace
