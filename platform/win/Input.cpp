#include "platform/win/Input.h"
#include "platform/rtl/Geometry.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <vector>

#include "platform/gdi/Bitmap.h"
#include "platform/win/Backend.h"
#include "platform/win/Clock.h"
#include "platform/win/Message.h"
#include "platform/win/SystemMetrics.h"
#include "platform/win/Window.h"
#include "platform/win/WindowManager.h"

using namespace platform::detail;

namespace {

struct CursorRecord {
  platform::CursorInfo info;
  std::vector<std::uint32_t> argb; // transparent where the mask leaves the screen alone
};

// Monochrome planes combine as the platform does: AND 1 XOR 0 keeps the screen, AND 0 gives the XOR colour,
// and AND 1 XOR 1 inverts the screen, which an image cannot show and becomes opaque black.
std::uint32_t MonoCursorPixel(bool andBit, bool xorBit) {
  if (andBit)
    return xorBit ? 0xFF000000u : 0u;
  return xorBit ? 0xFFFFFFFFu : 0xFF000000u;
}

std::map<std::uintptr_t, CursorRecord>& Cursors() {
  static std::map<std::uintptr_t, CursorRecord> cursors;
  return cursors;
}
std::uintptr_t nextCursor = 0x2000000;
constexpr std::uintptr_t stockCursorBase = 0x1000000;

const int stockCursorIds[] = {IDC_ARROW_ID,       IDC_IBEAM_ID,    IDC_WAIT_ID,     IDC_CROSS_ID,
                              IDC_UPARROW_ID,     IDC_SIZENWSE_ID, IDC_SIZENESW_ID, IDC_SIZEWE_ID,
                              IDC_SIZENS_ID,      IDC_SIZEALL_ID,  IDC_NO_ID,       IDC_HAND_ID,
                              IDC_APPSTARTING_ID, IDC_HELP_ID};

bool KeyDown(int vk) {
  return S().keyState[size_t(vk & 0xFF)] & 0x80;
}

void SetKey(std::array<BYTE, 256>& state, int vk, bool down) {
  BYTE& b = state[size_t(vk & 0xFF)];
  if (down) {
    if (!(b & 0x80))
      b ^= 0x01;
    b |= 0x80;
  } else {
    b &= BYTE(~0x80);
  }
}

// The generic shift keys follow their left and right variants, which tests and backends may send instead.
int GenericKey(int vk) {
  switch (vk) {
  case VK_LSHIFT:
  case VK_RSHIFT:
    return VK_SHIFT;
  case VK_LCONTROL:
  case VK_RCONTROL:
    return VK_CONTROL;
  case VK_LMENU:
  case VK_RMENU:
    return VK_MENU;
  default:
    return vk;
  }
}

void ApplyKey(std::array<BYTE, 256>& state, int vk, bool down) {
  SetKey(state, vk, down);
  int generic = GenericKey(vk);
  if (generic != vk)
    SetKey(state, generic, down);
}

int ButtonKey(int button) {
  static const int keys[] = {VK_LBUTTON, VK_RBUTTON, VK_MBUTTON};
  return keys[button];
}

WPARAM MouseKeys(const std::array<BYTE, 256>& state) {
  WPARAM k = 0;
  if (state[VK_LBUTTON] & 0x80)
    k |= MK_LBUTTON;
  if (state[VK_RBUTTON] & 0x80)
    k |= MK_RBUTTON;
  if (state[VK_MBUTTON] & 0x80)
    k |= MK_MBUTTON;
  if (state[VK_SHIFT] & 0x80)
    k |= MK_SHIFT;
  if (state[VK_CONTROL] & 0x80)
    k |= MK_CONTROL;
  return k;
}

// Set-1 scan codes of the keys a US keyboard has; the rest report 0.
int ScanCode(int vk) {
  static const std::map<int, int> codes = {
      {VK_ESCAPE, 0x01},    {'1', 0x02},           {'2', 0x03},         {'3', 0x04},        {'4', 0x05},
      {'5', 0x06},          {'6', 0x07},           {'7', 0x08},         {'8', 0x09},        {'9', 0x0A},
      {'0', 0x0B},          {VK_OEM_MINUS, 0x0C},  {VK_OEM_PLUS, 0x0D}, {VK_BACK, 0x0E},    {VK_TAB, 0x0F},
      {'Q', 0x10},          {'W', 0x11},           {'E', 0x12},         {'R', 0x13},        {'T', 0x14},
      {'Y', 0x15},          {'U', 0x16},           {'I', 0x17},         {'O', 0x18},        {'P', 0x19},
      {VK_OEM_4, 0x1A},     {VK_OEM_6, 0x1B},      {VK_RETURN, 0x1C},   {VK_CONTROL, 0x1D}, {'A', 0x1E},
      {'S', 0x1F},          {'D', 0x20},           {'F', 0x21},         {'G', 0x22},        {'H', 0x23},
      {'J', 0x24},          {'K', 0x25},           {'L', 0x26},         {VK_OEM_1, 0x27},   {VK_OEM_7, 0x28},
      {VK_OEM_3, 0x29},     {VK_SHIFT, 0x2A},      {VK_OEM_5, 0x2B},    {'Z', 0x2C},        {'X', 0x2D},
      {'C', 0x2E},          {'V', 0x2F},           {'B', 0x30},         {'N', 0x31},        {'M', 0x32},
      {VK_OEM_COMMA, 0x33}, {VK_OEM_PERIOD, 0x34}, {VK_OEM_2, 0x35},    {VK_MENU, 0x38},    {VK_SPACE, 0x39},
      {VK_CAPITAL, 0x3A},   {VK_F1, 0x3B},         {VK_F10, 0x44},      {VK_HOME, 0x47},    {VK_UP, 0x48},
      {VK_PRIOR, 0x49},     {VK_LEFT, 0x4B},       {VK_RIGHT, 0x4D},    {VK_END, 0x4F},     {VK_DOWN, 0x50},
      {VK_NEXT, 0x51},      {VK_INSERT, 0x52},     {VK_DELETE, 0x53},
  };
  auto it = codes.find(GenericKey(vk));
  return it == codes.end() ? 0 : it->second;
}

bool ExtendedKey(int vk) {
  switch (vk) {
  case VK_INSERT:
  case VK_DELETE:
  case VK_HOME:
  case VK_END:
  case VK_PRIOR:
  case VK_NEXT:
  case VK_LEFT:
  case VK_RIGHT:
  case VK_UP:
  case VK_DOWN:
  case VK_RCONTROL:
  case VK_RMENU:
  case VK_DIVIDE:
    return true;
  default:
    return false;
  }
}

// The character a US keyboard gives for the key, or -1.
int CharForKey(int vk, bool shift, bool ctrl, bool caps) {
  if (ctrl) {
    if (vk >= 'A' && vk <= 'Z')
      return vk - 'A' + 1;
    switch (vk) {
    case VK_OEM_4:
      return 27;
    case VK_OEM_5:
      return 28;
    case VK_OEM_6:
      return 29;
    case '6':
      return shift ? 30 : -1;
    case VK_OEM_MINUS:
      return shift ? 31 : -1;
    case '2':
      return shift ? 0 : -1;
    case VK_BACK:
      return 127;
    case VK_RETURN:
      return 10;
    case VK_ESCAPE:
      return 27;
    case VK_SPACE:
      return ' ';
    default:
      return -1;
    }
  }
  switch (vk) {
  case VK_BACK:
    return 8;
  case VK_TAB:
    return 9;
  case VK_RETURN:
    return 13;
  case VK_ESCAPE:
    return 27;
  case VK_SPACE:
    return ' ';
  default:
    break;
  }
  if (vk >= 'A' && vk <= 'Z')
    return (shift != caps) ? vk : vk - 'A' + 'a';
  if (vk >= '0' && vk <= '9')
    return shift ? ")!@#$%^&*("[vk - '0'] : vk;
  if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD0 + 9)
    return '0' + (vk - VK_NUMPAD0);
  struct Pair {
    int vk;
    char plain, shifted;
  };
  static const Pair oem[] = {
      {VK_OEM_1, ';', ':'},      {VK_OEM_PLUS, '=', '+'}, {VK_OEM_COMMA, ',', '<'}, {VK_OEM_MINUS, '-', '_'},
      {VK_OEM_PERIOD, '.', '>'}, {VK_OEM_2, '/', '?'},    {VK_OEM_3, '`', '~'},     {VK_OEM_4, '[', '{'},
      {VK_OEM_5, '\\', '|'},     {VK_OEM_6, ']', '}'},    {VK_OEM_7, '\'', '"'},    {VK_MULTIPLY, '*', '*'},
      {VK_ADD, '+', '+'},        {VK_SUBTRACT, '-', '-'}, {VK_DECIMAL, '.', '.'},   {VK_DIVIDE, '/', '/'}};
  for (const auto& p : oem)
    if (p.vk == vk)
      return shift ? p.shifted : p.plain;
  return -1;
}

struct Cooked {
  MSG msg{};
  int hit = HTCLIENT;
  UINT downMessage = 0; // the plain button-down message before double-click translation
  bool doubleClick = false;
  bool dropped = false; // HTNOWHERE or HTERROR: only the cursor is set
};

bool CookMouse(const RawInput& ev, Cooked& out) {
  auto& s = S();
  out.msg.time = ev.time;
  out.msg.pt = ev.pt;
  HWND target;
  int hit = HTCLIENT;
  if (W(s.capture)) {
    target = s.capture;
  } else {
    target = platform::HitTestPoint(ev.pt, &hit);
    if (!target)
      return false;
    // A disabled top-level window (the owner of a modal popup) takes no mouse input; it only sets the cursor.
    if (W(TopLevelOf(target))->style & WS_DISABLED)
      hit = HTERROR;
  }
  out.msg.hwnd = target;
  out.hit = hit;
  if (hit == HTNOWHERE || hit == HTERROR)
    out.dropped = true;
  if (ev.kind == InputKind::Wheel) {
    // The wheel goes to the window under the pointer, as on the desktops this runs on and on Windows since
    // version 10, where classic Windows sent it to the focus window; the focus stays. A window holding the
    // capture gets it like the rest of the mouse, as a pointer grab does on X. A window the mouse cannot
    // reach gets nothing, not even a cursor.
    if (out.dropped)
      return false;
    out.msg.message = WM_MOUSEWHEEL;
    out.msg.wParam = MAKEWPARAM(int(MouseKeys(s.keyState)), ev.delta);
    out.msg.lParam = MAKELPARAM(ev.pt.x, ev.pt.y);
    return true;
  }
  bool client = hit == HTCLIENT;
  std::array<BYTE, 256> keys = s.keyState;
  UINT message;
  if (ev.kind == InputKind::MouseMove) {
    message = client ? WM_MOUSEMOVE : WM_NCMOUSEMOVE;
  } else {
    bool down = ev.kind == InputKind::ButtonDown;
    ApplyKey(keys, ButtonKey(ev.button), down);
    UINT base = client ? WM_LBUTTONDOWN : WM_NCLBUTTONDOWN;
    message = base + UINT(ev.button) * 3 + (down ? 0 : 1);
    if (down) {
      out.downMessage = message;
      bool allowed = !client || (W(target)->cls->style & CS_DBLCLKS);
      const auto& last = s.lastClick;
      int cx = GetSystemMetrics(SM_CXDOUBLECLK), cy = GetSystemMetrics(SM_CYDOUBLECLK);
      if (allowed && last.message == message && last.hwnd == target &&
          (ev.time - last.time) < GetDoubleClickTime() && std::abs(ev.pt.x - last.pt.x) < cx / 2 + cx % 2 &&
          std::abs(ev.pt.y - last.pt.y) < cy / 2 + cy % 2) {
        message += 2;
        out.doubleClick = true;
      }
    }
  }
  out.msg.message = message;
  if (client) {
    POINT p = ev.pt;
    ScreenToClient(target, &p);
    out.msg.wParam = MouseKeys(keys);
    out.msg.lParam = MAKELPARAM(p.x, p.y);
  } else {
    out.msg.wParam = WPARAM(hit);
    out.msg.lParam = MAKELPARAM(ev.pt.x, ev.pt.y);
  }
  return true;
}

bool CookKey(const RawInput& ev, Cooked& out) {
  auto& s = S();
  HWND target = W(s.focus) ? s.focus : s.active;
  if (!W(target))
    return false;
  if (ev.kind == InputKind::Char) {
    out.msg = MSG{target, WM_CHAR, WPARAM(ev.ch), 1, ev.time, s.cursorPos};
    return true;
  }
  bool down = ev.kind == InputKind::KeyDown;
  bool alt = KeyDown(VK_MENU) || GenericKey(ev.vk) == VK_MENU;
  bool ctrl = KeyDown(VK_CONTROL);
  bool sys = (alt && !ctrl) || ev.vk == VK_F10 || !W(s.focus);
  out.msg.hwnd = target;
  out.msg.time = ev.time;
  out.msg.pt = s.cursorPos;
  out.msg.message = down ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
  out.msg.wParam = WPARAM(GenericKey(ev.vk));
  DWORD lp = 1u | (DWORD(ScanCode(ev.vk)) << 16);
  if (ExtendedKey(ev.vk))
    lp |= 1u << 24;
  if (alt && sys)
    lp |= 1u << 29;
  if (!down || ev.repeat)
    lp |= 1u << 30;
  if (!down)
    lp |= 1u << 31;
  out.msg.lParam = LPARAM(lp);
  return true;
}

bool IsMouse(const RawInput& ev) {
  return ev.kind != InputKind::KeyDown && ev.kind != InputKind::KeyUp && ev.kind != InputKind::Char;
}

bool Matches(const MSG& m, HWND filter, UINT min, UINT max) {
  if (min || max)
    if (m.message < min || m.message > max)
      return false;
  if (filter && m.hwnd != filter && !IsChild(filter, m.hwnd))
    return false;
  return true;
}

void NotifyParentsOfClick(HWND target, const MSG& msg) {
  Wnd* w = W(target);
  UINT base = msg.message;
  if (base == WM_LBUTTONDBLCLK || base == WM_RBUTTONDBLCLK || base == WM_MBUTTONDBLCLK)
    base -= 2;
  while (w && (w->style & WS_CHILD) && !(w->exStyle & WS_EX_NOPARENTNOTIFY)) {
    HWND parent = w->parent;
    POINT p = msg.pt;
    ScreenToClient(parent, &p);
    SendMessageA(parent, WM_PARENTNOTIFY, MAKEWPARAM(int(base), 0), MAKELPARAM(p.x, p.y));
    w = W(parent);
  }
}

// Runs what the removal of a mouse message sets off; false when the message is eaten or its window died.
bool CommitMouse(const RawInput& ev, Cooked& c) {
  auto& s = S();
  HWND target = c.msg.hwnd;
  if (ev.kind == InputKind::ButtonDown || ev.kind == InputKind::ButtonUp)
    ApplyKey(s.keyState, ButtonKey(ev.button), ev.kind == InputKind::ButtonDown);
  if (ev.kind == InputKind::Wheel)
    return W(target) != nullptr;
  bool captured = W(s.capture) != nullptr;
  bool eat = false;
  if (ev.kind == InputKind::ButtonDown) {
    if (c.doubleClick)
      s.lastClick = ClickState{};
    else
      s.lastClick = ClickState{c.downMessage, target, ev.time, ev.pt};
    if (!captured && !c.dropped) {
      if (c.hit == HTCLIENT)
        NotifyParentsOfClick(target, c.msg);
      HWND top = TopLevelOf(target);
      if (W(target) && top && top != s.active) {
        // The message id in lParam is the client-area one even for a click on the frame.
        UINT raw = WM_LBUTTONDOWN + UINT(ev.button) * 3;
        LRESULT r = SendMessageA(target, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(top),
                                 MAKELPARAM(c.hit, int(raw)));
        if (r == MA_ACTIVATE || r == MA_ACTIVATEANDEAT)
          ActivateWindow(top, WA_CLICKACTIVE, true);
        eat = r == MA_ACTIVATEANDEAT || r == MA_NOACTIVATEANDEAT;
      }
    }
  }
  if (!captured && W(target)) {
    UINT mouseMsg = c.downMessage ? c.downMessage : c.msg.message;
    if (c.hit != HTCLIENT && c.msg.message == WM_NCMOUSEMOVE)
      mouseMsg = WM_MOUSEMOVE;
    if (c.msg.message >= WM_NCMOUSEMOVE && c.msg.message <= WM_NCMBUTTONDBLCLK && c.downMessage)
      mouseMsg = WM_LBUTTONDOWN + (c.downMessage - WM_NCLBUTTONDOWN);
    SendMessageA(target, WM_SETCURSOR, reinterpret_cast<WPARAM>(target), MAKELPARAM(c.hit, int(mouseMsg)));
  }
  return !eat && !c.dropped && W(target) != nullptr;
}

void CommitKey(const RawInput& ev, const MSG& msg) {
  if (ev.kind == InputKind::Char)
    return;
  ApplyKey(S().keyState, ev.vk, ev.kind == InputKind::KeyDown);
  if (!ev.translates)
    S().untranslated = msg;
}

void Push(RawInput ev) {
  auto& s = S();
  ev.time = platform::Clock::Now();
  ev.serial = s.nextInputSerial++;
  if (ev.kind == InputKind::MouseMove && !s.input.empty() && s.input.back().kind == InputKind::MouseMove) {
    s.input.back() = ev;
    return;
  }
  s.input.push_back(ev);
}

} // namespace

namespace platform {

void InjectMouseMove(int x, int y) {
  auto& s = S();
  s.cursorPos = POINT{x, y};
  Push(RawInput{InputKind::MouseMove, POINT{x, y}});
}

void InjectMouseLeave() {
  InjectMouseMove(OffScreenCursorPos.x, OffScreenCursorPos.y);
}

void InjectMouseButton(MouseButton button, bool down, int x, int y) {
  auto& s = S();
  s.cursorPos = POINT{x, y};
  RawInput ev{down ? InputKind::ButtonDown : InputKind::ButtonUp, POINT{x, y}};
  ev.button = int(button);
  ApplyKey(s.asyncKeyState, ButtonKey(ev.button), down);
  Push(ev);
}

void InjectMouseWheel(int delta, int x, int y) {
  auto& s = S();
  s.cursorPos = POINT{x, y};
  RawInput ev{InputKind::Wheel, POINT{x, y}};
  ev.delta = delta;
  Push(ev);
}

void InjectKey(int vk, bool down, bool producesChar) {
  auto& s = S();
  RawInput ev{down ? InputKind::KeyDown : InputKind::KeyUp, s.cursorPos};
  ev.vk = vk & 0xFF;
  ev.translates = producesChar;
  ev.repeat = down && (s.asyncKeyState[size_t(ev.vk)] & 0x80);
  ApplyKey(s.asyncKeyState, ev.vk, down);
  Push(ev);
}

void InjectChar(BYTE ch) {
  RawInput ev{InputKind::Char, S().cursorPos};
  ev.ch = ch;
  Push(ev);
}

bool HasPendingInput() {
  return !S().input.empty();
}

bool GetCursorPixels(HCURSOR cursor, std::vector<std::uint32_t>* argb) {
  auto it = Cursors().find(reinterpret_cast<std::uintptr_t>(cursor));
  if (it == Cursors().end() || !argb)
    return false;
  *argb = it->second.argb;
  return true;
}

bool GetCursorInfo(HCURSOR cursor, CursorInfo* info) {
  auto v = reinterpret_cast<std::uintptr_t>(cursor);
  if (!info)
    return false;
  if (v > stockCursorBase && v < stockCursorBase + 0x10000) {
    int id = int(v - stockCursorBase);
    *info = CursorInfo{id, 32, 32, POINT{}};
    return true;
  }
  auto it = Cursors().find(v);
  if (it == Cursors().end())
    return false;
  *info = it->second.info;
  return true;
}

void DeactivateApp() {
  detail::ActivateWindow(nullptr, WA_INACTIVE, true);
}

namespace detail {

void ActivateWindow(HWND hwnd, int how, bool moveFocus) {
  auto& s = S();
  if (hwnd && (!W(hwnd) || !IsTopLevel(W(hwnd))))
    return;
  if (hwnd == s.active)
    return;
  if (!hwnd) {
    DoActivate(nullptr, how, moveFocus);
    return;
  }
  // The z-order move brackets the activation: WM_WINDOWPOSCHANGING comes first and WM_WINDOWPOSCHANGED last,
  // with the activation messages run by SetWindowPos between them.
  s.pendingActivation = PendingActivation{hwnd, how, moveFocus};
  SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  if (s.pendingActivation.hwnd == hwnd) {
    s.pendingActivation = PendingActivation{};
    DoActivate(hwnd, how, moveFocus);
  }
}

void DoActivate(HWND hwnd, int how, bool moveFocus) {
  auto& s = S();
  if (hwnd && (!W(hwnd) || !IsTopLevel(W(hwnd))))
    return;
  if (hwnd == s.active)
    return;
  HWND old = s.active;
  s.active = hwnd;
  if (W(old)) {
    SendMessageA(old, WM_NCACTIVATE, FALSE, reinterpret_cast<LPARAM>(hwnd));
    if (W(old))
      SendMessageA(old, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, IsIconic(old) ? 1 : 0),
                   reinterpret_cast<LPARAM>(hwnd));
  }
  if (s.active != hwnd)
    return;
  if (hwnd && !s.appActive) {
    s.appActive = true;
    BroadcastToTopLevel(WM_ACTIVATEAPP, TRUE, 0);
  } else if (!hwnd && s.appActive) {
    s.appActive = false;
    BroadcastToTopLevel(WM_ACTIVATEAPP, FALSE, 0);
  }
  if (hwnd && W(hwnd) && s.active == hwnd) {
    SendMessageA(hwnd, WM_NCACTIVATE, TRUE, 0);
    if (W(hwnd) && s.active == hwnd) {
      bool saved = s.suppressActivateFocus;
      s.suppressActivateFocus = !moveFocus;
      SendMessageA(hwnd, WM_ACTIVATE, MAKEWPARAM(how, IsIconic(hwnd) ? 1 : 0), reinterpret_cast<LPARAM>(old));
      s.suppressActivateFocus = saved;
    }
  }
  if (!hwnd && s.focus)
    SetFocus(nullptr);
}

void ForgetWindow(HWND hwnd) {
  auto& s = S();
  if (s.capture && (s.capture == hwnd || IsChild(hwnd, s.capture)))
    ReleaseCapture();
  // The platform drops the focus of a destroyed window without a message; the active window keeps none.
  if (s.focus && (s.focus == hwnd || IsChild(hwnd, s.focus)))
    s.focus = nullptr;
  if (s.active == hwnd)
    s.active = nullptr;
  if (s.lastClick.hwnd == hwnd)
    s.lastClick = ClickState{};
}

bool TakeInput(MSG* msg, HWND filter, UINT filterMin, UINT filterMax, bool remove, bool* retry) {
  auto& s = S();
  *retry = false;
  auto relocate = [&](const RawInput& ev, size_t& i) {
    auto at = std::find_if(s.input.begin(), s.input.end(),
                           [&](const RawInput& r) { return r.serial == ev.serial; });
    if (at == s.input.end())
      return false;
    i = size_t(at - s.input.begin());
    return true;
  };
  for (size_t i = 0; i < s.input.size();) {
    RawInput ev = s.input[i];
    Cooked c;
    // Cooking sends WM_NCHITTEST, whose handler may run a message loop of its own and take events away.
    bool ok = IsMouse(ev) ? CookMouse(ev, c) : CookKey(ev, c);
    if (!relocate(ev, i)) {
      i = 0;
      continue;
    }
    if (!ok) {
      s.input.erase(s.input.begin() + std::ptrdiff_t(i));
      continue;
    }
    if (!c.dropped && !Matches(c.msg, filter, filterMin, filterMax)) {
      ++i;
      continue;
    }
    if (IsMouse(ev) && !c.dropped && HasHooks(WH_MOUSE)) {
      MOUSEHOOKSTRUCT mh{ev.pt, c.msg.hwnd, UINT(c.hit), 0};
      LRESULT swallow =
          CallHooks(WH_MOUSE, remove ? HC_ACTION : HC_NOREMOVE, c.msg.message, reinterpret_cast<LPARAM>(&mh));
      if (!relocate(ev, i)) {
        i = 0;
        continue;
      }
      if (swallow) {
        // A swallowed button still changes the button state the program sees.
        if (ev.kind == InputKind::ButtonDown || ev.kind == InputKind::ButtonUp)
          ApplyKey(s.keyState, ButtonKey(ev.button), ev.kind == InputKind::ButtonDown);
        s.input.erase(s.input.begin() + std::ptrdiff_t(i));
        *retry = true;
        return false;
      }
    }
    if (!remove && !c.dropped) {
      *msg = c.msg;
      return true;
    }
    s.input.erase(s.input.begin() + std::ptrdiff_t(i));
    if (IsMouse(ev)) {
      if (!CommitMouse(ev, c)) {
        *retry = true;
        return false;
      }
    } else {
      CommitKey(ev, c.msg);
    }
    if (!W(c.msg.hwnd))
      continue;
    *msg = c.msg;
    return true;
  }
  return false;
}

void ResetInput() {
  Cursors().clear();
}

} // namespace detail
} // namespace platform

HWND SetCapture(HWND hwnd) {
  auto& s = S();
  if (hwnd && !W(hwnd))
    return nullptr;
  HWND old = W(s.capture) ? s.capture : nullptr;
  s.capture = hwnd;
  if (old && old != hwnd)
    SendMessageA(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hwnd));
  return old;
}

BOOL ReleaseCapture() {
  auto& s = S();
  HWND old = s.capture;
  s.capture = nullptr;
  if (W(old))
    SendMessageA(old, WM_CAPTURECHANGED, 0, 0);
  return TRUE;
}

HWND GetCapture() {
  return W(S().capture) ? S().capture : nullptr;
}

HWND SetFocus(HWND hwnd) {
  auto& s = S();
  HWND old = W(s.focus) ? s.focus : nullptr;
  if (!hwnd) {
    s.focus = nullptr;
    if (old)
      SendMessageA(old, WM_KILLFOCUS, 0, 0);
    return old;
  }
  if (!W(hwnd))
    return nullptr;
  for (Wnd* w = W(hwnd); w && w->handle != s.desktop; w = W(w->parent))
    if (w->style & (WS_DISABLED | WS_MINIMIZE))
      return nullptr;
  HWND top = TopLevelOf(hwnd);
  if (top != s.active && W(top) && IsTopLevel(W(top))) {
    platform::detail::ActivateWindow(top, WA_ACTIVE, false);
    if (s.active != top || !W(hwnd))
      return nullptr;
  }
  old = W(s.focus) ? s.focus : nullptr;
  if (old == hwnd)
    return old;
  s.focus = hwnd;
  if (old)
    SendMessageA(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
  if (s.focus != hwnd || !W(hwnd))
    return old;
  SendMessageA(hwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
  return old;
}

HWND GetFocus() {
  return W(S().focus) ? S().focus : nullptr;
}

HWND SetActiveWindow(HWND hwnd) {
  auto& s = S();
  HWND old = W(s.active) ? s.active : nullptr;
  if (hwnd && (!W(hwnd) || !IsTopLevel(W(hwnd))))
    return nullptr;
  platform::detail::ActivateWindow(hwnd, WA_ACTIVE, true);
  return old;
}

HWND GetActiveWindow() {
  return W(S().active) ? S().active : nullptr;
}

BOOL SetForegroundWindow(HWND hwnd) {
  HWND top = TopLevelOf(hwnd);
  if (!top || !IsTopLevel(W(top)))
    return FALSE;
  platform::detail::ActivateWindow(top, WA_ACTIVE, true);
  return TRUE;
}

HWND GetForegroundWindow() {
  auto& s = S();
  return s.appActive ? GetActiveWindow() : nullptr;
}

SHORT GetKeyState(int vk) {
  BYTE b = S().keyState[size_t(vk & 0xFF)];
  return SHORT(((b & 0x80) ? 0x8000 : 0) | (b & 0x01));
}

SHORT GetAsyncKeyState(int vk) {
  BYTE b = S().asyncKeyState[size_t(vk & 0xFF)];
  return SHORT((b & 0x80) ? 0x8000 : 0);
}

BOOL GetKeyboardState(BYTE* state) {
  if (!state)
    return FALSE;
  std::copy(S().keyState.begin(), S().keyState.end(), state);
  return TRUE;
}

BOOL SetKeyboardState(const BYTE* state) {
  if (!state)
    return FALSE;
  std::copy(state, state + 256, S().keyState.begin());
  return TRUE;
}

BOOL GetCursorPos(POINT* pt) {
  if (!pt)
    return FALSE;
  *pt = S().cursorPos;
  return TRUE;
}

BOOL SetCursorPos(int x, int y) {
  platform::InjectMouseMove(x, y);
  return TRUE;
}

HCURSOR SetCursor(HCURSOR cursor) {
  auto& s = S();
  HCURSOR old = s.cursor;
  if (old != cursor) {
    s.cursor = cursor;
    if (s.backend)
      s.backend->SetCursor(cursor);
  }
  return old;
}

HCURSOR GetCursor() {
  return S().cursor;
}

HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name) {
  // The program carries no cursor resources; its own cursors are built with CreateCursor.
  if (instance || !IS_INTRESOURCE(name))
    return nullptr;
  int id = int(reinterpret_cast<std::uintptr_t>(name));
  for (int known : stockCursorIds)
    if (known == id)
      return reinterpret_cast<HCURSOR>(stockCursorBase + std::uintptr_t(id));
  return nullptr;
}

HCURSOR CreateCursor(HINSTANCE, int xHotSpot, int yHotSpot, int width, int height, const void* andPlane,
                     const void* xorPlane) {
  if (width <= 0 || height <= 0 || width > 256 || height > 256 || !andPlane || !xorPlane)
    return nullptr;
  CursorRecord rec;
  rec.info = platform::CursorInfo{0, width, height, POINT{xHotSpot, yHotSpot}};
  // Rows of the planes are padded to 16 bits, as monochrome bitmaps are.
  size_t stride = size_t((width + 15) / 16 * 2);
  auto* a = static_cast<const BYTE*>(andPlane);
  auto* x = static_cast<const BYTE*>(xorPlane);
  for (int y = 0; y < height; ++y)
    for (int col = 0; col < width; ++col) {
      size_t byte = size_t(y) * stride + size_t(col / 8);
      int bit = 7 - col % 8;
      rec.argb.push_back(MonoCursorPixel((a[byte] >> bit) & 1, (x[byte] >> bit) & 1));
    }
  std::uintptr_t h = nextCursor++;
  Cursors()[h] = std::move(rec);
  return reinterpret_cast<HCURSOR>(h);
}

HICON CreateIconIndirect(const ICONINFO* info) {
  auto* mask = info ? gdi::LookupBitmap(info->hbmMask) : nullptr;
  if (!mask)
    return nullptr;
  auto* color = info->hbmColor ? gdi::LookupBitmap(info->hbmColor) : nullptr;
  if (info->hbmColor && !color)
    return nullptr;
  // Without a colour bitmap the mask holds the AND plane above the XOR plane.
  int width = mask->Width();
  int height = color ? mask->Height() : mask->Height() / 2;
  if (width <= 0 || height <= 0 || (color && (color->Width() != width || color->Height() < height)))
    return nullptr;
  CursorRecord rec;
  POINT hot = info->fIcon ? POINT{width / 2, height / 2} : POINT{LONG(info->xHotspot), LONG(info->yHotspot)};
  rec.info = platform::CursorInfo{0, width, height, hot};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      bool andBit = mask->surface->Pixel(x, y) & 0xFFFFFF;
      if (color) {
        rec.argb.push_back(andBit ? 0u : (0xFF000000u | color->surface->Pixel(x, y)));
      } else {
        bool xorBit = mask->surface->Pixel(x, y + height) & 0xFFFFFF;
        rec.argb.push_back(MonoCursorPixel(andBit, xorBit));
      }
    }
  std::uintptr_t h = nextCursor++;
  Cursors()[h] = std::move(rec);
  return reinterpret_cast<HICON>(h);
}

BOOL DestroyCursor(HCURSOR cursor) {
  auto v = reinterpret_cast<std::uintptr_t>(cursor);
  if (v > stockCursorBase && v < stockCursorBase + 0x10000)
    return TRUE;
  if (!Cursors().erase(v))
    return FALSE;
  if (S().cursor == cursor)
    SetCursor(nullptr);
  return TRUE;
}

BOOL DestroyIcon(HICON icon) {
  return DestroyCursor(icon);
}

BOOL TranslateMessage(const MSG* msg) {
  if (!msg || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN))
    return FALSE;
  const MSG& u = S().untranslated;
  if (u.hwnd == msg->hwnd && u.message == msg->message && u.wParam == msg->wParam &&
      u.lParam == msg->lParam && u.time == msg->time)
    return TRUE;
  int vk = int(msg->wParam);
  bool shift = KeyDown(VK_SHIFT);
  bool ctrl = KeyDown(VK_CONTROL);
  bool alt = KeyDown(VK_MENU);
  bool caps = S().keyState[VK_CAPITAL] & 0x01;
  // Ctrl+Alt is AltGr on the keyboards that have it; the US layout gives no character for it.
  int ch = (ctrl && alt) ? -1 : CharForKey(vk, shift, ctrl, caps);
  if (ch < 0)
    return TRUE;
  PostMessageA(msg->hwnd, msg->message == WM_SYSKEYDOWN ? WM_SYSCHAR : WM_CHAR, WPARAM(ch), msg->lParam);
  return TRUE;
}
