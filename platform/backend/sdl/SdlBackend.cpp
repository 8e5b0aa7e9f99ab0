#include "platform/backend/sdl/SdlBackend.h"

#include <SDL.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "platform/backend/headless/HeadlessBackend.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Surface.h"
#include "platform/rtl/Geometry.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/Clock.h"
#include "platform/win/Input.h"
#include "platform/win/Message.h"
#include "platform/win/Paint.h"
#include "platform/win/SystemMetrics.h"
#include "platform/win/Window.h"

namespace platform {

namespace {

int VirtualKeyOf(const SDL_Keysym& key) {
  SDL_Keycode k = key.sym;
  if (k >= SDLK_a && k <= SDLK_z)
    return 'A' + int(k - SDLK_a);
  if (k >= SDLK_0 && k <= SDLK_9)
    return '0' + int(k - SDLK_0);
  if (k >= SDLK_F1 && k <= SDLK_F12)
    return VK_F1 + int(k - SDLK_F1);
  switch (k) {
  case SDLK_BACKSPACE:
    return VK_BACK;
  case SDLK_TAB:
    return VK_TAB;
  case SDLK_RETURN:
  case SDLK_KP_ENTER:
    return VK_RETURN;
  case SDLK_ESCAPE:
    return VK_ESCAPE;
  case SDLK_SPACE:
    return VK_SPACE;
  case SDLK_PAGEUP:
    return VK_PRIOR;
  case SDLK_PAGEDOWN:
    return VK_NEXT;
  case SDLK_END:
    return VK_END;
  case SDLK_HOME:
    return VK_HOME;
  case SDLK_LEFT:
    return VK_LEFT;
  case SDLK_UP:
    return VK_UP;
  case SDLK_RIGHT:
    return VK_RIGHT;
  case SDLK_DOWN:
    return VK_DOWN;
  case SDLK_INSERT:
    return VK_INSERT;
  case SDLK_DELETE:
    return VK_DELETE;
  case SDLK_LSHIFT:
  case SDLK_RSHIFT:
    return VK_SHIFT;
  case SDLK_LCTRL:
  case SDLK_RCTRL:
    return VK_CONTROL;
  case SDLK_LALT:
  case SDLK_RALT:
    return VK_MENU;
  case SDLK_APPLICATION:
    return VK_APPS;
  case SDLK_MINUS:
    return VK_OEM_MINUS;
  case SDLK_EQUALS:
    return VK_OEM_PLUS;
  case SDLK_COMMA:
    return VK_OEM_COMMA;
  case SDLK_PERIOD:
    return VK_OEM_PERIOD;
  case SDLK_SLASH:
    return VK_OEM_2;
  case SDLK_SEMICOLON:
    return VK_OEM_1;
  case SDLK_BACKQUOTE:
    return VK_OEM_3;
  case SDLK_LEFTBRACKET:
    return VK_OEM_4;
  case SDLK_BACKSLASH:
    return VK_OEM_5;
  case SDLK_RIGHTBRACKET:
    return VK_OEM_6;
  case SDLK_QUOTE:
    return VK_OEM_7;
  default:
    break;
  }
  // Letters of other layouts (ı, ş, ğ …) have no key code of their own here: the key's place on a US
  // keyboard names it, and the character arrives as text input.
  SDL_Scancode sc = key.scancode;
  if (sc >= SDL_SCANCODE_A && sc <= SDL_SCANCODE_Z)
    return 'A' + int(sc - SDL_SCANCODE_A);
  switch (sc) {
  case SDL_SCANCODE_SEMICOLON:
    return VK_OEM_1;
  case SDL_SCANCODE_APOSTROPHE:
    return VK_OEM_7;
  case SDL_SCANCODE_LEFTBRACKET:
    return VK_OEM_4;
  case SDL_SCANCODE_RIGHTBRACKET:
    return VK_OEM_6;
  case SDL_SCANCODE_COMMA:
    return VK_OEM_COMMA;
  case SDL_SCANCODE_PERIOD:
    return VK_OEM_PERIOD;
  case SDL_SCANCODE_BACKSLASH:
    return VK_OEM_5;
  default:
    return 0;
  }
}

// Keys whose character SDL sends as text input; the rest (Enter, Tab, Backspace, Ctrl+letters) get their
// characters from the window manager's own translation.
bool SendsText(const SDL_Keysym& key) {
  if (key.mod & (KMOD_CTRL | KMOD_ALT))
    return false;
  SDL_Keycode k = key.sym;
  if (k == SDLK_SPACE)
    return true;
  if (k >= 0x21 && k < 0x7F)
    return true;
  return (k & SDLK_SCANCODE_MASK) == 0 && k >= 0xA0;
}

SDL_SystemCursor SystemCursorOf(int stockId) {
  switch (stockId) {
  case IDC_IBEAM_ID:
    return SDL_SYSTEM_CURSOR_IBEAM;
  case IDC_WAIT_ID:
    return SDL_SYSTEM_CURSOR_WAIT;
  case IDC_CROSS_ID:
    return SDL_SYSTEM_CURSOR_CROSSHAIR;
  case IDC_SIZENWSE_ID:
    return SDL_SYSTEM_CURSOR_SIZENWSE;
  case IDC_SIZENESW_ID:
    return SDL_SYSTEM_CURSOR_SIZENESW;
  case IDC_SIZEWE_ID:
    return SDL_SYSTEM_CURSOR_SIZEWE;
  case IDC_SIZENS_ID:
    return SDL_SYSTEM_CURSOR_SIZENS;
  case IDC_SIZEALL_ID:
    return SDL_SYSTEM_CURSOR_SIZEALL;
  case IDC_NO_ID:
    return SDL_SYSTEM_CURSOR_NO;
  case IDC_HAND_ID:
    return SDL_SYSTEM_CURSOR_HAND;
  case IDC_APPSTARTING_ID:
    return SDL_SYSTEM_CURSOR_WAITARROW;
  default:
    return SDL_SYSTEM_CURSOR_ARROW;
  }
}

// Top-level windows with a caption are framed by the desktop. This departs from the emulated platform, which
// draws its own caption: a window that a Linux desktop frames itself moves, minimises, closes and shows its
// focus exactly as its neighbours do, which a drawn caption handed to the desktop for moving only imitates.
bool WantsDesktopFrame(DWORD style) {
  return (style & WS_CAPTION) == WS_CAPTION && !(style & WS_CHILD);
}

MouseButton ButtonOf(Uint8 button) {
  if (button == SDL_BUTTON_RIGHT)
    return MouseButton::Right;
  if (button == SDL_BUTTON_MIDDLE)
    return MouseButton::Middle;
  return MouseButton::Left;
}

} // namespace

SdlBackend::SdlBackend() {
  previous_ = CurrentBackend();
  Clock::UseSystemTime();
  SDL_DisplayMode mode{};
  if (SDL_GetDesktopDisplayMode(0, &mode) == 0)
    screen_ = SIZE{mode.w, mode.h};
  else
    screen_ = SIZE{1024, 768};
  SDL_Rect usable{};
  if (SDL_GetDisplayUsableBounds(0, &usable) == 0)
    workArea_ = RECT{usable.x, usable.y, usable.x + usable.w, usable.y + usable.h};
  else
    workArea_ = RECT{0, 0, screen_.cx, screen_.cy};
  auto& m = Settings().metrics;
  m[SM_CXSCREEN] = m[SM_CXVIRTUALSCREEN] = m[SM_CXFULLSCREEN] = screen_.cx;
  m[SM_CYSCREEN] = m[SM_CYVIRTUALSCREEN] = screen_.cy;
  Settings().workArea = workArea_;
  gdi::SetScreenSize(screen_);
  // Closing the last window from the desktop must reach it as WM_CLOSE alone, so that it may refuse; SDL
  // would otherwise end the program with a quit event of its own.
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  SDL_StartTextInput();
  SetBackend(this);
  SetClipboardHost(this);
}

SdlBackend::~SdlBackend() {
  SetClipboardHost(nullptr);
  for (auto& [hwnd, shown] : windows_)
    SDL_DestroyWindow(shown.window);
  for (auto& [handle, cursor] : cursors_)
    SDL_FreeCursor(cursor);
  if (CurrentBackend() == this)
    SetBackend(previous_);
  SDL_Quit();
}

SDL_Window* SdlBackend::WindowOf(HWND hwnd) const {
  auto it = windows_.find(hwnd);
  return it == windows_.end() ? nullptr : it->second.window;
}

bool SdlBackend::HasDesktopFrame(HWND hwnd) const {
  auto it = windows_.find(hwnd);
  return it != windows_.end() && it->second.desktopFrame;
}

RECT SdlBackend::ShownArea(HWND hwnd, const RECT& windowRect, bool desktopFrame) const {
  if (!desktopFrame)
    return windowRect;
  // The platform's frame stays in the surface, where snapshots and WM_PRINT find it, but the desktop's frame
  // takes its place on the screen, so only the client area is shown.
  RECT window{}, client{};
  POINT origin{0, 0};
  GetWindowRect(hwnd, &window);
  GetClientRect(hwnd, &client);
  ClientToScreen(hwnd, &origin);
  POINT at{windowRect.left + origin.x - window.left, windowRect.top + origin.y - window.top};
  return RECT{at.x, at.y, at.x + client.right, at.y + client.bottom};
}

void SdlBackend::CreateSurfaceWindow(HWND hwnd, const RECT& r, DWORD style, DWORD exStyle) {
  const bool desktopFrame = WantsDesktopFrame(style);
  Uint32 flags = SDL_WINDOW_HIDDEN;
  if (!desktopFrame)
    flags |= SDL_WINDOW_BORDERLESS;
  else if (style & WS_THICKFRAME)
    flags |= SDL_WINDOW_RESIZABLE;
  if (exStyle & WS_EX_TOPMOST)
    flags |= SDL_WINDOW_ALWAYS_ON_TOP;
  if (exStyle & WS_EX_TOOLWINDOW)
    flags |= SDL_WINDOW_SKIP_TASKBAR;
  char title[256] = {};
  GetWindowTextA(hwnd, title, sizeof title);
  RECT area = ShownArea(hwnd, r, desktopFrame);
  RECT desktop{area.left, area.top, area.left + std::max<int>(1, RectWidth(area)),
               area.top + std::max<int>(1, RectHeight(area))};
  SDL_Window* window = SDL_CreateWindow(AnsiToUtf8(title).c_str(), desktop.left, desktop.top,
                                        RectWidth(desktop), RectHeight(desktop), flags);
  if (!window)
    throw Exception(AnsiString("SDL could not make a window: ") + SDL_GetError());
  // SDL may make the window anew the first time its surface is asked for (to draw it through the GPU); asked
  // here, that happens before the desktop has shown the window, so no window comes and goes on the screen.
  SDL_GetWindowSurface(window);
  SDL_SetWindowData(window, "pelvor.hwnd", hwnd);
  windows_[hwnd] = Shown{window, r, area, desktopFrame, desktop};
}

void SdlBackend::DestroySurfaceWindow(HWND hwnd) {
  auto it = windows_.find(hwnd);
  if (it == windows_.end())
    return;
  SDL_DestroyWindow(it->second.window);
  windows_.erase(it);
}

void SdlBackend::ShowSurfaceWindow(HWND hwnd, bool visible) {
  SDL_Window* window = WindowOf(hwnd);
  if (!window)
    return;
  if (visible) {
    char title[256] = {};
    GetWindowTextA(hwnd, title, sizeof title);
    SDL_SetWindowTitle(window, AnsiToUtf8(title).c_str());
    SDL_ShowWindow(window);
    PresentWholeWindowWithNextFrame(hwnd);
  } else {
    SDL_HideWindow(window);
  }
}

void SdlBackend::MoveSurfaceWindow(HWND hwnd, const RECT& r) {
  auto it = windows_.find(hwnd);
  if (it == windows_.end())
    return;
  Shown& shown = it->second;
  shown.rect = r;
  shown.area = ShownArea(hwnd, r, shown.desktopFrame);
  // A move that only follows the desktop finds the window where the desktop last said; asking again would
  // fight a desktop that is still moving it. SDL's own position is no judge: events handled late find SDL
  // already past them, and asking then would move the window back.
  RECT want{shown.area.left, shown.area.top, shown.area.left + std::max<int>(1, RectWidth(shown.area)),
            shown.area.top + std::max<int>(1, RectHeight(shown.area))};
  if (want.left != shown.desktop.left || want.top != shown.desktop.top)
    SDL_SetWindowPosition(shown.window, want.left, want.top);
  if (RectWidth(want) != RectWidth(shown.desktop) || RectHeight(want) != RectHeight(shown.desktop))
    SDL_SetWindowSize(shown.window, RectWidth(want), RectHeight(want));
  shown.desktop = want;
}

void SdlBackend::SetTopmost(HWND hwnd, bool topmost) {
  if (SDL_Window* window = WindowOf(hwnd))
    SDL_SetWindowAlwaysOnTop(window, topmost ? SDL_TRUE : SDL_FALSE);
}

void SdlBackend::SetOpacity(HWND hwnd, BYTE alpha) {
  if (SDL_Window* window = WindowOf(hwnd))
    SDL_SetWindowOpacity(window, float(alpha) / 255.0f);
}

void SdlBackend::MinimizeSurfaceWindow(HWND hwnd, bool minimized) {
  SDL_Window* window = WindowOf(hwnd);
  if (!window)
    return;
  // A state that only follows the desktop is there already. It is judged by the desktop's last word rather
  // than by SDL's flags: events handled late find SDL already past them, and asking then would minimise a
  // window the user has restored since. Restoring a window that is not minimised would also undo a maximise.
  bool& desktopMinimized = windows_.find(hwnd)->second.minimized;
  if (desktopMinimized == minimized)
    return;
  desktopMinimized = minimized;
  if (minimized)
    SDL_MinimizeWindow(window);
  else
    SDL_RestoreWindow(window);
}

void SdlBackend::Present(HWND hwnd, const RECT& dirty) {
  auto it = windows_.find(hwnd);
  const Surface* pixels = GetWindowSurface(hwnd);
  if (it == windows_.end() || !pixels || !(SDL_GetWindowFlags(it->second.window) & SDL_WINDOW_SHOWN))
    return;
  SDL_Window* window = it->second.window;
  const Shown& shown = it->second;
  // Window space to the SDL window's: the two differ by the platform's frame when the desktop draws its own.
  POINT offset{shown.area.left - shown.rect.left, shown.area.top - shown.rect.top};
  RECT part{};
  RECT visible{offset.x, offset.y, offset.x + RectWidth(shown.area), offset.y + RectHeight(shown.area)};
  if (!IntersectRect(&part, &dirty, &visible))
    return;
  SDL_Surface* target = SDL_GetWindowSurface(window);
  if (!target)
    return;
  int height = pixels->Height();
  auto stride =
      height > 1
          ? int(reinterpret_cast<const char*>(pixels->Row(1)) - reinterpret_cast<const char*>(pixels->Row(0)))
          : pixels->Width() * 4;
  SDL_Surface* source =
      SDL_CreateRGBSurfaceWithFormatFrom(const_cast<std::uint32_t*>(pixels->Row(0)), pixels->Width(), height,
                                         32, stride, SDL_PIXELFORMAT_RGB888);
  if (!source)
    return;
  SDL_Rect from{int(part.left), int(part.top), RectWidth(part), RectHeight(part)};
  SDL_Rect to{int(part.left - offset.x), int(part.top - offset.y), from.w, from.h};
  SDL_BlitSurface(source, &from, target, &to);
  SDL_FreeSurface(source);
  SDL_UpdateWindowSurfaceRects(window, &to, 1);
}

void SdlBackend::SetCursor(HCURSOR cursor) {
  if (!cursor) {
    SDL_ShowCursor(SDL_DISABLE);
    return;
  }
  SDL_ShowCursor(SDL_ENABLE);
  auto it = cursors_.find(cursor);
  if (it == cursors_.end()) {
    CursorInfo info{};
    SDL_Cursor* made = nullptr;
    std::vector<std::uint32_t> argb;
    if (GetCursorInfo(cursor, &info) && info.stockId == 0 && GetCursorPixels(cursor, &argb)) {
      SDL_Surface* image = SDL_CreateRGBSurfaceWithFormatFrom(argb.data(), info.width, info.height, 32,
                                                              info.width * 4, SDL_PIXELFORMAT_ARGB8888);
      if (image) {
        made = SDL_CreateColorCursor(image, info.hotSpot.x, info.hotSpot.y);
        SDL_FreeSurface(image);
      }
    }
    if (!made)
      made = SDL_CreateSystemCursor(SystemCursorOf(info.stockId));
    it = cursors_.emplace(cursor, made).first;
  }
  if (it->second)
    SDL_SetCursor(it->second);
}

HWND SdlBackend::HandleOf(unsigned windowId) const {
  SDL_Window* window = SDL_GetWindowFromID(windowId);
  return window ? static_cast<HWND>(SDL_GetWindowData(window, "pelvor.hwnd")) : nullptr;
}

POINT SdlBackend::ToScreen(unsigned windowId, int x, int y) const {
  HWND hwnd = HandleOf(windowId);
  auto it = windows_.find(hwnd);
  if (it == windows_.end())
    return POINT{x, y};
  return POINT{it->second.area.left + x, it->second.area.top + y};
}

bool SdlBackend::FollowDesktop(HWND hwnd, const void* windowEvent) {
  const auto& e = *static_cast<const SDL_WindowEvent*>(windowEvent);
  switch (e.event) {
  case SDL_WINDOWEVENT_MOVED:
    FollowDesktopMove(hwnd, e.data1, e.data2);
    return true;
  case SDL_WINDOWEVENT_SIZE_CHANGED:
    FollowDesktopResize(hwnd, e.data1, e.data2);
    return true;
  case SDL_WINDOWEVENT_MINIMIZED:
    FollowDesktopShowState(hwnd, true);
    return true;
  case SDL_WINDOWEVENT_RESTORED:
    FollowDesktopShowState(hwnd, false);
    return true;
  default:
    return false;
  }
}

void SdlBackend::FollowDesktopMove(HWND hwnd, int x, int y) {
  auto it = windows_.find(hwnd);
  if (it == windows_.end())
    return;
  OffsetRect(&it->second.desktop, x - it->second.desktop.left, y - it->second.desktop.top);
  int dx = x - it->second.area.left, dy = y - it->second.area.top;
  if (dx == 0 && dy == 0)
    return;
  RECT r{};
  GetWindowRect(hwnd, &r);
  SetWindowPos(hwnd, nullptr, r.left + dx, r.top + dy, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void SdlBackend::FollowDesktopResize(HWND hwnd, int width, int height) {
  auto it = windows_.find(hwnd);
  if (it == windows_.end() || width <= 0 || height <= 0)
    return;
  RECT& desktop = it->second.desktop;
  desktop.right = desktop.left + width;
  desktop.bottom = desktop.top + height;
  int dw = width - RectWidth(it->second.area), dh = height - RectHeight(it->second.area);
  if (dw == 0 && dh == 0)
    return;
  RECT r{};
  GetWindowRect(hwnd, &r);
  SetWindowPos(hwnd, nullptr, 0, 0, RectWidth(r) + dw, RectHeight(r) + dh,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void SdlBackend::FollowDesktopShowState(HWND hwnd, bool minimized) {
  if (auto it = windows_.find(hwnd); it != windows_.end())
    it->second.minimized = minimized;
  if ((IsIconic(hwnd) != FALSE) == minimized)
    return;
  // Activation is the desktop's to give: it arrives as a focus event of its own.
  ShowWindow(hwnd, minimized ? SW_SHOWMINNOACTIVE : SW_SHOWNOACTIVATE);
}

void SdlBackend::Ask(Request request, HWND hwnd) {
  waiting_.emplace_back(request, hwnd);
  PassWaitingRequests();
}

// A close chosen from the platform's own caption would come after the keys typed before it, and those keys
// would go to the window they were typed into. The desktop's requests would overtake them, a close as a
// posted message that the queue hands out ahead of input, an activation by moving the focus at once, so they
// wait here for that input, in the order they came.
bool SdlBackend::PassWaitingRequests() {
  if (waiting_.empty() || HasPendingInput())
    return false;
  // Activation runs handlers that may pump messages and come back here.
  auto requests = std::move(waiting_);
  waiting_.clear();
  for (auto [request, hwnd] : requests) {
    switch (request) {
    case Request::Activate:
      if (IsWindow(hwnd) && GetActiveWindow() != hwnd && IsWindowEnabled(hwnd))
        SetActiveWindow(hwnd);
      break;
    case Request::Close:
      PostMessageA(hwnd, WM_CLOSE, 0, 0);
      break;
    case Request::Quit:
      PostQuitMessage(0);
      break;
    case Request::Deactivate:
      if (GetActiveWindow())
        DeactivateApp();
      break;
    }
  }
  return true;
}

void SdlBackend::PollEvents() {
  PassWaitingRequests();
  SDL_Event event;
  while (SDL_PollEvent(&event))
    HandleEvent(&event);
}

bool SdlBackend::WaitEvents(DWORD timeoutMs) {
  if (PassWaitingRequests())
    return true;
  SDL_Event event;
  int got = timeoutMs == INFINITE ? SDL_WaitEvent(&event) : SDL_WaitEventTimeout(&event, int(timeoutMs));
  if (got)
    HandleEvent(&event);
  return true;
}

void SdlBackend::HandleEvent(const void* raw) {
  const auto& e = *static_cast<const SDL_Event*>(raw);
  switch (e.type) {
  case SDL_MOUSEMOTION: {
    POINT p = ToScreen(e.motion.windowID, e.motion.x, e.motion.y);
    InjectMouseMove(p.x, p.y);
    break;
  }
  case SDL_MOUSEBUTTONDOWN:
  case SDL_MOUSEBUTTONUP: {
    POINT p = ToScreen(e.button.windowID, e.button.x, e.button.y);
    InjectMouseButton(ButtonOf(e.button.button), e.type == SDL_MOUSEBUTTONDOWN, p.x, p.y);
    break;
  }
  case SDL_MOUSEWHEEL: {
    int x = 0, y = 0;
    SDL_GetMouseState(&x, &y);
    POINT p = ToScreen(e.wheel.windowID, x, y);
    int delta = e.wheel.y * 120;
    if (e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED)
      delta = -delta;
    if (delta != 0)
      InjectMouseWheel(delta, p.x, p.y);
    break;
  }
  case SDL_KEYDOWN:
  case SDL_KEYUP: {
    int vk = VirtualKeyOf(e.key.keysym);
    if (vk != 0)
      InjectKey(vk, e.type == SDL_KEYDOWN, !SendsText(e.key.keysym));
    break;
  }
  case SDL_TEXTINPUT:
    // Typed text comes as UTF-8; the program's characters are the code page's, and one it lacks becomes
    // the code page's default character.
    for (char c : Utf8ToAnsi(e.text.text))
      InjectChar(BYTE(c));
    break;
  case SDL_WINDOWEVENT: {
    HWND hwnd = HandleOf(e.window.windowID);
    if (!hwnd || FollowDesktop(hwnd, &e.window))
      break;
    if (e.window.event == SDL_WINDOWEVENT_EXPOSED) {
      PresentWholeWindowWithNextFrame(hwnd);
    } else if (e.window.event == SDL_WINDOWEVENT_CLOSE) {
      Ask(Request::Close, hwnd);
    } else if (e.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) {
      Ask(Request::Activate, hwnd);
    } else if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
      HandleFocusLost();
    } else if (e.window.event == SDL_WINDOWEVENT_LEAVE) {
      HandlePointerLeft();
    }
    break;
  }
  case SDL_QUIT:
    // A termination signal or the end of the desktop session: the message loop ends as at the end of a
    // Windows session, and the program shuts down in order instead of dying.
    Ask(Request::Quit, nullptr);
    break;
  default:
    break;
  }
}

bool SdlBackend::EventPendingForOwnWindow(unsigned char windowEvent) const {
  SDL_Event pending[32];
  const int n = SDL_PeepEvents(pending, 32, SDL_PEEKEVENT, SDL_WINDOWEVENT, SDL_WINDOWEVENT);
  for (int i = 0; i < n; ++i)
    if (pending[i].window.event == windowEvent && HandleOf(pending[i].window.windowID))
      return true;
  return false;
}

void SdlBackend::HandleFocusLost() {
  // Moving between two windows of the application loses the focus of one just before the other gains it.
  if (EventPendingForOwnWindow(SDL_WINDOWEVENT_FOCUS_GAINED))
    return;
  if (SDL_Window* focus = SDL_GetKeyboardFocus(); focus && HandleOf(SDL_GetWindowID(focus)))
    return;
  // Keys still waiting for the window must reach it before the application lets the focus go.
  Ask(Request::Deactivate, nullptr);
}

void SdlBackend::HandlePointerLeft() {
  if (EventPendingForOwnWindow(SDL_WINDOWEVENT_ENTER))
    return;
  if (SDL_Window* over = SDL_GetMouseFocus(); over && HandleOf(SDL_GetWindowID(over)))
    return;
  InjectMouseLeave();
}

std::optional<WideString> SdlBackend::ReadText() {
  if (!SDL_HasClipboardText())
    return std::nullopt;
  char* text = SDL_GetClipboardText();
  if (!text)
    return std::nullopt;
  WideString wide = Utf8ToWide(text);
  SDL_free(text);
  return wide;
}

void SdlBackend::WriteText(std::u16string_view text) {
  SDL_SetClipboardText(WideToUtf8(text).c_str());
}

void SdlBackend::Clear() {
  SDL_SetClipboardText("");
}

std::unique_ptr<Backend> CreateDisplayBackend() {
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  bool display = (x11 && *x11) || (wayland && *wayland);
  if (display && SDL_Init(SDL_INIT_VIDEO) == 0)
    return std::make_unique<SdlBackend>();
  return std::make_unique<HeadlessBackend>();
}

} // namespace platform
