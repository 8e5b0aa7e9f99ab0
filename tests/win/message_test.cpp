#include "win_fixture.h"

#include <string>

namespace {

using P = std::pair<HWND, UINT>;

std::vector<std::string> hookTrace;
HHOOK hookA, hookB;

TEST_F(WinTest, CallWndProcHooksSeeSentMessagesFirstNewestFirst) {
  hookTrace.clear();
  HWND h = Top(0, 0, 10, 10, WS_POPUP);
  hookA = SetWindowsHookExA(
      WH_CALLWNDPROC,
      [](int code, WPARAM w, LPARAM l) -> LRESULT {
        auto* cwp = reinterpret_cast<CWPSTRUCT*>(l);
        if (cwp->message == WM_USER)
          hookTrace.push_back("A");
        return CallNextHookEx(hookA, code, w, l);
      },
      nullptr, GetCurrentThreadId());
  hookB = SetWindowsHookExA(
      WH_CALLWNDPROC,
      [](int code, WPARAM w, LPARAM l) -> LRESULT {
        auto* cwp = reinterpret_cast<CWPSTRUCT*>(l);
        if (cwp->message == WM_USER)
          hookTrace.push_back("B" + std::to_string(cwp->wParam));
        return CallNextHookEx(hookB, code, w, l);
      },
      nullptr, GetCurrentThreadId());
  overrides[h] = [](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_USER)
      hookTrace.push_back("proc");
    return std::nullopt;
  };
  SendMessageA(h, WM_USER, 7, 0);
  EXPECT_EQ(hookTrace, (std::vector<std::string>{"B7", "A", "proc"}));

  // Posted messages reach the procedure without the call hook.
  hookTrace.clear();
  PostMessageA(h, WM_USER, 1, 0);
  platform::PumpMessages();
  EXPECT_EQ(hookTrace, (std::vector<std::string>{"proc"}));

  EXPECT_TRUE(UnhookWindowsHookEx(hookB));
  EXPECT_FALSE(UnhookWindowsHookEx(hookB));
  hookTrace.clear();
  SendMessageA(h, WM_USER, 7, 0);
  EXPECT_EQ(hookTrace, (std::vector<std::string>{"A", "proc"}));
  UnhookWindowsHookEx(hookA);
  EXPECT_EQ(SetWindowsHookExA(99, nullptr, nullptr, 0), nullptr);
}

TEST_F(WinTest, AHookMayUnhookItselfDuringItsOwnCall) {
  hookTrace.clear();
  HWND h = Top(0, 0, 10, 10, WS_POPUP);
  hookA = SetWindowsHookExA(
      WH_CALLWNDPROC,
      [](int code, WPARAM w, LPARAM l) -> LRESULT {
        hookTrace.push_back("A");
        return CallNextHookEx(hookA, code, w, l);
      },
      nullptr, 0);
  hookB = SetWindowsHookExA(
      WH_CALLWNDPROC,
      [](int code, WPARAM w, LPARAM l) -> LRESULT {
        hookTrace.push_back("B");
        UnhookWindowsHookEx(hookB);
        return CallNextHookEx(hookB, code, w, l); // still reaches the hook after it
      },
      nullptr, 0);
  SendMessageA(h, WM_USER, 0, 0);
  SendMessageA(h, WM_USER, 0, 0);
  EXPECT_EQ(hookTrace, (std::vector<std::string>{"B", "A", "A"}));
  UnhookWindowsHookEx(hookA);
}

TEST_F(WinTest, GetMessageHookMayRewriteAMessage) {
  HWND h = Top(0, 0, 10, 10, WS_POPUP);
  static std::vector<WPARAM> removeFlags;
  removeFlags.clear();
  hookA = SetWindowsHookExA(
      WH_GETMESSAGE,
      [](int code, WPARAM w, LPARAM l) -> LRESULT {
        auto* msg = reinterpret_cast<MSG*>(l);
        if (msg->message == WM_SYSKEYDOWN) {
          removeFlags.push_back(w);
          if (w == PM_REMOVE)
            msg->message = WM_NULL;
        }
        return CallNextHookEx(hookA, code, w, l);
      },
      nullptr, 0);
  PostMessageA(h, WM_SYSKEYDOWN, VK_MENU, 0);
  MSG m;
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(m.message, UINT(WM_SYSKEYDOWN)); // a peek without removal is not rewritten here
  ASSERT_TRUE(GetMessageA(&m, nullptr, 0, 0));
  EXPECT_EQ(m.message, UINT(WM_NULL));
  EXPECT_EQ(removeFlags, (std::vector<WPARAM>{PM_NOREMOVE, PM_REMOVE}));
  UnhookWindowsHookEx(hookA);
}

TEST_F(WinTest, QueueOrderIsPostedThenInputThenPaintThenTimers) {
  HWND h = Top(0, 0, 50, 50, WS_POPUP | WS_VISIBLE);
  platform::PumpMessages();
  SetTimer(h, 1, 10, nullptr);
  platform::Clock::AdvanceTime(10);
  InvalidateRect(h, nullptr, FALSE);
  platform::InjectKey('A', true);
  PostMessageA(h, WM_USER, 0, 0);
  PostMessageA(h, WM_USER + 1, 0, 0);
  std::vector<UINT> order;
  MSG m;
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
    order.push_back(m.message);
    DispatchMessageA(&m);
    if (m.message == WM_TIMER)
      KillTimer(h, 1);
  }
  EXPECT_EQ(order, (std::vector<UINT>{WM_USER, WM_USER + 1, WM_KEYDOWN, WM_PAINT, WM_TIMER}));
}

TEST_F(WinTest, PeekFiltersByWindowAndRange) {
  HWND a = Top(0, 0, 10, 10, WS_POPUP);
  HWND b = Top(0, 0, 10, 10, WS_POPUP);
  HWND bChild = Child(b, 0, 0, 5, 5, WS_CHILD);
  PostMessageA(a, WM_USER, 1, 0);
  PostMessageA(bChild, WM_USER + 5, 2, 0);
  PostMessageA(nullptr, WM_APP, 3, 0);
  MSG m;
  EXPECT_FALSE(PeekMessageA(&m, b, WM_USER, WM_USER, PM_NOREMOVE));
  ASSERT_TRUE(PeekMessageA(&m, b, 0, 0, PM_REMOVE)); // children of the filter window match
  EXPECT_EQ(m.wParam, 2u);
  ASSERT_TRUE(PeekMessageA(&m, reinterpret_cast<HWND>(std::intptr_t(-1)), 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, UINT(WM_APP));
  EXPECT_EQ(m.hwnd, nullptr);
  ASSERT_TRUE(PeekMessageA(&m, nullptr, WM_USER, WM_USER + 10, PM_NOREMOVE));
  ASSERT_TRUE(PeekMessageA(&m, nullptr, WM_USER, WM_USER + 10, PM_REMOVE));
  EXPECT_EQ(m.hwnd, a);
  EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(WinTest, NestedModalLoopEndsOnAPostedMessage) {
  HWND h = Top(0, 0, 10, 10, WS_POPUP);
  static int dispatched;
  dispatched = 0;
  overrides[h] = [](HWND hwnd, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_USER) {
      // A modal loop of its own that runs until WM_APP arrives, as popups and drag loops do.
      ++dispatched;
      PostMessageA(hwnd, WM_USER + 1, 0, 0);
      SetTimer(hwnd, 5, 100, nullptr);
      MSG msg;
      while (GetMessageA(&msg, nullptr, 0, 0)) {
        if (msg.message == WM_APP)
          return 1;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
      }
      return 2;
    }
    if (m == WM_TIMER) {
      KillTimer(hwnd, 5);
      PostMessageA(hwnd, WM_APP, 0, 0);
    }
    if (m == WM_USER + 1)
      ++dispatched;
    return std::nullopt;
  };
  DWORD before = platform::Clock::Now();
  EXPECT_EQ(SendMessageA(h, WM_USER, 0, 0), 1);
  EXPECT_EQ(dispatched, 2);
  // The loop had nothing to do but wait for the timer, so manual time moved to it.
  EXPECT_EQ(platform::Clock::Now() - before, 100u);
}

TEST_F(WinTest, QuitEndsGetMessageAfterPostedMessages) {
  HWND h = Top(0, 0, 10, 10, WS_POPUP);
  PostQuitMessage(3);
  PostMessageA(h, WM_USER, 0, 0);
  MSG m;
  EXPECT_TRUE(GetMessageA(&m, nullptr, 0, 0));
  EXPECT_EQ(m.message, UINT(WM_USER));
  EXPECT_FALSE(GetMessageA(&m, nullptr, 0, 0));
  EXPECT_EQ(m.message, UINT(WM_QUIT));
  EXPECT_EQ(m.wParam, 3u);
}

TEST_F(WinTest, ALoopWithNothingToWaitForFailsInsteadOfHanging) {
  MSG m;
  EXPECT_THROW(GetMessageA(&m, nullptr, 0, 0), std::runtime_error);
  int calls = 0;
  platform::SetIdleHandler([&] {
    ++calls;
    PostQuitMessage(0);
    return true;
  });
  EXPECT_FALSE(GetMessageA(&m, nullptr, 0, 0));
  EXPECT_EQ(calls, 1);
}

TEST_F(WinTest, TimersFireByTheClockAndCoalesce) {
  HWND h = Top(0, 0, 10, 10, WS_POPUP);
  EXPECT_EQ(SetTimer(h, 7, 400, nullptr), 7u);
  MSG m;
  platform::Clock::AdvanceTime(399);
  EXPECT_FALSE(PeekMessageA(&m, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
  platform::Clock::AdvanceTime(1);
  ASSERT_TRUE(PeekMessageA(&m, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
  EXPECT_EQ(m.hwnd, h);
  EXPECT_EQ(m.wParam, 7u);
  // Three missed periods still make one message.
  platform::Clock::AdvanceTime(1200);
  EXPECT_TRUE(PeekMessageA(&m, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
  EXPECT_FALSE(PeekMessageA(&m, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
  // Resetting the same id restarts its period.
  platform::Clock::AdvanceTime(300);
  SetTimer(h, 7, 60, nullptr);
  platform::Clock::AdvanceTime(59);
  EXPECT_FALSE(PeekMessageA(&m, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
  platform::Clock::AdvanceTime(1);
  EXPECT_TRUE(PeekMessageA(&m, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
  EXPECT_TRUE(KillTimer(h, 7));
  EXPECT_FALSE(KillTimer(h, 7));
  platform::Clock::AdvanceTime(1000);
  EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(WinTest, TimerProceduresRunFromDispatchAndThreadTimersGetFreshIds) {
  static std::vector<UINT_PTR> fired;
  fired.clear();
  TIMERPROC proc = [](HWND, UINT msg, UINT_PTR id, DWORD) {
    EXPECT_EQ(msg, UINT(WM_TIMER));
    fired.push_back(id);
  };
  UINT_PTR a = SetTimer(nullptr, 0, 20, proc);
  UINT_PTR b = SetTimer(nullptr, 0, 30, proc);
  EXPECT_NE(a, 0u);
  EXPECT_NE(a, b);
  platform::Clock::AdvanceTime(30);
  platform::PumpMessages();
  EXPECT_EQ(fired, (std::vector<UINT_PTR>{a, b}));
  KillTimer(nullptr, a);
  KillTimer(nullptr, b);
  // A WM_TIMER naming a procedure that is no timer's is not called.
  fired.clear();
  MSG forged{nullptr, WM_TIMER, 99, reinterpret_cast<LPARAM>(proc), 0, {}};
  DispatchMessageA(&forged);
  EXPECT_TRUE(fired.empty());
}

TEST_F(WinTest, DestroyingAWindowDropsItsTimersAndPostedMessages) {
  HWND h = Top(0, 0, 10, 10, WS_POPUP);
  SetTimer(h, 1, 10, nullptr);
  PostMessageA(h, WM_USER, 0, 0);
  DestroyWindow(h);
  platform::Clock::AdvanceTime(50);
  MSG m;
  EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
}

} // namespace

namespace {

// The shape of the library's popup: shown without activation above its owner, a modal loop that runs while it
// is visible, thread hooks that close it on a click elsewhere and keep Alt keys from the owner.
constexpr UINT closePopup = WM_APP + 101;
HWND popupWindow;
HHOOK mouseHook, getMessageHook;

TEST_F(WinTest, APopupsModalLoopEndsWhenItsMouseHookSeesAClickOutside) {
  HWND owner = Top(0, 0, 300, 300);
  popupWindow = Top(50, 50, 100, 100, WS_POPUP, WS_EX_TOPMOST | WS_EX_TOOLWINDOW);
  overrides[popupWindow] = [](HWND hwnd, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (m == closePopup) {
      ShowWindow(hwnd, SW_HIDE);
      return 0;
    }
    return std::nullopt;
  };
  mouseHook = SetWindowsHookExA(
      WH_MOUSE,
      [](int code, WPARAM w, LPARAM l) -> LRESULT {
        auto* mh = reinterpret_cast<MOUSEHOOKSTRUCT*>(l);
        if (code == HC_ACTION && (w == WM_LBUTTONDOWN || w == WM_NCLBUTTONDOWN) && mh->hwnd != popupWindow &&
            IsWindowVisible(popupWindow)) {
          PostMessageA(popupWindow, closePopup, 0, 0);
          return 1; // the click that closes the popup does not reach the window under it
        }
        return CallNextHookEx(mouseHook, code, w, l);
      },
      nullptr, GetCurrentThreadId());
  getMessageHook = SetWindowsHookExA(
      WH_GETMESSAGE,
      [](int code, WPARAM w, LPARAM l) -> LRESULT {
        auto* msg = reinterpret_cast<MSG*>(l);
        if (w == PM_REMOVE && msg->message == WM_SYSKEYDOWN && IsWindowVisible(popupWindow))
          msg->message = WM_NULL;
        return CallNextHookEx(getMessageHook, code, w, l);
      },
      nullptr, GetCurrentThreadId());

  SetWindowPos(popupWindow, HWND_TOPMOST, 0, 0, 0, 0,
               SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  EXPECT_EQ(GetActiveWindow(), owner);
  EXPECT_EQ(WindowFromPoint(POINT{60, 60}), popupWindow);
  platform::SetIdleHandler([step = 0]() mutable {
    if (step++ == 0) {
      platform::InjectKey(VK_MENU, true);
      platform::InjectKey('F', true);
      platform::InjectKey('F', false);
      platform::InjectKey(VK_MENU, false);
    } else {
      platform::InjectMouseButton(platform::MouseButton::Left, true, 250, 250);
      platform::InjectMouseButton(platform::MouseButton::Left, false, 250, 250);
    }
    return true;
  });
  log.clear();
  MSG m;
  while (IsWindowVisible(popupWindow) && GetMessageA(&m, nullptr, 0, 0)) {
    TranslateMessage(&m);
    DispatchMessageA(&m);
  }
  EXPECT_FALSE(IsWindowVisible(popupWindow));
  EXPECT_TRUE(Only(WM_SYSKEYDOWN).empty());
  EXPECT_TRUE(Only(WM_SYSCHAR).empty());
  EXPECT_EQ(Only(WM_SYSKEYUP).size(), 2u);
  EXPECT_TRUE(Only(WM_LBUTTONDOWN).empty());
  EXPECT_TRUE(Only(WM_LBUTTONUP).empty()); // the up is not eaten by the hook, but the loop ended first
  platform::PumpMessages();
  EXPECT_EQ(Only(WM_LBUTTONUP).size(), 1u);
  UnhookWindowsHookEx(mouseHook);
  UnhookWindowsHookEx(getMessageHook);
}

} // namespace
