#include "win_fixture.h"

#include <cstring>
#include <string>

#include "platform/gdi/Region.h"
#include "platform/rtl/Geometry.h"

namespace {

using P = std::pair<HWND, UINT>;

TEST_F(WinTest, ClassesRegisterOnceAndCannotGoWhileWindowsUseThem) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = RecordProc;
  wc.lpszClassName = "rec"; // names compare without case
  EXPECT_EQ(RegisterClassA(&wc), 0);
  wc.lpszClassName = nullptr;
  EXPECT_EQ(RegisterClassA(&wc), 0);

  WNDCLASSA info{};
  ASSERT_TRUE(GetClassInfoA(nullptr, "REC", &info));
  EXPECT_EQ(info.lpfnWndProc, &RecordProc);
  EXPECT_FALSE(GetClassInfoA(nullptr, "Nothing", &info));
  EXPECT_EQ(CreateWindowExA(0, "Nothing", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr),
            nullptr);

  HWND h = Top(0, 0, 10, 10, WS_POPUP);
  char name[8];
  EXPECT_EQ(GetClassNameA(h, name, sizeof name), 3);
  EXPECT_STREQ(name, "Rec");
  EXPECT_EQ(GetClassNameA(h, name, 2), 1);
  EXPECT_STREQ(name, "R");
  EXPECT_FALSE(UnregisterClassA("Rec", nullptr));
  DestroyWindow(h);
  EXPECT_TRUE(UnregisterClassA("Rec", nullptr));
  EXPECT_FALSE(UnregisterClassA("Rec", nullptr));
}

// The system's own classes are there from the window manager's start, and again after every fresh start,
// before anything has asked for a window of them.
TEST_F(WinTest, SystemClassesAreThereFromTheStart) {
  for (int start = 0; start < 2; ++start) {
    platform::ResetWindowManager();
    WNDCLASSA info{};
    for (const char* name : {"EDIT", "LISTBOX", "STATIC", "PelvorUtilWindow"})
      EXPECT_TRUE(GetClassInfoA(nullptr, name, &info)) << name << " at start " << start;
    bool called = false;
    HWND hidden = AllocateHWnd([&](HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
      called = called || msg == WM_USER;
      return DefWindowProcA(hwnd, msg, wParam, lParam);
    });
    ASSERT_NE(hidden, nullptr);
    SendMessageA(hidden, WM_USER, 0, 0);
    EXPECT_TRUE(called);
    DeallocateHWnd(hidden);
  }
}

TEST_F(WinTest, CreationSendsNcCreateCalcSizeCreateSizeMoveThenShows) {
  HWND parent = Top(100, 50, 300, 200, WS_POPUP | WS_VISIBLE);
  log.clear();
  HWND h = Child(parent, 10, 20, 80, 40, WS_CHILD | WS_VISIBLE | WS_BORDER, 7);
  std::vector<P> expected = {{h, WM_NCCREATE},
                             {h, WM_NCCALCSIZE},
                             {h, WM_CREATE},
                             {h, WM_SIZE},
                             {h, WM_MOVE},
                             {parent, WM_PARENTNOTIFY},
                             {h, WM_SHOWWINDOW},
                             {h, WM_WINDOWPOSCHANGING},
                             {h, WM_WINDOWPOSCHANGED}};
  EXPECT_EQ(Seq({WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE, WM_MOVE, WM_PARENTNOTIFY, WM_SHOWWINDOW,
                 WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED}),
            expected);
  auto size = Only(WM_SIZE);
  ASSERT_EQ(size.size(), 1u);
  EXPECT_EQ(size[0].lParam, MAKELPARAM(78, 38)); // the one-pixel border is outside the client area
  auto move = Only(WM_MOVE);
  EXPECT_EQ(move[0].lParam, MAKELPARAM(11, 21));
  auto notify = Only(WM_PARENTNOTIFY);
  EXPECT_EQ(notify[0].wParam, MAKEWPARAM(WM_CREATE, 7));
  EXPECT_EQ(notify[0].lParam, reinterpret_cast<LPARAM>(h));
  EXPECT_EQ(GetWindowLongA(h, GWL_ID), 7);
  EXPECT_TRUE(IsWindowVisible(h));
}

TEST_F(WinTest, CreationFailsWhenNcCreateOrCreateRefuse) {
  for (UINT refusing : {UINT(WM_NCCREATE), UINT(WM_CREATE)}) {
    log.clear();
    static UINT refuse;
    refuse = refusing;
    WNDCLASSA wc{};
    wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
      log.push_back(Logged{h, m, w, l});
      if (m == refuse)
        return m == WM_CREATE ? -1 : 0;
      return DefWindowProcA(h, m, w, l);
    };
    std::string name = "Refusing" + std::to_string(refusing);
    wc.lpszClassName = name.c_str();
    RegisterClassA(&wc);
    HWND h = CreateWindowExA(0, name.c_str(), "", WS_POPUP, 0, 0, 5, 5, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(h, nullptr);
    ASSERT_FALSE(log.empty());
    EXPECT_FALSE(IsWindow(log.front().hwnd));
    EXPECT_EQ(log.back().msg, UINT(WM_NCDESTROY));
  }
}

TEST_F(WinTest, DestroySendsDestroyTopDownThenNcDestroyBottomUp) {
  HWND top = Top(0, 0, 100, 100, WS_POPUP);
  HWND a = Child(top, 0, 0, 10, 10, WS_CHILD);
  HWND a1 = Child(a, 0, 0, 5, 5, WS_CHILD);
  HWND b = Child(top, 20, 0, 10, 10, WS_CHILD);
  log.clear();
  EXPECT_TRUE(DestroyWindow(top));
  std::vector<P> expected = {{top, WM_DESTROY},  {a, WM_DESTROY},   {a1, WM_DESTROY},  {b, WM_DESTROY},
                             {a1, WM_NCDESTROY}, {a, WM_NCDESTROY}, {b, WM_NCDESTROY}, {top, WM_NCDESTROY}};
  EXPECT_EQ(Seq({WM_DESTROY, WM_NCDESTROY}), expected);
  for (HWND h : {top, a, a1, b})
    EXPECT_FALSE(IsWindow(h));
}

TEST_F(WinTest, StaleHandlesFailEverywhere) {
  HWND h = Top(0, 0, 10, 10, WS_POPUP);
  DestroyWindow(h);
  HWND again = Top(0, 0, 10, 10, WS_POPUP); // reuses the slot with a new generation
  EXPECT_NE(h, again);
  RECT r{1, 2, 3, 4};
  EXPECT_FALSE(IsWindow(h));
  EXPECT_FALSE(GetWindowRect(h, &r));
  EXPECT_EQ(r.left, 1);
  EXPECT_EQ(SendMessageA(h, WM_GETTEXTLENGTH, 0, 0), 0);
  EXPECT_FALSE(PostMessageA(h, WM_USER, 0, 0));
  EXPECT_FALSE(DestroyWindow(h));
  EXPECT_EQ(SetWindowLongPtrA(h, GWLP_USERDATA, 5), 0);
  EXPECT_EQ(SetTimer(h, 1, 10, nullptr), 0u);
  EXPECT_EQ(GetParent(h), nullptr);
  EXPECT_FALSE(IsWindow(reinterpret_cast<HWND>(std::uintptr_t(0x12345678))));
  EXPECT_TRUE(IsWindow(again));
}

TEST_F(WinTest, SubclassingThroughTheWindowProcedureChainsWithCallWindowProc) {
  HWND h = Top(0, 0, 10, 10, WS_POPUP);
  static WNDPROC previous;
  static int seen;
  seen = 0;
  previous = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
      h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(+[](HWND w, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
        if (m == WM_USER)
          ++seen;
        return CallWindowProcA(previous, w, m, wp, lp);
      })));
  EXPECT_EQ(previous, &RecordProc);
  log.clear();
  SendMessageA(h, WM_USER, 1, 2);
  EXPECT_EQ(seen, 1);
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].msg, UINT(WM_USER));
  EXPECT_EQ(SetWindowLongPtrA(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous)) != 0, true);
  SendMessageA(h, WM_USER, 1, 2);
  EXPECT_EQ(seen, 1);
}

TEST_F(WinTest, WindowLongsPropsAndText) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = RecordProc;
  wc.cbWndExtra = 16;
  wc.lpszClassName = "Extra";
  RegisterClassA(&wc);
  HWND owner = Top(0, 0, 10, 10, WS_POPUP);
  HWND h = CreateWindowExA(WS_EX_TOOLWINDOW, "Extra", "Hello", WS_POPUP | WS_BORDER, 0, 0, 10, 10, owner,
                           nullptr, nullptr, nullptr);
  EXPECT_EQ(GetWindowLongA(h, GWL_EXSTYLE), LONG(WS_EX_TOOLWINDOW));
  EXPECT_EQ(GetWindowLongPtrA(h, GWLP_HWNDPARENT), reinterpret_cast<LONG_PTR>(owner));
  EXPECT_EQ(GetWindow(h, GW_OWNER), owner);
  EXPECT_EQ(GetParent(h), owner); // a popup's parent is its owner
  EXPECT_EQ(SetWindowLongPtrA(h, 8, 0x1234), 0);
  EXPECT_EQ(GetWindowLongPtrA(h, 8), 0x1234);
  EXPECT_EQ(GetWindowLongPtrA(h, 9), 0); // past the extra bytes
  EXPECT_EQ(SetWindowLongPtrA(h, GWLP_USERDATA, 42), 0);
  EXPECT_EQ(GetWindowLongPtrA(h, GWLP_USERDATA), 42);

  log.clear();
  LONG old = SetWindowLongA(h, GWL_STYLE, LONG(WS_POPUP | WS_DLGFRAME));
  EXPECT_EQ(DWORD(old), DWORD(WS_POPUP | WS_BORDER));
  EXPECT_EQ(Seq({WM_STYLECHANGING, WM_STYLECHANGED}),
            (std::vector<P>{{h, WM_STYLECHANGING}, {h, WM_STYLECHANGED}}));

  int marker = 0;
  EXPECT_TRUE(SetPropA(h, "Key", &marker));
  EXPECT_EQ(GetPropA(h, "KEY"), &marker);
  EXPECT_EQ(RemovePropA(h, "key"), &marker);
  EXPECT_EQ(GetPropA(h, "Key"), nullptr);

  char buf[16];
  EXPECT_EQ(GetWindowTextLengthA(h), 5);
  EXPECT_EQ(GetWindowTextA(h, buf, 3), 2);
  EXPECT_STREQ(buf, "He");
  EXPECT_TRUE(SetWindowTextA(h, "Merhaba"));
  EXPECT_EQ(GetWindowTextA(h, buf, sizeof buf), 7);
  EXPECT_STREQ(buf, "Merhaba");
}

TEST_F(WinTest, NonClientInsetsFollowTheStyles) {
  struct Case {
    DWORD style, ex;
    RECT client; // of a 100x100 window
  } cases[] = {
      {WS_POPUP, 0, {0, 0, 100, 100}},
      {WS_POPUP | WS_BORDER, 0, {1, 1, 99, 99}},
      {WS_POPUP | WS_DLGFRAME, 0, {3, 3, 97, 97}},
      {WS_POPUP | WS_THICKFRAME, 0, {4, 4, 96, 96}},
      {WS_POPUP | WS_CAPTION, 0, {3, 22, 97, 97}},
      {WS_POPUP | WS_CAPTION | WS_THICKFRAME, 0, {4, 23, 96, 96}},
      {WS_POPUP | WS_CAPTION, WS_EX_TOOLWINDOW, {3, 19, 97, 97}},
      {WS_POPUP, WS_EX_CLIENTEDGE, {2, 2, 98, 98}},
      {WS_POPUP | WS_BORDER, WS_EX_CLIENTEDGE, {3, 3, 97, 97}},
      {WS_POPUP | WS_VSCROLL, 0, {0, 0, 84, 100}},
      {WS_POPUP | WS_HSCROLL | WS_VSCROLL | WS_BORDER, 0, {1, 1, 83, 83}},
  };
  for (const auto& c : cases) {
    HWND h = Top(10, 10, 100, 100, c.style, c.ex);
    RECT wr, cr;
    GetWindowRect(h, &wr);
    GetClientRect(h, &cr);
    POINT origin{0, 0};
    ClientToScreen(h, &origin);
    RECT client{origin.x - wr.left, origin.y - wr.top, origin.x - wr.left + cr.right,
                origin.y - wr.top + cr.bottom};
    EXPECT_EQ(client, c.client) << std::hex << c.style << " " << c.ex;
    if (!(c.style & (WS_HSCROLL | WS_VSCROLL))) {
      RECT adjusted = client;
      OffsetRect(&adjusted, 10, 10);
      AdjustWindowRectEx(&adjusted, c.style, FALSE, c.ex);
      EXPECT_EQ(adjusted, wr);
    }
    DestroyWindow(h);
  }
}

TEST_F(WinTest, CoordinatesMapThroughTheParentChain) {
  HWND top = Top(100, 200, 300, 300, WS_POPUP | WS_VISIBLE | WS_BORDER);
  HWND a = Child(top, 10, 20, 100, 100, WS_CHILD | WS_VISIBLE | WS_BORDER);
  HWND b = Child(a, 5, 6, 30, 30);
  RECT r;
  GetWindowRect(b, &r);
  EXPECT_EQ(r, (RECT{100 + 1 + 10 + 1 + 5, 200 + 1 + 20 + 1 + 6, 117 + 1 + 30 - 1, 228 + 30}));
  POINT p{0, 0};
  ClientToScreen(b, &p);
  EXPECT_EQ(p, (POINT{117, 228}));
  ScreenToClient(a, &p);
  EXPECT_EQ(p, (POINT{5, 6}));
  POINT pts[2] = {{0, 0}, {1, 1}};
  int delta = MapWindowPoints(b, top, pts, 2);
  EXPECT_EQ(pts[0], (POINT{16, 27}));
  EXPECT_EQ(pts[1], (POINT{17, 28}));
  EXPECT_EQ(short(LOWORD(DWORD(delta))), 16);
  EXPECT_EQ(short(HIWORD(DWORD(delta))), 27);
  POINT screen{500, 500};
  MapWindowPoints(nullptr, b, &screen, 1);
  EXPECT_EQ(screen, (POINT{500 - 117, 500 - 228}));
}

TEST_F(WinTest, TreeRelationsAndZOrder) {
  HWND top = Top(0, 0, 200, 200);
  HWND first = Child(top, 0, 0, 10, 10);
  HWND second = Child(top, 0, 0, 10, 10);
  HWND third = Child(top, 0, 0, 10, 10);
  // New children go to the bottom, so creation order is z-order (and the dialog tab order).
  EXPECT_EQ(GetWindow(top, GW_CHILD), first);
  EXPECT_EQ(GetWindow(first, GW_HWNDNEXT), second);
  EXPECT_EQ(GetWindow(third, GW_HWNDPREV), second);
  EXPECT_EQ(GetWindow(second, GW_HWNDLAST), third);
  EXPECT_EQ(GetWindow(third, GW_HWNDNEXT), nullptr);
  EXPECT_EQ(GetTopWindow(top), first);
  EXPECT_TRUE(BringWindowToTop(third));
  EXPECT_EQ(GetTopWindow(top), third);
  SetWindowPos(third, first, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(GetWindow(first, GW_HWNDNEXT), third);
  SetWindowPos(first, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(GetWindow(top, GW_CHILD), third);
  EXPECT_EQ(GetWindow(third, GW_HWNDNEXT), second);
  EXPECT_EQ(GetWindow(second, GW_HWNDNEXT), first);

  HWND grandchild = Child(second, 0, 0, 5, 5);
  EXPECT_TRUE(IsChild(top, grandchild));
  EXPECT_FALSE(IsChild(first, grandchild));
  EXPECT_EQ(GetParent(grandchild), second);
  EXPECT_EQ(GetAncestor(grandchild, GA_ROOT), top);
  EXPECT_EQ(GetAncestor(top, GA_PARENT), GetDesktopWindow());
  EXPECT_EQ(GetParent(top), nullptr);

  static std::vector<HWND> seen;
  seen.clear();
  EnumChildWindows(
      top,
      [](HWND h, LPARAM) -> BOOL {
        seen.push_back(h);
        return TRUE;
      },
      0);
  EXPECT_EQ(seen, (std::vector<HWND>{third, second, grandchild, first}));

  EXPECT_EQ(SetParent(grandchild, first), second);
  EXPECT_EQ(GetParent(grandchild), first);
  EXPECT_EQ(SetParent(top, grandchild), nullptr); // no cycles
}

TEST_F(WinTest, TopmostWindowsStayInFrontAndOwnedWindowsAboveTheirOwner) {
  HWND a = Top(0, 0, 10, 10, WS_POPUP | WS_VISIBLE);
  HWND tm = Top(0, 0, 10, 10, WS_POPUP | WS_VISIBLE, WS_EX_TOPMOST);
  HWND b = Top(0, 0, 10, 10, WS_POPUP | WS_VISIBLE);
  HWND desktop = GetDesktopWindow();
  EXPECT_EQ(GetWindow(desktop, GW_CHILD), tm);
  SetWindowPos(b, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(GetWindow(desktop, GW_CHILD), b);
  EXPECT_TRUE(GetWindowLongA(b, GWL_EXSTYLE) & WS_EX_TOPMOST);
  SetWindowPos(b, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_FALSE(GetWindowLongA(b, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_EQ(GetWindow(desktop, GW_CHILD), tm);
  EXPECT_EQ(GetWindow(tm, GW_HWNDNEXT), b);

  HWND owned = CreateWindowExA(0, "Rec", "", WS_POPUP | WS_VISIBLE, 0, 0, 5, 5, a, nullptr, nullptr, nullptr);
  SetWindowPos(a, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(GetWindow(tm, GW_HWNDNEXT), owned);
  EXPECT_EQ(GetWindow(owned, GW_HWNDNEXT), a);
  log.clear();
  DestroyWindow(a);
  EXPECT_FALSE(IsWindow(owned)); // owned windows go with their owner
  auto destroys = Seq({WM_DESTROY});
  ASSERT_EQ(destroys.size(), 2u);
  EXPECT_EQ(destroys[0].first, owned);
}

TEST_F(WinTest, SetWindowPosReportsOnlyWhatChanged) {
  HWND top = Top(0, 0, 200, 200);
  HWND h = Child(top, 10, 10, 50, 50);
  struct Case {
    int x, y, cx, cy;
    UINT flags;
    bool changed, move, size;
  } cases[] = {
      {10, 10, 50, 50, SWP_NOZORDER, false, false, false},
      {20, 10, 50, 50, SWP_NOZORDER, true, true, false},
      {20, 10, 60, 50, SWP_NOZORDER, true, false, true},
      {0, 0, 70, 70, SWP_NOZORDER | SWP_NOMOVE, true, false, true},
      {5, 5, 0, 0, SWP_NOZORDER | SWP_NOSIZE, true, true, false},
      {5, 5, 70, 70, SWP_NOZORDER | SWP_NOSENDCHANGING, false, false, false},
  };
  for (const auto& c : cases) {
    log.clear();
    SetWindowPos(h, nullptr, c.x, c.y, c.cx, c.cy, c.flags);
    EXPECT_EQ(Only(WM_WINDOWPOSCHANGING).size(), (c.flags & SWP_NOSENDCHANGING) ? 0u : 1u);
    EXPECT_EQ(Only(WM_WINDOWPOSCHANGED).size(), c.changed ? 1u : 0u) << c.x << "," << c.cx;
    EXPECT_EQ(Only(WM_MOVE).size(), c.move ? 1u : 0u);
    EXPECT_EQ(Only(WM_SIZE).size(), c.size ? 1u : 0u);
  }
  RECT r;
  GetWindowRect(h, &r);
  EXPECT_EQ(r, (RECT{5, 5, 75, 75}));

  // A WM_WINDOWPOSCHANGING handler may change the position asked for.
  overrides[h] = [](HWND, UINT m, WPARAM, LPARAM l) -> std::optional<LRESULT> {
    if (m == WM_WINDOWPOSCHANGING)
      reinterpret_cast<WINDOWPOS*>(l)->cx = 33;
    return std::nullopt;
  };
  MoveWindow(h, 0, 0, 99, 99, TRUE);
  GetWindowRect(h, &r);
  EXPECT_EQ(r, (RECT{0, 0, 33, 99}));
}

TEST_F(WinTest, ShowWindowAndEnableWindowNotify) {
  HWND top = Top(0, 0, 100, 100);
  HWND h = Child(top, 0, 0, 10, 10, WS_CHILD);
  log.clear();
  EXPECT_FALSE(ShowWindow(h, SW_SHOW));
  EXPECT_TRUE(ShowWindow(h, SW_SHOW)); // was visible; nothing more is sent
  EXPECT_TRUE(ShowWindow(h, SW_HIDE));
  EXPECT_FALSE(ShowWindow(h, SW_HIDE));
  auto shows = Only(WM_SHOWWINDOW);
  ASSERT_EQ(shows.size(), 2u);
  EXPECT_EQ(shows[0].wParam, WPARAM(TRUE));
  EXPECT_EQ(shows[1].wParam, WPARAM(FALSE));
  EXPECT_FALSE(IsWindowVisible(h));

  ShowWindow(h, SW_SHOW);
  ShowWindow(top, SW_HIDE);
  EXPECT_FALSE(IsWindowVisible(h)); // an ancestor hides it
  EXPECT_TRUE(GetWindowLongA(h, GWL_STYLE) & WS_VISIBLE);

  log.clear();
  EXPECT_FALSE(EnableWindow(h, FALSE));
  EXPECT_TRUE(EnableWindow(h, FALSE));
  EXPECT_TRUE(EnableWindow(h, TRUE));
  EXPECT_EQ(Seq({WM_CANCELMODE, WM_ENABLE}),
            (std::vector<P>{{h, WM_CANCELMODE}, {h, WM_ENABLE}, {h, WM_ENABLE}}));
  EXPECT_TRUE(IsWindowEnabled(h));
}

TEST_F(WinTest, ShowCommandsMinimiseAndRestoreWithASizeNotice) {
  struct Case {
    int from; // SW_SHOWMINNOACTIVE to start minimised, SW_SHOWNORMAL to start restored
    int cmd;
    bool iconic;
    std::optional<WPARAM> size; // the WM_SIZE kind sent, if any
  };
  const Case cases[] = {
      {SW_SHOWNORMAL, SW_MINIMIZE, true, SIZE_MINIMIZED},
      {SW_SHOWNORMAL, SW_SHOWMINIMIZED, true, SIZE_MINIMIZED},
      {SW_SHOWNORMAL, SW_SHOWMINNOACTIVE, true, SIZE_MINIMIZED},
      {SW_SHOWNORMAL, SW_SHOW, false, std::nullopt},
      {SW_SHOWMINNOACTIVE, SW_RESTORE, false, SIZE_RESTORED},
      {SW_SHOWMINNOACTIVE, SW_SHOWNORMAL, false, SIZE_RESTORED},
      {SW_SHOWMINNOACTIVE, SW_SHOWNOACTIVATE, false, SIZE_RESTORED},
      {SW_SHOWMINNOACTIVE, SW_SHOW, true, std::nullopt},
      {SW_SHOWMINNOACTIVE, SW_SHOWNA, true, std::nullopt},
      {SW_SHOWMINNOACTIVE, SW_MINIMIZE, true, std::nullopt},
  };
  for (const Case& c : cases) {
    HWND h = Top(10, 20, 200, 120, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    ShowWindow(h, c.from);
    RECT before{};
    GetWindowRect(h, &before);
    log.clear();
    ShowWindow(h, c.cmd);
    EXPECT_EQ(IsIconic(h) != FALSE, c.iconic) << c.from << " then " << c.cmd;
    auto sizes = Only(WM_SIZE);
    if (c.size) {
      ASSERT_EQ(sizes.size(), 1u) << c.from << " then " << c.cmd;
      EXPECT_EQ(sizes[0].wParam, *c.size);
      RECT client{};
      GetClientRect(h, &client);
      EXPECT_EQ(sizes[0].lParam, MAKELPARAM(client.right, client.bottom));
    } else {
      EXPECT_TRUE(sizes.empty()) << c.from << " then " << c.cmd;
    }
    RECT after{};
    GetWindowRect(h, &after);
    EXPECT_TRUE(EqualRect(&before, &after));
    DestroyWindow(h);
  }
}
TEST_F(WinTest, DefaultProcedureAnswers) {
  HWND top = Top(0, 0, 100, 100, WS_POPUP | WS_VISIBLE);
  HWND child = Child(top, 0, 0, 50, 50);
  EXPECT_EQ(SendMessageA(child, WM_GETDLGCODE, 0, 0), 0);
  // The wheel climbs to the parent when the child does not handle it.
  log.clear();
  SendMessageA(child, WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0);
  EXPECT_EQ(Seq({WM_MOUSEWHEEL}), (std::vector<P>{{child, WM_MOUSEWHEEL}, {top, WM_MOUSEWHEEL}}));
  // WM_CLOSE destroys.
  SendMessageA(top, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(top));
  EXPECT_FALSE(IsWindow(child));
}

TEST_F(WinTest, HiddenWindowsReceiveBroadcasts) {
  static int settingChanges;
  settingChanges = 0;
  HWND hidden = AllocateHWnd([](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
    if (m == WM_SETTINGCHANGE)
      ++settingChanges;
    return DefWindowProcA(h, m, w, l);
  });
  ASSERT_TRUE(IsWindow(hidden));
  EXPECT_FALSE(IsWindowVisible(hidden));
  HWND top = Top(0, 0, 10, 10);
  log.clear();
  platform::BroadcastToTopLevel(WM_SETTINGCHANGE, SPI_SETNONCLIENTMETRICS, 0);
  EXPECT_EQ(settingChanges, 1);
  EXPECT_EQ(Seq({WM_SETTINGCHANGE}), (std::vector<P>{{top, WM_SETTINGCHANGE}}));
  SendMessageA(HWND_BROADCAST, WM_SETTINGCHANGE, 0, 0);
  EXPECT_EQ(settingChanges, 2);
  DeallocateHWnd(hidden);
  EXPECT_FALSE(IsWindow(hidden));
}

TEST_F(WinTest, SystemSettingsAreInjectable) {
  EXPECT_EQ(GetSystemMetrics(SM_CXVSCROLL), 16);
  EXPECT_EQ(GetSystemMetrics(SM_CXEDGE), 2);
  EXPECT_EQ(GetSystemMetrics(SM_CXDOUBLECLK), 4);
  EXPECT_EQ(GetSystemMetrics(SM_CXMENUCHECK), 13);
  EXPECT_EQ(GetDoubleClickTime(), 500u);
  EXPECT_EQ(GetCaretBlinkTime(), 530u);
  UINT lines = 0;
  EXPECT_TRUE(SystemParametersInfoA(SPI_GETWHEELSCROLLLINES, 0, &lines, 0));
  EXPECT_EQ(lines, 3u);
  platform::Settings().metrics[SM_CXVSCROLL] = 20;
  platform::Settings().wheelScrollLines = 5;
  EXPECT_EQ(GetSystemMetrics(SM_CXVSCROLL), 20);
  SystemParametersInfoA(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
  EXPECT_EQ(lines, 5u);
  RECT work;
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  MONITORINFO mi;
  HMONITOR m = MonitorFromPoint(POINT{5000, 5000}, MONITOR_DEFAULTTONEAREST);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(MonitorFromPoint(POINT{5000, 5000}, MONITOR_DEFAULTTONULL), nullptr);
  ASSERT_TRUE(GetMonitorInfoA(m, &mi));
  EXPECT_EQ(mi.rcWork, work);
  EXPECT_EQ(mi.dwFlags, DWORD(MONITORINFOF_PRIMARY));
  EXPECT_FALSE(SystemParametersInfoA(0xDEAD, 0, &lines, 0));
  MessageBeep(MB_ICONHAND);
  EXPECT_EQ(platform::BeepLog(), (std::vector<UINT>{MB_ICONHAND}));
}

} // namespace

namespace {

TEST_F(WinTest, SettingChangesReachEveryTopLevelWindowAndHiddenOnes) {
  static std::vector<std::pair<UINT, WPARAM>> heard;
  heard.clear();
  HWND hidden = AllocateHWnd([](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
    if (m == WM_SETTINGCHANGE || m == WM_SYSCOLORCHANGE || m == WM_THEMECHANGED)
      heard.emplace_back(m, w);
    return DefWindowProcA(h, m, w, l);
  });
  HWND top = Top(0, 0, 10, 10);
  HWND child = Child(top, 0, 0, 5, 5);
  auto settings = platform::Settings();
  settings.metrics[SM_CXVSCROLL] = 21;
  settings.uiFontFace = "DejaVu Sans";
  log.clear();
  platform::ApplySettings(settings);
  EXPECT_EQ(GetSystemMetrics(SM_CXVSCROLL), 21);
  SysColorTable colors = DefaultSysColors();
  colors[COLOR_BTNFACE] = RGB(1, 2, 3);
  platform::ApplySysColors(colors);
  EXPECT_EQ(GetSysColor(COLOR_BTNFACE), RGB(1, 2, 3));
  platform::NotifyThemeChanged();
  ResetSysColorTable();
  using H = std::vector<std::pair<UINT, WPARAM>>;
  EXPECT_EQ(heard,
            (H{{WM_SETTINGCHANGE, SPI_SETNONCLIENTMETRICS}, {WM_SYSCOLORCHANGE, 0}, {WM_THEMECHANGED, 0}}));
  EXPECT_EQ(Seq({WM_SETTINGCHANGE, WM_SYSCOLORCHANGE, WM_THEMECHANGED}),
            (std::vector<P>{{top, WM_SETTINGCHANGE}, {top, WM_SYSCOLORCHANGE}, {top, WM_THEMECHANGED}}));
  (void)child;

  NONCLIENTMETRICSA ncm;
  ASSERT_TRUE(SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0));
  EXPECT_EQ(ncm.iScrollWidth, 21);
  EXPECT_STREQ(ncm.lfMenuFont.lfFaceName, "DejaVu Sans");
  EXPECT_EQ(ncm.lfCaptionFont.lfWeight, FW_BOLD);
  ncm.cbSize = 8;
  EXPECT_FALSE(SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, 8, &ncm, 0));
  DeallocateHWnd(hidden);
}

TEST_F(WinTest, WideTextGoesThroughTheCodePage) {
  HWND h = Top(0, 0, 10, 10, WS_POPUP);
  EXPECT_TRUE(SetWindowTextW(h, u"\u011Fa\u015F")); // Turkish g-breve and s-cedilla exist in code page 1254
  char ansi[8];
  GetWindowTextA(h, ansi, sizeof ansi);
  EXPECT_EQ(std::string(ansi), "\xF0"
                               "a"
                               "\xFE");
  WCHAR wide[8];
  EXPECT_EQ(GetWindowTextW(h, wide, 8), 3);
  EXPECT_EQ(std::u16string(wide), u"\u011Fa\u015F");
  EXPECT_EQ(GetWindowTextW(h, wide, 2), 1);
  EXPECT_EQ(std::u16string(wide), u"\u011F");
}

} // namespace

TEST_F(WinTest, LocaleChangeIsAnIntlSettingChange) {
  static std::vector<std::pair<WPARAM, std::string>> notices;
  notices.clear();
  HWND hidden = AllocateHWnd([](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
    if (m == WM_SETTINGCHANGE)
      notices.emplace_back(w, l ? reinterpret_cast<const char*>(l) : "");
    return DefWindowProcA(h, m, w, l);
  });
  TFormatSettings changed = TurkishFormatSettings();
  changed.ShortDateFormat = "yyyy-MM-dd";
  platform::ApplyLocaleSettings(changed);
  EXPECT_EQ("yyyy-MM-dd", LocaleFormatSettings().ShortDateFormat);
  EXPECT_EQ((std::vector<std::pair<WPARAM, std::string>>{{0, "intl"}}), notices);
  DeallocateHWnd(hidden);
  ResetFormatSettings();
}
