#include "win_fixture.h"

namespace {

using platform::InjectMouseButton;
using platform::InjectMouseMove;
using platform::MouseButton;

std::vector<std::pair<int, int>> ScrollCodes(UINT msg) {
  std::vector<std::pair<int, int>> out;
  for (auto& l : WinTest::Only(msg))
    out.emplace_back(LOWORD(l.wParam), short(HIWORD(l.wParam)));
  return out;
}

using ScrollBarTest = WinTest;

TEST_F(ScrollBarTest, InfoIsClampedAndTheBarShowsWhenTheRangeNeedsIt) {
  HWND h = Top(0, 0, 100, 100, WS_POPUP | WS_VISIBLE);
  RECT rc;
  GetClientRect(h, &rc);
  EXPECT_EQ(rc.right, 100);
  SCROLLINFO si;
  si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  si.nMin = 0;
  si.nMax = 99;
  si.nPage = 10;
  si.nPos = 500;
  log.clear();
  EXPECT_EQ(SetScrollInfo(h, SB_VERT, &si, TRUE), 90); // the last page starts at max - page + 1
  EXPECT_TRUE(GetWindowLongA(h, GWL_STYLE) & WS_VSCROLL);
  GetClientRect(h, &rc);
  EXPECT_EQ(rc.right, 84);
  auto sizes = Only(WM_SIZE);
  ASSERT_EQ(sizes.size(), 1u);
  EXPECT_EQ(sizes[0].lParam, MAKELPARAM(84, 100));
  SCROLLINFO got;
  got.fMask = SIF_ALL;
  ASSERT_TRUE(GetScrollInfo(h, SB_VERT, &got));
  EXPECT_EQ(got.nMax, 99);
  EXPECT_EQ(got.nPage, 10u);
  EXPECT_EQ(got.nPos, 90);
  EXPECT_EQ(SetScrollPos(h, SB_VERT, -5, FALSE), 90);
  EXPECT_EQ(GetScrollPos(h, SB_VERT), 0);

  // A range the page covers hides the bar, unless it should only be disabled.
  si.fMask = SIF_PAGE;
  si.nPage = 100;
  SetScrollInfo(h, SB_VERT, &si, TRUE);
  EXPECT_FALSE(GetWindowLongA(h, GWL_STYLE) & WS_VSCROLL);
  SCROLLBARINFO sbi;
  ASSERT_TRUE(GetScrollBarInfo(h, OBJID_VSCROLL, &sbi));
  EXPECT_TRUE(sbi.rgstate[0] & STATE_SYSTEM_INVISIBLE);
  si.fMask = SIF_PAGE | SIF_DISABLENOSCROLL;
  SetScrollInfo(h, SB_VERT, &si, TRUE);
  si.fMask = SIF_RANGE;
  si.nMax = 50;
  SetScrollInfo(h, SB_VERT, &si, TRUE);
  EXPECT_FALSE(GetWindowLongA(h, GWL_STYLE) & WS_VSCROLL);
  ShowScrollBar(h, SB_VERT, TRUE);
  si.fMask = SIF_PAGE | SIF_DISABLENOSCROLL;
  SetScrollInfo(h, SB_VERT, &si, TRUE);
  ASSERT_TRUE(GetScrollBarInfo(h, OBJID_VSCROLL, &sbi));
  EXPECT_EQ(sbi.rgstate[0], DWORD(STATE_SYSTEM_UNAVAILABLE));
  EXPECT_EQ(sbi.rgstate[3], DWORD(STATE_SYSTEM_INVISIBLE)); // no thumb on a disabled bar
}

TEST_F(ScrollBarTest, ScrollBarInfoGivesScreenRectanglesAndTheThumb) {
  HWND top = Top(100, 50, 200, 200, WS_POPUP | WS_VISIBLE);
  HWND h = Child(top, 10, 10, 100, 100, WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | WS_BORDER);
  SetScrollRange(h, SB_VERT, 0, 100, FALSE);
  SetScrollRange(h, SB_HORZ, 0, 100, FALSE);
  SCROLLBARINFO sbi;
  sbi.cbSize = 12; // a wrong size is refused
  EXPECT_FALSE(GetScrollBarInfo(h, OBJID_VSCROLL, &sbi));
  sbi.cbSize = sizeof sbi;
  ASSERT_TRUE(GetScrollBarInfo(h, OBJID_VSCROLL, &sbi));
  EXPECT_EQ(sbi.rcScrollBar, (RECT{110 + 83, 60 + 1, 110 + 99, 60 + 83}));
  EXPECT_EQ(sbi.dxyLineButton, 16);
  EXPECT_EQ(sbi.xyThumbTop, 16);
  EXPECT_EQ(sbi.xyThumbBottom, 32);
  EXPECT_EQ(sbi.rgstate[0], 0u);
  SetScrollPos(h, SB_VERT, 100, FALSE);
  GetScrollBarInfo(h, OBJID_VSCROLL, &sbi);
  EXPECT_EQ(sbi.xyThumbBottom, 82 - 16);
  ASSERT_TRUE(GetScrollBarInfo(h, OBJID_HSCROLL, &sbi));
  EXPECT_EQ(sbi.rcScrollBar, (RECT{110 + 1, 60 + 83, 110 + 83, 60 + 99}));
  EnableScrollBar(h, SB_HORZ, ESB_DISABLE_LTUP);
  GetScrollBarInfo(h, OBJID_HSCROLL, &sbi);
  EXPECT_EQ(sbi.rgstate[1], DWORD(STATE_SYSTEM_UNAVAILABLE));
  EXPECT_EQ(sbi.rgstate[5], 0u);
  EXPECT_FALSE(GetScrollBarInfo(h, OBJID_CLIENT, &sbi));

  // Hit testing finds the bars in the non-client area.
  struct Case {
    POINT pt;
    LRESULT hit;
  } cases[] = {
      {{150, 100}, HTCLIENT}, {{200, 100}, HTVSCROLL}, {{150, 150}, HTHSCROLL}, {{120, 60}, HTBORDER}};
  for (const auto& c : cases)
    EXPECT_EQ(SendMessageA(h, WM_NCHITTEST, 0, MAKELPARAM(c.pt.x, c.pt.y)), c.hit) << c.pt.x << "," << c.pt.y;
}

TEST_F(ScrollBarTest, HoldingAnArrowRepeatsByTheClockUntilRelease) {
  HWND h = Top(0, 0, 100, 100, WS_POPUP | WS_VISIBLE | WS_VSCROLL);
  SetScrollRange(h, SB_VERT, 0, 100, FALSE);
  platform::PumpMessages();
  DWORD start = platform::Clock::Now();
  platform::SetIdleHandler([start] {
    if (platform::Clock::Now() - start < 300)
      return false; // let the clock run to the next repeat
    InjectMouseButton(MouseButton::Left, false, 90, 95);
    return true;
  });
  log.clear();
  InjectMouseButton(MouseButton::Left, true, 90, 95); // the down arrow
  platform::PumpMessages();
  using C = std::vector<std::pair<int, int>>;
  EXPECT_EQ(ScrollCodes(WM_VSCROLL),
            (C{{SB_LINEDOWN, 0}, {SB_LINEDOWN, 0}, {SB_LINEDOWN, 0}, {SB_LINEDOWN, 0}, {SB_ENDSCROLL, 0}}));
  EXPECT_EQ(platform::Clock::Now() - start, 300u); // pressed, then 200 ms, then every 50 ms
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(ScrollBarTest, DraggingTheThumbTracksAndEndsWithItsPosition) {
  HWND h = Top(0, 0, 100, 100, WS_POPUP | WS_VISIBLE | WS_VSCROLL);
  SetScrollRange(h, SB_VERT, 0, 100, FALSE);
  static int trackPos;
  trackPos = -1;
  overrides[h] = [](HWND hwnd, UINT m, WPARAM w, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_VSCROLL && LOWORD(w) == SB_THUMBTRACK) {
      SCROLLINFO si;
      si.fMask = SIF_TRACKPOS;
      GetScrollInfo(hwnd, SB_VERT, &si);
      trackPos = si.nTrackPos;
    }
    return std::nullopt;
  };
  platform::PumpMessages();
  log.clear();
  InjectMouseButton(MouseButton::Left, true, 90, 20); // on the thumb (16..32)
  InjectMouseMove(90, 46);
  InjectMouseButton(MouseButton::Left, false, 90, 46);
  platform::PumpMessages();
  using C = std::vector<std::pair<int, int>>;
  EXPECT_EQ(ScrollCodes(WM_VSCROLL), (C{{SB_THUMBTRACK, 50}, {SB_THUMBPOSITION, 50}, {SB_ENDSCROLL, 0}}));
  EXPECT_EQ(trackPos, 50);
  EXPECT_EQ(GetScrollPos(h, SB_VERT), 0); // the program moves the position itself
}

TEST_F(ScrollBarTest, PageClicksAndDisabledArrows) {
  HWND h = Top(0, 0, 100, 100, WS_POPUP | WS_VISIBLE | WS_VSCROLL);
  SetScrollRange(h, SB_VERT, 0, 100, FALSE);
  platform::PumpMessages();
  log.clear();
  InjectMouseButton(MouseButton::Left, true, 90, 60); // below the thumb
  InjectMouseButton(MouseButton::Left, false, 90, 60);
  platform::PumpMessages();
  using C = std::vector<std::pair<int, int>>;
  EXPECT_EQ(ScrollCodes(WM_VSCROLL), (C{{SB_PAGEDOWN, 0}, {SB_ENDSCROLL, 0}}));
  EnableScrollBar(h, SB_VERT, ESB_DISABLE_RTDN);
  log.clear();
  InjectMouseButton(MouseButton::Left, true, 90, 95);
  InjectMouseButton(MouseButton::Left, false, 90, 95);
  platform::PumpMessages();
  EXPECT_TRUE(ScrollCodes(WM_VSCROLL).empty());
}

} // namespace
