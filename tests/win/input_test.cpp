#include "win_fixture.h"

#include "platform/gdi/Bitmap.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Region.h"

namespace {

using P = std::pair<HWND, UINT>;
using platform::InjectKey;
using platform::InjectMouseButton;
using platform::InjectMouseMove;
using platform::MouseButton;

void Click(int x, int y) {
  InjectMouseButton(MouseButton::Left, true, x, y);
  InjectMouseButton(MouseButton::Left, false, x, y);
}

TEST_F(WinTest, FocusMovesWithKillFocusBeforeSetFocus) {
  HWND top = Top(0, 0, 100, 100);
  HWND a = Child(top, 0, 0, 10, 10);
  HWND b = Child(top, 20, 0, 10, 10);
  EXPECT_EQ(GetFocus(), top);
  SetFocus(a);
  log.clear();
  EXPECT_EQ(SetFocus(b), a);
  auto seq = Seq({WM_KILLFOCUS, WM_SETFOCUS});
  EXPECT_EQ(seq, (std::vector<P>{{a, WM_KILLFOCUS}, {b, WM_SETFOCUS}}));
  EXPECT_EQ(Only(WM_KILLFOCUS)[0].wParam, reinterpret_cast<WPARAM>(b));
  EXPECT_EQ(Only(WM_SETFOCUS)[0].wParam, reinterpret_cast<WPARAM>(a));

  // A KILLFOCUS handler that moves the focus elsewhere wins; no SETFOCUS reaches the first target.
  overrides[b] = [a](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_KILLFOCUS)
      SetFocus(a);
    return std::nullopt;
  };
  log.clear();
  SetFocus(top);
  EXPECT_EQ(GetFocus(), a);
  EXPECT_EQ(Seq({WM_KILLFOCUS, WM_SETFOCUS}),
            (std::vector<P>{{b, WM_KILLFOCUS}, {top, WM_KILLFOCUS}, {a, WM_SETFOCUS}}));
  overrides.clear();

  log.clear();
  EXPECT_EQ(SetFocus(nullptr), a);
  EXPECT_EQ(Seq({WM_KILLFOCUS, WM_SETFOCUS}), (std::vector<P>{{a, WM_KILLFOCUS}}));
  EXPECT_EQ(GetFocus(), nullptr);

  EnableWindow(b, FALSE);
  EXPECT_EQ(SetFocus(b), nullptr);
  EXPECT_EQ(GetFocus(), nullptr);
}

TEST_F(WinTest, FocusIsDroppedWhenItsWindowIsDisabledHiddenOrDestroyed) {
  HWND top = Top(0, 0, 100, 100);
  HWND a = Child(top, 0, 0, 10, 10);
  SetFocus(a);
  EnableWindow(a, FALSE);
  EXPECT_EQ(GetFocus(), nullptr);
  EnableWindow(a, TRUE);
  SetFocus(a);
  ShowWindow(a, SW_HIDE);
  EXPECT_EQ(GetFocus(), top); // hiding hands the focus to the parent
  ShowWindow(a, SW_SHOW);
  SetFocus(a);
  DestroyWindow(a); // a visible child is hidden first, which hands the focus up
  EXPECT_EQ(GetFocus(), top);
  HWND hidden = Child(top, 0, 0, 10, 10, WS_CHILD);
  SetFocus(hidden);
  EXPECT_EQ(GetFocus(), hidden);
  DestroyWindow(hidden);
  EXPECT_EQ(GetFocus(), nullptr);
  EXPECT_EQ(GetActiveWindow(), top);
}

TEST_F(WinTest, ActivationSequenceBetweenTwoTopLevelWindows) {
  HWND a = Top(0, 0, 100, 100);
  HWND b = Top(200, 0, 100, 100, WS_POPUP);
  EXPECT_EQ(GetActiveWindow(), a);
  log.clear();
  ShowWindow(b, SW_SHOW);
  std::vector<P> expected = {{b, WM_SHOWWINDOW}, {b, WM_WINDOWPOSCHANGING}, {a, WM_NCACTIVATE},
                             {a, WM_ACTIVATE},   {b, WM_NCACTIVATE},        {b, WM_ACTIVATE},
                             {a, WM_KILLFOCUS},  {b, WM_SETFOCUS},          {b, WM_WINDOWPOSCHANGED}};
  EXPECT_EQ(Seq({WM_SHOWWINDOW, WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED, WM_NCACTIVATE, WM_ACTIVATE,
                 WM_KILLFOCUS, WM_SETFOCUS, WM_ACTIVATEAPP}),
            expected);
  auto act = Only(WM_ACTIVATE);
  EXPECT_EQ(act[0].wParam, WPARAM(WA_INACTIVE));
  EXPECT_EQ(act[0].lParam, reinterpret_cast<LPARAM>(b));
  EXPECT_EQ(act[1].wParam, WPARAM(WA_ACTIVE));
  EXPECT_EQ(act[1].lParam, reinterpret_cast<LPARAM>(a));
  EXPECT_EQ(GetActiveWindow(), b);
  EXPECT_EQ(GetForegroundWindow(), b);

  // The application losing activation tells every top-level window.
  log.clear();
  platform::DeactivateApp();
  EXPECT_EQ(Seq({WM_NCACTIVATE, WM_ACTIVATE, WM_ACTIVATEAPP, WM_KILLFOCUS}),
            (std::vector<P>{{b, WM_NCACTIVATE},
                            {b, WM_ACTIVATE},
                            {b, WM_ACTIVATEAPP},
                            {a, WM_ACTIVATEAPP},
                            {b, WM_KILLFOCUS}}));
  EXPECT_EQ(GetActiveWindow(), nullptr);
  EXPECT_EQ(GetForegroundWindow(), nullptr);
  log.clear();
  SetActiveWindow(a);
  auto app = Only(WM_ACTIVATEAPP);
  ASSERT_EQ(app.size(), 2u);
  EXPECT_EQ(app[0].wParam, WPARAM(TRUE));
}

TEST_F(WinTest, SetFocusOnAnInactiveWindowActivatesItsTopLevelWithoutFocusingIt) {
  HWND a = Top(0, 0, 100, 100);
  HWND b = Top(200, 0, 100, 100, WS_POPUP | WS_VISIBLE, 0);
  HWND bChild = Child(b, 0, 0, 10, 10);
  SetActiveWindow(a);
  log.clear();
  SetFocus(bChild);
  EXPECT_EQ(GetActiveWindow(), b);
  EXPECT_EQ(GetFocus(), bChild);
  EXPECT_EQ(Seq({WM_SETFOCUS}), (std::vector<P>{{bChild, WM_SETFOCUS}}));
}

TEST_F(WinTest, ClickOnAnInactiveWindowActivatesItBeforeTheButtonMessage) {
  HWND a = Top(0, 0, 100, 100);
  HWND b = Top(200, 0, 100, 100);
  HWND bChild = Child(b, 10, 10, 50, 50);
  SetActiveWindow(a);
  platform::PumpMessages();
  log.clear();
  Click(220, 20);
  platform::PumpMessages();
  std::vector<P> expected = {{bChild, WM_NCHITTEST},  {b, WM_PARENTNOTIFY},   {bChild, WM_MOUSEACTIVATE},
                             {b, WM_MOUSEACTIVATE},   {a, WM_NCACTIVATE},     {a, WM_ACTIVATE},
                             {b, WM_NCACTIVATE},      {b, WM_ACTIVATE},       {a, WM_KILLFOCUS},
                             {b, WM_SETFOCUS},        {bChild, WM_SETCURSOR}, {b, WM_SETCURSOR},
                             {bChild, WM_LBUTTONDOWN}};
  auto seq = Seq({WM_NCHITTEST, WM_PARENTNOTIFY, WM_MOUSEACTIVATE, WM_NCACTIVATE, WM_ACTIVATE, WM_KILLFOCUS,
                  WM_SETFOCUS, WM_SETCURSOR, WM_LBUTTONDOWN});
  ASSERT_GE(seq.size(), expected.size());
  seq.resize(expected.size());
  EXPECT_EQ(seq, expected);
  auto ma = Only(WM_MOUSEACTIVATE);
  EXPECT_EQ(ma[0].wParam, reinterpret_cast<WPARAM>(b));
  EXPECT_EQ(ma[0].lParam, MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN));
  auto down = Only(WM_LBUTTONDOWN);
  EXPECT_EQ(down[0].lParam, MAKELPARAM(10, 10));
  EXPECT_EQ(down[0].wParam, WPARAM(MK_LBUTTON));
  auto up = Only(WM_LBUTTONUP);
  ASSERT_EQ(up.size(), 1u);
  EXPECT_EQ(up[0].wParam, 0u);

  // MA_ACTIVATEANDEAT activates and swallows the click; MA_NOACTIVATEANDEAT only swallows it.
  for (LRESULT answer : {LRESULT(MA_ACTIVATEANDEAT), LRESULT(MA_NOACTIVATEANDEAT)}) {
    SetActiveWindow(b);
    overrides[a] = [answer](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
      if (m == WM_MOUSEACTIVATE)
        return answer;
      return std::nullopt;
    };
    log.clear();
    Click(20, 20);
    platform::PumpMessages();
    EXPECT_TRUE(Only(WM_LBUTTONDOWN).empty());
    EXPECT_EQ(Only(WM_LBUTTONUP).size(), 1u);
    EXPECT_EQ(GetActiveWindow(), answer == MA_ACTIVATEANDEAT ? a : b);
  }
}

TEST_F(WinTest, DoubleClicksByTimeDistanceWindowAndClassStyle) {
  HWND top = Top(0, 0, 300, 100);
  HWND dbl = Child(top, 0, 0, 100, 100, WS_CHILD | WS_VISIBLE, 0, "RecDbl");
  HWND dbl2 = Child(top, 100, 0, 100, 100, WS_CHILD | WS_VISIBLE, 0, "RecDbl");
  HWND plain = Child(top, 200, 0, 100, 100);
  platform::PumpMessages();
  struct Case {
    const char* name;
    POINT first, second;
    DWORD gap;
    UINT expected;
  } cases[] = {
      {"same spot", {10, 10}, {10, 10}, 100, WM_LBUTTONDBLCLK},
      {"one pixel off", {10, 10}, {11, 9}, 100, WM_LBUTTONDBLCLK},
      {"two pixels off", {10, 10}, {12, 10}, 100, WM_LBUTTONDOWN},
      {"just in time", {10, 10}, {10, 10}, 499, WM_LBUTTONDBLCLK},
      {"too late", {10, 10}, {10, 10}, 500, WM_LBUTTONDOWN},
      {"other window", {99, 10}, {100, 10}, 10, WM_LBUTTONDOWN},
      {"class without CS_DBLCLKS", {210, 10}, {210, 10}, 10, WM_LBUTTONDOWN},
  };
  (void)dbl;
  (void)dbl2;
  (void)plain;
  for (const auto& c : cases) {
    platform::Clock::AdvanceTime(5000);
    Click(c.first.x, c.first.y);
    platform::PumpMessages();
    platform::Clock::AdvanceTime(c.gap);
    log.clear();
    Click(c.second.x, c.second.y);
    platform::PumpMessages();
    auto seq = Seq({WM_LBUTTONDOWN, WM_LBUTTONDBLCLK});
    ASSERT_EQ(seq.size(), 1u) << c.name;
    EXPECT_EQ(seq[0].second, c.expected) << c.name;
  }
  // After a double click a third click starts over.
  platform::Clock::AdvanceTime(5000);
  log.clear();
  for (int i = 0; i < 3; ++i) {
    Click(50, 50);
    platform::Clock::AdvanceTime(50);
  }
  platform::PumpMessages();
  std::vector<UINT> ids;
  for (auto& l : log)
    if (l.msg >= WM_LBUTTONDOWN && l.msg <= WM_LBUTTONDBLCLK)
      ids.push_back(l.msg);
  EXPECT_EQ(ids, (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP,
                                    WM_LBUTTONDOWN, WM_LBUTTONUP}));
}

TEST_F(WinTest, CaptureRoutesMouseAndReportsItsLoss) {
  HWND top = Top(0, 0, 300, 100);
  HWND a = Child(top, 0, 0, 100, 100);
  HWND b = Child(top, 100, 0, 100, 100);
  platform::PumpMessages();
  EXPECT_EQ(SetCapture(a), nullptr);
  log.clear();
  InjectMouseMove(150, 20);
  platform::PumpMessages();
  auto moves = Only(WM_MOUSEMOVE);
  ASSERT_EQ(moves.size(), 1u);
  EXPECT_EQ(moves[0].hwnd, a);
  EXPECT_EQ(moves[0].lParam, MAKELPARAM(150, 20)); // client space of the capturing window
  EXPECT_TRUE(Only(WM_SETCURSOR).empty());
  EXPECT_TRUE(Only(WM_NCHITTEST).empty());

  log.clear();
  EXPECT_EQ(SetCapture(b), a);
  EXPECT_EQ(Seq({WM_CAPTURECHANGED}), (std::vector<P>{{a, WM_CAPTURECHANGED}}));
  EXPECT_EQ(Only(WM_CAPTURECHANGED)[0].lParam, reinterpret_cast<LPARAM>(b));
  log.clear();
  SendMessageA(b, WM_CANCELMODE, 0, 0);
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(Seq({WM_CAPTURECHANGED}), (std::vector<P>{{b, WM_CAPTURECHANGED}}));
  SetCapture(a);
  DestroyWindow(a);
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(WinTest, MouseHookSeesTheFinalMessageAndMaySwallowIt) {
  HWND top = Top(0, 0, 200, 100, WS_POPUP | WS_VISIBLE | WS_CAPTION);
  platform::PumpMessages();
  static std::vector<std::pair<WPARAM, UINT>> seen;
  static bool swallow;
  seen.clear();
  swallow = false;
  static HHOOK hook;
  hook = SetWindowsHookExA(
      WH_MOUSE,
      [](int code, WPARAM w, LPARAM l) -> LRESULT {
        auto* mh = reinterpret_cast<MOUSEHOOKSTRUCT*>(l);
        seen.emplace_back(w, mh->wHitTestCode);
        if (swallow && code == HC_ACTION)
          return 1;
        return CallNextHookEx(hook, code, w, l);
      },
      nullptr, 0);
  InjectMouseButton(MouseButton::Left, true, 50, 10); // on the caption
  MSG m;
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(m.message, UINT(WM_NCLBUTTONDOWN));
  EXPECT_EQ(m.wParam, WPARAM(HTCAPTION));
  EXPECT_EQ(m.lParam, MAKELPARAM(50, 10));
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(seen, (std::vector<std::pair<WPARAM, UINT>>{{WM_NCLBUTTONDOWN, HTCAPTION},
                                                        {WM_NCLBUTTONDOWN, HTCAPTION}}));

  swallow = true;
  log.clear();
  Click(50, 50);
  platform::PumpMessages();
  EXPECT_TRUE(Only(WM_LBUTTONDOWN).empty());
  EXPECT_TRUE(Only(WM_LBUTTONUP).empty());
  EXPECT_EQ(GetKeyState(VK_LBUTTON) & 0x8000, 0);
  UnhookWindowsHookEx(hook);
  (void)top;
}

TEST_F(WinTest, HitTestingHonoursZOrderRegionsTransparencyAndDisabledChildren) {
  HWND top = Top(0, 0, 300, 300);
  HWND lower = Child(top, 0, 0, 100, 100, WS_CHILD | WS_VISIBLE, 1);
  HWND upper = Child(top, 50, 50, 100, 100, WS_CHILD | WS_VISIBLE, 2);
  SetWindowPos(upper, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  HWND round = Child(top, 200, 0, 100, 100, WS_CHILD | WS_VISIBLE, 3);
  SetWindowRgn(round, CreateEllipticRgn(0, 0, 100, 100), TRUE);
  HWND disabled = Child(top, 200, 200, 50, 50, WS_CHILD | WS_VISIBLE | WS_DISABLED, 4);
  HWND glass = Child(top, 0, 200, 50, 50, WS_CHILD | WS_VISIBLE, 5);
  overrides[glass] = [](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_NCHITTEST)
      return HTTRANSPARENT;
    return std::nullopt;
  };
  struct Case {
    POINT pt;
    HWND expected;
  } cases[] = {
      {{10, 10}, lower}, {{60, 60}, upper}, {{149, 149}, upper}, {{150, 150}, top},   {{250, 50}, round},
      {{201, 1}, top},   {{225, 225}, top}, {{10, 210}, top},    {{-5, -5}, nullptr},
  };
  for (const auto& c : cases)
    EXPECT_EQ(WindowFromPoint(c.pt), c.expected) << c.pt.x << "," << c.pt.y;
  EXPECT_EQ(ChildWindowFromPoint(top, POINT{225, 225}), disabled);
  EXPECT_EQ(ChildWindowFromPointEx(top, POINT{225, 225}, CWP_SKIPDISABLED), top);
  EXPECT_EQ(ChildWindowFromPoint(top, POINT{400, 5}), nullptr);
  HRGN got = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetWindowRgn(round, got), COMPLEXREGION);
  EXPECT_EQ(GetWindowRgn(lower, got), ERROR);
  DeleteObject(got);
}

TEST_F(WinTest, KeyboardMessagesCarryThePlatformsLParamBits) {
  HWND top = Top(0, 0, 100, 100);
  platform::PumpMessages();
  log.clear();
  InjectKey(VK_LEFT, true);
  InjectKey(VK_LEFT, true); // auto-repeat
  InjectKey(VK_LEFT, false);
  InjectKey(VK_MENU, true);
  InjectKey('X', true);
  InjectKey('X', false);
  InjectKey(VK_MENU, false);
  platform::PumpMessages();
  std::vector<std::pair<UINT, DWORD>> got;
  for (auto& l : log)
    if (l.msg >= WM_KEYDOWN && l.msg <= WM_SYSKEYUP && l.hwnd == top)
      got.emplace_back(l.msg, DWORD(l.lParam));
  std::vector<std::pair<UINT, DWORD>> expected = {
      {WM_KEYDOWN, 0x014B0001},    {WM_KEYDOWN, 0x414B0001},    {WM_KEYUP, 0xC14B0001},
      {WM_SYSKEYDOWN, 0x20380001}, {WM_SYSKEYDOWN, 0x202D0001}, {WM_SYSKEYUP, 0xE02D0001},
      {WM_SYSKEYUP, 0xE0380001},
  };
  EXPECT_EQ(got, expected);
  EXPECT_EQ(GetKeyState(VK_MENU) & 0x8000, 0);
  EXPECT_EQ(GetKeyState('X') & 1, 1); // toggled once
}

// Alt+F4 asks the top-level window to close, whichever of its windows has the focus; a class without a
// close command keeps it open. A child window is never closed by it on its own.
TEST_F(WinTest, AltF4ClosesTheTopLevelWindowOfTheFocus) {
  WNDCLASSA noClose{};
  noClose.style = CS_NOCLOSE;
  noClose.lpfnWndProc = RecordProc;
  noClose.lpszClassName = "RecNoClose";
  ASSERT_NE(RegisterClassA(&noClose), 0);
  struct Case {
    const char* name;
    const char* topClass;
    bool focusChild;
    bool closes;
  };
  for (const Case& c :
       {Case{"focus on the child", "Rec", true, true}, Case{"focus on the top", "Rec", false, true},
        Case{"class without close", "RecNoClose", true, false}}) {
    SCOPED_TRACE(c.name);
    HWND top = Top(0, 0, 100, 100, WS_POPUP | WS_VISIBLE, 0, c.topClass);
    HWND child = Child(top, 0, 0, 50, 50);
    SetFocus(c.focusChild ? child : top);
    platform::PumpMessages();
    log.clear();
    InjectKey(VK_MENU, true);
    InjectKey(VK_F4, true);
    InjectKey(VK_F4, false);
    InjectKey(VK_MENU, false);
    platform::PumpMessages();
    EXPECT_EQ(IsWindow(top) != FALSE, !c.closes);
    EXPECT_EQ(IsWindow(child) != FALSE, !c.closes) << "the child goes only with its top-level window";
    std::vector<P> closes;
    for (auto& l : Only(WM_SYSCOMMAND))
      if ((l.wParam & 0xFFF0) == SC_CLOSE)
        closes.emplace_back(l.hwnd, l.msg);
    const std::vector<P> expected = c.closes ? std::vector<P>{{top, WM_SYSCOMMAND}} : std::vector<P>{};
    EXPECT_EQ(closes, expected);
    if (IsWindow(top))
      DestroyWindow(top);
  }
}

TEST_F(WinTest, TranslateMessageMakesCharactersIncludingControlCharacters) {
  HWND top = Top(0, 0, 100, 100);
  platform::PumpMessages();
  struct Case {
    std::vector<int> held;
    int vk;
    int expected; // -1: no character
    UINT msg = WM_CHAR;
  } cases[] = {
      {{}, 'A', 'a'},
      {{VK_SHIFT}, 'A', 'A'},
      {{VK_CONTROL}, 'A', 1},
      {{VK_CONTROL}, 'Z', 26},
      {{}, VK_BACK, 8},
      {{}, VK_TAB, 9},
      {{}, VK_RETURN, 13},
      {{VK_CONTROL}, VK_RETURN, 10},
      {{}, VK_ESCAPE, 27},
      {{VK_CONTROL}, VK_BACK, 127},
      {{VK_CONTROL}, VK_OEM_4, 27},
      {{VK_SHIFT}, '1', '!'},
      {{}, '7', '7'},
      {{VK_SHIFT}, VK_OEM_2, '?'},
      {{}, VK_LEFT, -1},
      {{VK_CONTROL}, '5', -1},
      {{VK_MENU}, 'F', 'f', WM_SYSCHAR},
  };
  for (const auto& c : cases) {
    for (int k : c.held)
      InjectKey(k, true);
    InjectKey(c.vk, true);
    InjectKey(c.vk, false);
    for (int k : c.held)
      InjectKey(k, false);
    log.clear();
    platform::PumpMessages();
    std::vector<Logged> chars;
    for (auto& l : log)
      if (l.msg == WM_CHAR || l.msg == WM_SYSCHAR)
        chars.push_back(l);
    if (c.expected < 0) {
      EXPECT_TRUE(chars.empty()) << c.vk;
    } else {
      ASSERT_EQ(chars.size(), 1u) << c.vk;
      EXPECT_EQ(chars[0].msg, c.msg) << c.vk;
      EXPECT_EQ(int(chars[0].wParam), c.expected) << c.vk;
      EXPECT_EQ(chars[0].hwnd, top);
    }
  }
}

// The wheel goes where the pointer is, climbs to the parents of windows that leave it to the default
// procedure, and moves neither the focus nor the activation.
TEST_F(WinTest, TheWheelGoesToTheWindowUnderThePointer) {
  HWND top = Top(0, 0, 300, 200);
  HWND a = Child(top, 0, 0, 50, 50);
  HWND b = Child(top, 100, 100, 50, 50);
  HWND inner = Child(b, 10, 10, 20, 20);
  HWND disabled = Child(top, 200, 0, 50, 50, WS_CHILD | WS_VISIBLE | WS_DISABLED);
  HWND other = Top(400, 0, 100, 100);
  HWND modalOwner = Top(0, 300, 100, 100);
  EnableWindow(modalOwner, FALSE);
  HWND eater = Child(top, 0, 100, 50, 50);
  // Neither the focus nor under any point below.
  HWND holder = Child(top, 100, 0, 50, 50);
  overrides[eater] = [](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_MOUSEWHEEL)
      return 0;
    return std::nullopt;
  };
  SetActiveWindow(top);
  SetFocus(a);
  platform::PumpMessages();
  // The disabled child's case says something only if its point lies over that child.
  POINT overDisabled{210, 10};
  ScreenToClient(top, &overDisabled);
  ASSERT_EQ(ChildWindowFromPoint(top, overDisabled), disabled);
  struct Case {
    const char* name;
    POINT pt;
    HWND capture;
    std::vector<HWND> reached;
  } cases[] = {
      {"a child that is not the focus", {140, 140}, nullptr, {b, top}},
      {"a grandchild", {115, 115}, nullptr, {inner, b, top}},
      {"the focus window itself", {10, 10}, nullptr, {a, top}},
      {"the parent's own client area", {180, 60}, nullptr, {top}},
      {"a disabled child, which leaves it to its parent", {210, 10}, nullptr, {top}},
      {"a window that uses it", {10, 110}, nullptr, {eater}},
      {"an inactive top-level window", {420, 20}, nullptr, {other}},
      {"a disabled top-level window", {20, 320}, nullptr, {}},
      {"no window at all", {700, 500}, nullptr, {}},
      {"another window while one holds the capture", {140, 140}, holder, {holder, top}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.capture)
      SetCapture(c.capture);
    platform::PumpMessages();
    log.clear();
    platform::InjectMouseWheel(-WHEEL_DELTA, c.pt.x, c.pt.y);
    platform::PumpMessages();
    std::vector<HWND> reached;
    for (const Logged& l : Only(WM_MOUSEWHEEL)) {
      reached.push_back(l.hwnd);
      EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(l.wParam), -WHEEL_DELTA);
      EXPECT_EQ(l.lParam, MAKELPARAM(c.pt.x, c.pt.y)); // screen space, for every window on the way
    }
    EXPECT_EQ(reached, c.reached);
    EXPECT_TRUE(Seq({WM_SETFOCUS, WM_KILLFOCUS, WM_ACTIVATE, WM_MOUSEACTIVATE, WM_SETCURSOR}).empty());
    EXPECT_EQ(GetFocus(), a);
    EXPECT_EQ(GetActiveWindow(), top);
    ReleaseCapture();
  }
}

TEST_F(WinTest, TheCursorFollowsSetCursor) {
  HWND top = Top(0, 0, 200, 200);
  platform::PumpMessages();
  WNDCLASSA wc{};
  wc.lpfnWndProc = RecordProc;
  wc.hCursor = LoadCursorA(nullptr, IDC_IBEAM);
  wc.lpszClassName = "Beam";
  RegisterClassA(&wc);
  HWND beam = Child(top, 0, 100, 50, 50, WS_CHILD | WS_VISIBLE, 0, "Beam");
  InjectMouseMove(10, 110);
  platform::PumpMessages();
  EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_IBEAM));
  POINT p;
  GetCursorPos(&p);
  EXPECT_EQ(p, (POINT{10, 110}));
  // A parent that answers WM_SETCURSOR decides for its children.
  static HCURSOR hand;
  hand = LoadCursorA(nullptr, IDC_HAND);
  overrides[top] = [](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_SETCURSOR) {
      SetCursor(hand);
      return TRUE;
    }
    return std::nullopt;
  };
  InjectMouseMove(12, 112);
  platform::PumpMessages();
  EXPECT_EQ(GetCursor(), hand);
  (void)beam;
}

TEST_F(WinTest, CursorsStockAndMadeByTheProgram) {
  for (LPCSTR id : {IDC_ARROW, IDC_IBEAM, IDC_WAIT, IDC_CROSS, IDC_SIZEWE, IDC_SIZENS, IDC_SIZEALL, IDC_HAND,
                    IDC_NO, IDC_SIZENWSE, IDC_SIZENESW, IDC_UPARROW, IDC_APPSTARTING, IDC_HELP})
    EXPECT_NE(LoadCursorA(nullptr, id), nullptr);
  EXPECT_EQ(LoadCursorA(nullptr, MAKEINTRESOURCEA(2100)), nullptr);
  BYTE andMask[32 * 4], xorMask[32 * 4] = {};
  std::fill(std::begin(andMask), std::end(andMask), 0xFF);
  HCURSOR c = CreateCursor(nullptr, 3, 4, 32, 32, andMask, xorMask);
  ASSERT_NE(c, nullptr);
  platform::CursorInfo info;
  ASSERT_TRUE(platform::GetCursorInfo(c, &info));
  EXPECT_EQ(info.hotSpot, (POINT{3, 4}));
  SetCursor(c);
  EXPECT_TRUE(DestroyCursor(c));
  EXPECT_EQ(GetCursor(), nullptr);
  EXPECT_FALSE(DestroyCursor(c));
  EXPECT_EQ(CreateCursor(nullptr, 0, 0, 0, 32, andMask, xorMask), nullptr);
}

} // namespace

namespace {

TEST_F(WinTest, CursorImagesFromMasksAndFromBitmaps) {
  // 16x2 planes: first row AND 0 XOR 0 (black), second row AND 1 XOR 0 (transparent).
  BYTE andPlane[4] = {0x00, 0x00, 0xFF, 0xFF};
  BYTE xorPlane[4] = {0xF0, 0x00, 0x00, 0x00};
  HCURSOR c = CreateCursor(nullptr, 0, 0, 16, 2, andPlane, xorPlane);
  std::vector<std::uint32_t> px;
  ASSERT_TRUE(platform::GetCursorPixels(c, &px));
  ASSERT_EQ(px.size(), 32u);
  EXPECT_EQ(px[0], 0xFFFFFFFFu); // XOR 1 over AND 0: white
  EXPECT_EQ(px[4], 0xFF000000u);
  EXPECT_EQ(px[16], 0u);
  DestroyCursor(c);

  HBITMAP mask = CreateBitmap(4, 4, 1, 1, nullptr);   // all zero: every pixel shows the colour
  HBITMAP color = CreateBitmap(4, 4, 1, 32, nullptr); // black
  ICONINFO ii{FALSE, 1, 2, mask, color};
  HICON icon = CreateIconIndirect(&ii);
  ASSERT_NE(icon, nullptr);
  platform::CursorInfo info;
  ASSERT_TRUE(platform::GetCursorInfo(icon, &info));
  EXPECT_EQ(info.width, 4);
  EXPECT_EQ(info.hotSpot, (POINT{1, 2}));
  ASSERT_TRUE(platform::GetCursorPixels(icon, &px));
  EXPECT_EQ(px[0], 0xFF000000u);
  EXPECT_TRUE(DestroyIcon(icon));
  ii.hbmMask = nullptr;
  EXPECT_EQ(CreateIconIndirect(&ii), nullptr);
  DeleteObject(mask);
  DeleteObject(color);
}

} // namespace

namespace {

TEST_F(WinTest, CharactersFromTheBackendsLayoutReplaceTranslation) {
  HWND top = Top(0, 0, 100, 100);
  platform::PumpMessages();
  log.clear();
  // A Turkish keyboard's dotless i key: the backend sends the key without a character, then the character.
  platform::InjectKey(VK_OEM_1, true, false);
  platform::InjectChar(0xFD);
  platform::InjectKey(VK_OEM_1, false, false);
  platform::PumpMessages();
  auto chars = Only(WM_CHAR);
  ASSERT_EQ(chars.size(), 1u);
  EXPECT_EQ(chars[0].wParam, 0xFDu);
  EXPECT_EQ(chars[0].hwnd, top);
  EXPECT_EQ(Only(WM_KEYDOWN).size(), 1u);
}

TEST_F(WinTest, ClicksOnADisabledTopLevelWindowOnlySetTheCursorAndBeep) {
  HWND owner = Top(0, 0, 100, 100);
  HWND popup = Top(200, 0, 50, 50);
  EnableWindow(owner, FALSE);
  platform::PumpMessages();
  log.clear();
  Click(20, 20);
  platform::PumpMessages();
  EXPECT_TRUE(Only(WM_LBUTTONDOWN).empty());
  EXPECT_TRUE(Only(WM_MOUSEACTIVATE).empty());
  auto cursor = Only(WM_SETCURSOR);
  ASSERT_FALSE(cursor.empty());
  EXPECT_EQ(short(LOWORD(DWORD(cursor[0].lParam))), HTERROR);
  EXPECT_EQ(platform::BeepLog().size(), 1u);
  EXPECT_EQ(GetActiveWindow(), popup);
}

TEST_F(WinTest, ACaptionClickActivatesThroughTheDefaultProcedure) {
  HWND a = Top(0, 0, 100, 100, WS_POPUP | WS_VISIBLE | WS_CAPTION);
  HWND b = Top(200, 0, 100, 100);
  EXPECT_EQ(GetActiveWindow(), b);
  platform::PumpMessages();
  log.clear();
  Click(50, 10);
  platform::PumpMessages();
  auto ma = Only(WM_MOUSEACTIVATE);
  ASSERT_EQ(ma.size(), 1u);
  EXPECT_EQ(Seq({WM_NCLBUTTONDOWN, WM_ACTIVATE}).front(), (P{a, WM_NCLBUTTONDOWN})); // MA_NOACTIVATE first
  EXPECT_EQ(GetActiveWindow(), a);
}

} // namespace
