#pragma once
// The window manager's state for the one user-interface thread: the handle table, classes, the queue,
// hooks, timers, focus, capture and the input state. Units of this folder share it; nothing above uses it.
#include <array>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/gdi/Region.h"
#include "platform/gdi/Surface.h"
#include "platform/win/WinDefs.h"

namespace platform {

class Backend;

namespace detail {

struct WndClass {
  std::string name;
  UINT style = 0;
  WNDPROC proc = nullptr;
  int clsExtra = 0;
  int wndExtra = 0;
  HINSTANCE instance = nullptr;
  HICON icon = nullptr;
  HCURSOR cursor = nullptr;
  HBRUSH background = nullptr;
};

struct ScrollBarState {
  int min = 0;
  int max = 100;
  UINT page = 0;
  int pos = 0;
  int trackPos = 0;
  UINT disabled = ESB_ENABLE_BOTH; // ESB_DISABLE_* arrows
  bool tracking = false;
};

using MessageHandler = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;

struct Wnd {
  HWND handle = nullptr;
  std::shared_ptr<WndClass> cls;
  std::string text;
  DWORD style = 0;
  DWORD exStyle = 0;
  WNDPROC proc = nullptr;
  MessageHandler handler; // hidden windows made by AllocateHWnd
  LONG_PTR id = 0;
  LONG_PTR userData = 0;
  HINSTANCE instance = nullptr;
  HWND parent = nullptr;
  HWND owner = nullptr;
  std::vector<HWND> children; // front of the z-order first
  RECT rect{};                // in the parent's client space; screen space for top-level windows
  RECT client{};              // relative to the window's top-left corner
  std::vector<std::pair<std::string, HANDLE>> props;
  std::vector<BYTE> extra;
  bool hasRegion = false;
  gdi::Region region; // window space; only when hasRegion
  gdi::Region update; // client space
  bool eraseNeeded = false;
  bool ncPaintNeeded = false;
  bool internalPaint = false;
  bool redraw = true; // cleared by WM_SETREDRAW(FALSE)
  bool destroying = false;
  bool created = false;
  bool messageOnly = false;
  std::array<ScrollBarState, 2> bars{};
  std::unique_ptr<Surface> surface; // top-level windows only, made on first paint
  RECT unpresented{};               // top-level windows: painted in the surface, not yet shown by the backend
  bool backendWindow = false;       // the backend shows this top-level window
};

struct Hook {
  int type = 0;
  HOOKPROC proc = nullptr;
  HHOOK handle = nullptr;
  bool removed = false;
};

struct Timer {
  HWND hwnd = nullptr;
  UINT_PTR id = 0;
  UINT interval = 0;
  DWORD due = 0;
  TIMERPROC proc = nullptr;
};

enum class InputKind { MouseMove, ButtonDown, ButtonUp, Wheel, KeyDown, KeyUp, Char };

struct RawInput {
  InputKind kind = InputKind::MouseMove;
  POINT pt{};
  int button = 0; // 0 left, 1 right, 2 middle
  int delta = 0;
  int vk = 0;
  bool repeat = false;
  bool translates = true; // a key whose character arrives separately as a Char event does not translate
  BYTE ch = 0;
  DWORD time = 0;
  std::uint64_t serial = 0; // finds the event again after a handler ran a nested message loop
};

struct CaretState {
  HWND owner = nullptr;
  int width = 0;
  int height = 0;
  POINT pos{};
  int hideCount = 1;
  bool drawn = false;     // its inverted image is in the window's pixels
  bool suspended = false; // taken out while its window paints
  DWORD nextBlink = 0;
  HBITMAP bitmap = nullptr;
};

struct ClickState {
  UINT message = 0; // the button-down message of the last click, 0 when none
  HWND hwnd = nullptr;
  DWORD time = 0;
  POINT pt{};
};

struct PendingActivation {
  HWND hwnd = nullptr;
  int how = WA_ACTIVE;
  bool moveFocus = true;
};

struct State {
  std::vector<std::unique_ptr<Wnd>> slots;
  std::vector<std::uint32_t> generations;
  std::vector<std::uint32_t> freeSlots;
  HWND desktop = nullptr;
  HWND messageRoot = nullptr;
  std::map<std::string, std::shared_ptr<WndClass>> classes; // key: upper-case name
  std::deque<MSG> posted;
  std::deque<RawInput> input;
  std::uint64_t nextInputSerial = 1;
  bool quitPending = false;
  int quitCode = 0;
  std::array<std::vector<std::shared_ptr<Hook>>, 16> hooks;
  int hookDepth = 0;
  // Set while a hook marked removed is still in its chain, so that a call of a hook only sweeps the chains
  // when there is something to sweep.
  bool hooksRemoved = false;
  std::uintptr_t nextHook = 1;
  std::vector<Timer> timers;
  UINT_PTR nextTimerId = 1;
  HWND focus = nullptr;
  HWND active = nullptr;
  HWND capture = nullptr;
  bool appActive = false;
  PendingActivation pendingActivation;
  bool suppressActivateFocus = false;
  std::array<BYTE, 256> keyState{};
  std::array<BYTE, 256> asyncKeyState{};
  POINT cursorPos{};
  HCURSOR cursor = nullptr;
  ClickState lastClick;
  CaretState caret;
  Backend* backend = nullptr;
  MSG lastMessage{};
  MSG untranslated{}; // the last key message retrieved that TranslateMessage must leave alone
  bool initializing = false;
};

State& S();
// The window behind a handle, or nullptr for a stale, foreign or null one.
Wnd* W(HWND hwnd);
HWND NewHandle(std::unique_ptr<Wnd> wnd);
void FreeHandle(HWND hwnd);
// Every live window, in slot order.
std::vector<HWND> AllWindows();

bool IsTopLevel(const Wnd* w);
HWND TopLevelOf(HWND hwnd);
// The window's top-left corner and client origin in screen space.
POINT WindowOrigin(HWND hwnd);
POINT ClientOrigin(HWND hwnd);
RECT ScreenWindowRect(HWND hwnd);
RECT ScreenClientRect(HWND hwnd);
bool ReallyVisible(HWND hwnd); // the window and all its ancestors are visible

std::string ClassKey(std::string_view name);

} // namespace detail

// Destroys every window and clears all window-manager state; tests start from here.
void ResetWindowManager();

} // namespace platform
