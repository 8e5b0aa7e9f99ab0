#include "platform/win/Message.h"

#include <algorithm>
#include <stdexcept>
#include <thread>

#include "platform/win/Backend.h"
#include "platform/win/Caret.h"
#include "platform/win/Clock.h"
#include "platform/win/DefWindowProc.h"
#include "platform/win/Input.h"
#include "platform/win/Paint.h"
#include "platform/win/Window.h"
#include "platform/win/WindowManager.h"

using namespace platform::detail;

namespace {

std::function<bool()>& IdleHandler() {
  static std::function<bool()> handler;
  return handler;
}

bool Due(DWORD now, DWORD due) {
  return LONG(now - due) >= 0;
}

bool InRange(UINT msg, UINT min, UINT max) {
  if (min == 0 && max == 0)
    return true;
  return msg >= min && msg <= max;
}

bool MatchesWindow(HWND msgHwnd, HWND filter) {
  if (!filter)
    return true;
  if (filter == reinterpret_cast<HWND>(std::intptr_t(-1)))
    return msgHwnd == nullptr;
  return msgHwnd == filter || IsChild(filter, msgHwnd);
}

void RunGetMessageHook(MSG* msg, bool remove) {
  if (platform::HasHooks(WH_GETMESSAGE))
    platform::CallHooks(WH_GETMESSAGE, HC_ACTION, remove ? PM_REMOVE : PM_NOREMOVE,
                        reinterpret_cast<LPARAM>(msg));
}

bool TakePosted(MSG* msg, HWND hwnd, UINT min, UINT max, bool remove) {
  auto& q = S().posted;
  for (auto it = q.begin(); it != q.end(); ++it) {
    if (!InRange(it->message, min, max) || !MatchesWindow(it->hwnd, hwnd))
      continue;
    *msg = *it;
    if (remove)
      q.erase(it);
    return true;
  }
  return false;
}

bool TakeTimer(MSG* msg, HWND hwnd, UINT min, UINT max, bool remove) {
  if (!InRange(WM_TIMER, min, max))
    return false;
  auto& s = S();
  DWORD now = platform::Clock::Now();
  Timer* best = nullptr;
  for (auto& t : s.timers) {
    if (!Due(now, t.due) || !MatchesWindow(t.hwnd, hwnd))
      continue;
    if (!best || LONG(t.due - best->due) < 0)
      best = &t;
  }
  if (!best)
    return false;
  *msg = MSG{best->hwnd, WM_TIMER, best->id, reinterpret_cast<LPARAM>(best->proc), now, s.cursorPos};
  if (remove)
    best->due = now + best->interval;
  return true;
}

// The batch of input being handled is done: no message waits and no window waits to be painted.
bool Settled() {
  return S().posted.empty() && !platform::HasPendingInput() && !platform::detail::FindWindowToPaint(nullptr);
}

bool Fetch(MSG* msg, HWND hwnd, UINT min, UINT max, UINT flags) {
  auto& s = S();
  bool remove = flags & PM_REMOVE;
  if (s.backend)
    s.backend->PollEvents();
  platform::detail::CaretTick();
  MSG m{};
  bool found = false;
  bool retry = true;
  while (!found && retry) {
    retry = false;
    if (TakePosted(&m, hwnd, min, max, remove)) {
      found = true;
    } else if (s.quitPending && InRange(WM_QUIT, min, max)) {
      m = MSG{nullptr, WM_QUIT, WPARAM(s.quitCode), 0, platform::Clock::Now(), s.cursorPos};
      if (remove)
        s.quitPending = false;
      found = true;
    } else if (platform::detail::TakeInput(&m, hwnd, min, max, remove, &retry)) {
      found = true;
    }
  }
  if (!found && InRange(WM_PAINT, min, max)) {
    HWND painter = platform::detail::FindWindowToPaint(hwnd);
    if (painter) {
      m = MSG{painter, WM_PAINT, 0, 0, platform::Clock::Now(), s.cursorPos};
      found = true;
    }
  }
  // The window reaches the screen once per batch, whole, before a timer or a wait starts the next one.
  if (!found && Settled())
    platform::detail::PresentPaintedWindows();
  if (!found)
    found = TakeTimer(&m, hwnd, min, max, remove);
  if (!found)
    return false;
  RunGetMessageHook(&m, remove);
  *msg = m;
  if (remove)
    s.lastMessage = m;
  return true;
}

// The loop sleeps until input comes, a timer is due or the caret is to blink, whichever is first.
DWORD NextWakeDelay() {
  auto& s = S();
  DWORD now = platform::Clock::Now();
  DWORD best = platform::detail::NextCaretBlinkDelay();
  for (auto& t : s.timers) {
    DWORD d = Due(now, t.due) ? 0 : t.due - now;
    best = std::min(best, d);
  }
  return best;
}

void WaitForSomething() {
  auto& s = S();
  DWORD delay = NextWakeDelay();
  if (s.backend && s.backend->WaitEvents(delay))
    return;
  if (IdleHandler() && IdleHandler()())
    return;
  if (delay != platform::INFINITE) {
    if (platform::Clock::IsManual())
      platform::Clock::AdvanceTime(delay);
    else
      std::this_thread::sleep_for(std::chrono::milliseconds(delay));
    return;
  }
  throw std::runtime_error("the message loop would wait forever: no input, no timer and no backend");
}

constexpr const char* kUtilWindowClass = "PelvorUtilWindow";

LRESULT HiddenWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Wnd* w = W(hwnd);
  if (w && w->handler) {
    auto handler = w->handler;
    return handler(hwnd, msg, wParam, lParam);
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

} // namespace

LRESULT CallWindowProcA(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (!proc)
    return 0;
  return proc(hwnd, msg, wParam, lParam);
}

LRESULT SendMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (hwnd == HWND_BROADCAST) {
    platform::BroadcastToTopLevel(msg, wParam, lParam);
    return 0;
  }
  Wnd* w = W(hwnd);
  if (!w)
    return 0;
  if (platform::HasHooks(WH_CALLWNDPROC)) {
    CWPSTRUCT cwp{lParam, wParam, msg, hwnd};
    platform::CallHooks(WH_CALLWNDPROC, HC_ACTION, 1, reinterpret_cast<LPARAM>(&cwp));
    if (!(w = W(hwnd)))
      return 0;
  }
  LRESULT result = w->proc ? w->proc(hwnd, msg, wParam, lParam) : 0;
  if (platform::HasHooks(WH_CALLWNDPROCRET)) {
    CWPRETSTRUCT ret{result, lParam, wParam, msg, hwnd};
    platform::CallHooks(WH_CALLWNDPROCRET, HC_ACTION, 1, reinterpret_cast<LPARAM>(&ret));
  }
  return result;
}

BOOL SendNotifyMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (hwnd != HWND_BROADCAST && !W(hwnd))
    return FALSE;
  SendMessageA(hwnd, msg, wParam, lParam);
  return TRUE;
}

BOOL PostMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto& s = S();
  if (hwnd == HWND_BROADCAST) {
    for (HWND h : W(s.desktop)->children)
      s.posted.push_back(MSG{h, msg, wParam, lParam, platform::Clock::Now(), s.cursorPos});
    return TRUE;
  }
  if (hwnd && !W(hwnd))
    return FALSE;
  s.posted.push_back(MSG{hwnd, msg, wParam, lParam, platform::Clock::Now(), s.cursorPos});
  return TRUE;
}

DWORD GetCurrentThreadId() {
  return 1;
}

BOOL PostThreadMessageA(DWORD threadId, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (threadId != GetCurrentThreadId())
    return FALSE;
  return PostMessageA(nullptr, msg, wParam, lParam);
}

void PostQuitMessage(int exitCode) {
  auto& s = S();
  s.quitPending = true;
  s.quitCode = exitCode;
}

BOOL PeekMessageA(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags) {
  if (!msg)
    return FALSE;
  return Fetch(msg, hwnd, filterMin, filterMax, removeFlags) ? TRUE : FALSE;
}

BOOL GetMessageA(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax) {
  if (!msg || (hwnd && hwnd != reinterpret_cast<HWND>(std::intptr_t(-1)) && !W(hwnd)))
    return -1;
  for (;;) {
    if (Fetch(msg, hwnd, filterMin, filterMax, PM_REMOVE))
      return msg->message == WM_QUIT ? FALSE : TRUE;
    WaitForSomething();
  }
}

BOOL WaitMessage() {
  MSG m;
  if (!Fetch(&m, nullptr, 0, 0, PM_NOREMOVE))
    WaitForSomething();
  return TRUE;
}

LRESULT DispatchMessageA(const MSG* msg) {
  if (!msg)
    return 0;
  auto& s = S();
  if (msg->message == WM_TIMER && msg->lParam) {
    // Only a live timer's own procedure is called, so a forged lParam cannot run arbitrary code.
    auto proc = reinterpret_cast<TIMERPROC>(msg->lParam);
    bool live = std::any_of(s.timers.begin(), s.timers.end(), [&](const Timer& t) {
      return t.hwnd == msg->hwnd && t.id == msg->wParam && t.proc == proc;
    });
    if (live)
      proc(msg->hwnd, WM_TIMER, msg->wParam, platform::Clock::Now());
    return 0;
  }
  Wnd* w = W(msg->hwnd);
  if (!w || !w->proc)
    return 0;
  LRESULT r = w->proc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
  if (msg->message == WM_PAINT)
    platform::detail::FinishUnpaintedFrame(msg->hwnd);
  return r;
}

BOOL InSendMessage() {
  return FALSE;
}

DWORD GetMessageTime() {
  return S().lastMessage.time;
}

DWORD GetMessagePos() {
  POINT p = S().lastMessage.pt;
  return MAKELONG(WORD(p.x), WORD(p.y));
}

HHOOK SetWindowsHookExA(int type, HOOKPROC proc, HINSTANCE, DWORD threadId) {
  if (!proc || (threadId != 0 && threadId != GetCurrentThreadId()))
    return nullptr;
  if (type != WH_GETMESSAGE && type != WH_CALLWNDPROC && type != WH_CALLWNDPROCRET && type != WH_MOUSE)
    return nullptr;
  auto& s = S();
  auto hook = std::make_shared<Hook>();
  hook->type = type;
  hook->proc = proc;
  hook->handle = reinterpret_cast<HHOOK>(s.nextHook++);
  auto& chain = s.hooks[size_t(type)];
  chain.insert(chain.begin(), hook);
  return hook->handle;
}

namespace {
void PurgeRemovedHooks() {
  auto& s = S();
  if (!s.hooksRemoved)
    return;
  s.hooksRemoved = false;
  for (auto& chain : s.hooks)
    chain.erase(std::remove_if(chain.begin(), chain.end(), [](auto& h) { return h->removed; }), chain.end());
}

std::shared_ptr<Hook> NextLive(const std::vector<std::shared_ptr<Hook>>& chain, size_t from) {
  for (size_t i = from; i < chain.size(); ++i)
    if (!chain[i]->removed)
      return chain[i];
  return nullptr;
}

LRESULT Invoke(const std::shared_ptr<Hook>& hook, int code, WPARAM wParam, LPARAM lParam) {
  auto& s = S();
  ++s.hookDepth;
  LRESULT r;
  try {
    r = hook->proc(code, wParam, lParam);
  } catch (...) {
    if (--s.hookDepth == 0)
      PurgeRemovedHooks();
    throw;
  }
  if (--s.hookDepth == 0)
    PurgeRemovedHooks();
  return r;
}
} // namespace

BOOL UnhookWindowsHookEx(HHOOK hook) {
  auto& s = S();
  for (auto& chain : s.hooks)
    for (auto& h : chain)
      if (h->handle == hook && !h->removed) {
        h->removed = true;
        s.hooksRemoved = true;
        if (s.hookDepth == 0)
          PurgeRemovedHooks();
        return TRUE;
      }
  return FALSE;
}

LRESULT CallNextHookEx(HHOOK hook, int code, WPARAM wParam, LPARAM lParam) {
  auto& s = S();
  for (auto& chain : s.hooks)
    for (size_t i = 0; i < chain.size(); ++i)
      if (chain[i]->handle == hook) {
        auto next = NextLive(chain, i + 1);
        return next ? Invoke(next, code, wParam, lParam) : 0;
      }
  return 0;
}

namespace platform {

bool HasHooks(int type) {
  auto& chain = detail::S().hooks[size_t(type)];
  return std::any_of(chain.begin(), chain.end(), [](auto& h) { return !h->removed; });
}

LRESULT CallHooks(int type, int code, WPARAM wParam, LPARAM lParam) {
  auto& chain = detail::S().hooks[size_t(type)];
  auto first = NextLive(chain, 0);
  return first ? Invoke(first, code, wParam, lParam) : 0;
}

void BroadcastToTopLevel(UINT msg, WPARAM wParam, LPARAM lParam) {
  std::vector<HWND> tops = W(detail::S().desktop)->children;
  for (HWND h : tops)
    if (W(h))
      SendMessageA(h, msg, wParam, lParam);
}

int PumpMessages() {
  int count = 0;
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(int(msg.wParam));
      break;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
    if (++count > 1000000)
      throw std::logic_error("the message queue does not empty: a window keeps asking to be painted");
  }
  return count;
}

void SetIdleHandler(std::function<bool()> handler) {
  IdleHandler() = std::move(handler);
}

} // namespace platform

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc) {
  auto& s = S();
  if (hwnd && !W(hwnd))
    return 0;
  elapse = std::clamp<UINT>(elapse, 10, 0x7FFFFFFF);
  DWORD due = platform::Clock::Now() + elapse;
  for (auto& t : s.timers)
    if (t.hwnd == hwnd && t.id == id && (hwnd || id)) {
      t.interval = elapse;
      t.due = due;
      t.proc = proc;
      return hwnd ? (id ? id : 1) : id;
    }
  if (!hwnd) {
    do
      id = s.nextTimerId++;
    while (
        std::any_of(s.timers.begin(), s.timers.end(), [&](const Timer& t) { return !t.hwnd && t.id == id; }));
  }
  s.timers.push_back(Timer{hwnd, id, elapse, due, proc});
  return hwnd ? (id ? id : 1) : id;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
  auto& t = S().timers;
  auto it = std::find_if(t.begin(), t.end(), [&](const Timer& x) { return x.hwnd == hwnd && x.id == id; });
  if (it == t.end())
    return FALSE;
  t.erase(it);
  return TRUE;
}

namespace platform::detail {

void RegisterUtilWindowClass() {
  WNDCLASSA wc{};
  wc.lpfnWndProc = HiddenWindowProc;
  wc.lpszClassName = kUtilWindowClass;
  RegisterClassA(&wc);
}

} // namespace platform::detail

HWND AllocateHWnd(std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)> handler) {
  // A hidden top-level popup rather than a message-only window, so that broadcasts reach it.
  HWND h = CreateWindowExA(WS_EX_TOOLWINDOW, kUtilWindowClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                           nullptr, nullptr);
  if (Wnd* w = W(h))
    w->handler = std::move(handler);
  return h;
}

void DeallocateHWnd(HWND hwnd) {
  if (Wnd* w = W(hwnd))
    w->handler = nullptr;
  DestroyWindow(hwnd);
}
